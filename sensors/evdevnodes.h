#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct libevdev;

// The operating system's side of the evdev joystick backend, kept small so that tests can put
// in-memory devices behind it.

// One opened event node.
class EvdevDevice {
public:
    virtual ~EvdevDevice() = default;

    // Capabilities, identity and current axis values, as libevdev keeps them.
    virtual const libevdev* state() const = 0;
    // Consumes every pending event without blocking: 0, or a negative errno (-ENODEV when the
    // device has been unplugged).
    virtual int drain() = 0;
};

// Capability bitmaps as the kernel publishes them in sysfs (hex words, most significant first),
// readable without opening the node.
struct PublishedCaps {
    std::string abs;
    std::string key;
};

class EvdevNodes {
public:
    virtual ~EvdevNodes() = default;

    // Names of the event nodes present now ("event0", "event12", ...), in no particular order.
    virtual std::vector<std::string> list() = 0;
    // The node's published capabilities; nothing when they cannot be read.
    virtual std::optional<PublishedCaps> published(const std::string& node) = 0;
    // Opens the node for non-blocking reading; on failure null, with the errno in *error.
    virtual std::unique_ptr<EvdevDevice> open(const std::string& node, int* error) = 0;
};

// The real nodes: /dev/input/event* with capabilities from /sys/class/input.
std::unique_ptr<EvdevNodes> makeSystemEvdevNodes();
