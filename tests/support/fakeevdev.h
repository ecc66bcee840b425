#pragma once

#include "sensors/evdevnodes.h"

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <utility>

// One in-memory event node: a libevdev device built without a kernel, plus what the operating
// system would do when the node is opened or read.
struct FakeEvdevNode {
    std::shared_ptr<libevdev> dev;
    int openError = 0;     // errno reported by open(), 0 to open
    int readError = 0;     // negative errno reported by reads, 0 for none
    bool published = true; // whether capabilities are readable without opening
    bool gone = false;     // unplugged: reads of devices opened from it report -ENODEV
    int opens = 0;         // successful opens
};

struct FakeAxis {
    int minimum = 0;
    int maximum = 65535;
};

// Event nodes for the evdev joystick backend, held in memory.
class FakeEvdevNodes final : public EvdevNodes {
public:
    using Codes = std::initializer_list<std::pair<unsigned, unsigned>>; // (type, code)

    std::vector<std::string> list() override;
    std::optional<PublishedCaps> published(const std::string& node) override;
    std::unique_ptr<EvdevDevice> open(const std::string& node, int* error) override;

    // A device with the given capabilities; its absolute axes range over 0..4000.
    FakeEvdevNode& addDevice(const std::string& node, const std::string& name, Codes codes);
    // Joysticks have absolute X and Y and the given button (a trigger unless told otherwise).
    FakeEvdevNode& addJoystick(const std::string& node, const std::string& name, FakeAxis x = {},
                               FakeAxis y = {}, unsigned button = 0x120);

    // Sets the current value of an absolute axis (ABS_X is 0, ABS_Y is 1).
    void setAxis(const std::string& node, unsigned axis, int value);
    // Removes the node; devices already opened from it report the device gone.
    void unplug(const std::string& node);
    FakeEvdevNode& node(const std::string& node) { return *m_nodes.at(node); }

private:
    std::map<std::string, std::shared_ptr<FakeEvdevNode>> m_nodes;
};
