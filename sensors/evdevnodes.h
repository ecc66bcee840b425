#pragma once

#include <memory>
#include <string>
#include <vector>

struct libevdev;

// The operating system's side of the evdev joystick backend: the event nodes under a root folder
// ("/" on a real system), what sysfs publishes about them, and opened devices. Tests put a
// simulated kernel below it at the system calls, so libevdev itself runs as on a real system.

// What sysfs tells about an event node without opening it: every user may read these.
struct PublishedNode {
    bool capsKnown = false; // whether the capability bitmaps could be read
    std::string abs{};      // capability bitmaps as sysfs prints them (hex words)
    std::string key{};
    std::string props{}; // input properties, empty where the kernel does not publish them
    std::string phys{};  // where the device is plugged in; stays when the node is numbered anew
    std::string name{};
    std::string uniq{}; // the device's own serial or address, where it has one
};

class EvdevNodes {
public:
    explicit EvdevNodes(std::string root = "/");

    // Names of the event nodes present now ("event0", "event12", ...), in no particular order.
    std::vector<std::string> list() const;
    // place: also where the device is plugged in, its name and unique id.
    PublishedNode published(const std::string& node, bool place = false) const;
    void addPlace(const std::string& node, PublishedNode& published) const;
    std::string path(const std::string& node) const;

private:
    std::string m_root;
};

// One opened event node. Values come from the kernel at each read; the event queue is drained so
// that it cannot fill, and tells whether the driver has reported since the opening.
class EvdevDevice {
public:
    // Opens for non-blocking reading; on failure null, with the errno in *error.
    static std::unique_ptr<EvdevDevice> open(const std::string& path, int* error);
    ~EvdevDevice();
    EvdevDevice(const EvdevDevice&) = delete;
    EvdevDevice& operator=(const EvdevDevice&) = delete;

    // Capabilities and identity as libevdev read them at opening.
    const libevdev* state() const { return m_dev; }
    // Consumes every pending event without blocking: 0, or a negative errno (-ENODEV when the
    // device has been unplugged).
    int drain();
    // Whether the driver has reported since the opening: until then the kernel holds what it
    // measured before the device was last closed, or when the driver was loaded.
    bool reported() const { return m_reported; }
    // Waits at most timeoutMs for the driver's first report: 0 once it came or the time ran out
    // (the driver then found nothing changed), or a negative errno.
    int awaitReport(int timeoutMs);
    // The axis's current value and its minimum: 0, or a negative errno.
    int axis(unsigned code, int* value, int* minimum) const;
    // Asks the kernel to pass the axis's changes on unsmoothed, for every reader of the device
    // until it is replugged. The kernel may refuse.
    void unsmooth(unsigned code);

private:
    EvdevDevice(int fd, libevdev* dev) : m_fd(fd), m_dev(dev) {}

    int m_fd;
    libevdev* m_dev;
    bool m_reported = false;
};
