#pragma once

#include "sensors/evdevnodes.h"

#include <map>
#include <memory>
#include <string>

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
    std::vector<std::string> list() override;
    std::optional<PublishedCaps> published(const std::string& node) override;
    std::unique_ptr<EvdevDevice> open(const std::string& node, int* error) override;

    // Joysticks have absolute X and Y and the given button (a trigger unless told otherwise).
    FakeEvdevNode& addJoystick(const std::string& node, const std::string& name, FakeAxis x = {},
                               FakeAxis y = {}, unsigned button = 0x120);
    FakeEvdevNode& addKeyboard(const std::string& node);
    FakeEvdevNode& addMouse(const std::string& node);
    // Absolute X and Y with touch and click buttons but no joystick button.
    FakeEvdevNode& addTouchpad(const std::string& node);

    // Sets the current value of an absolute axis (ABS_X is 0, ABS_Y is 1).
    void setAxis(const std::string& node, unsigned axis, int value);
    // Removes the node; devices already opened from it report the device gone.
    void unplug(const std::string& node);
    FakeEvdevNode& node(const std::string& node);

    int listCalls() const { return m_listCalls; }

private:
    FakeEvdevNode& add(const std::string& node, libevdev* dev);

    std::map<std::string, std::shared_ptr<FakeEvdevNode>> m_nodes;
    int m_listCalls = 0;
};
