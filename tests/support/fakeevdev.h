#pragma once

#include "support/tempdir.h"

#include <linux/input.h>
#include <map>
#include <memory>
#include <set>
#include <string>

// A simulated kernel below libevdev: event nodes and their sysfs files under a temporary root,
// with open, ioctl, read and close on those nodes served here. The executable that links this
// defines those C library functions itself; every other path and descriptor goes on to the real
// ones. One kernel at a time, on one thread; whatever holds its descriptors goes first.
struct FakeEvdevKernel {
    struct Device {
        std::string name{};
        std::string phys{};
        std::set<unsigned> keys{};               // EV_KEY codes
        std::map<unsigned, input_absinfo> abs{}; // EV_ABS codes with range, fuzz and value
        std::set<unsigned> props{};
        int openError = 0; // errno of open(), 0 to open
        bool refusesSetAbs = false;
        bool gone = false; // unplugged: descriptors still open report ENODEV
    };

    FakeEvdevKernel();
    // Descriptors still open stay open, to be closed later through the real close().
    ~FakeEvdevKernel() { current = nullptr; }

    std::string root() const { return dir.path().string(); }
    std::string path(const std::string& node) const { return root() + "/dev/input/" + node; }
    // Plugs a device in as node ("event3").
    Device& plug(const std::string& node, Device device);
    void unplug(const std::string& node);
    Device& device(const std::string& node) { return *nodes.at(path(node)); }
    // An axis change as the driver makes it; no events are queued (see read()).
    void report(const std::string& node, unsigned axis, int value)
    {
        device(node).abs.at(axis).value = value;
    }

    inline static FakeEvdevKernel* current = nullptr;
    TempDir dir;
    std::map<std::string, std::shared_ptr<Device>> nodes; // by path
    std::map<int, std::shared_ptr<Device>> readers;       // by descriptor
};

// A joystick with the given absolute axes (range 0..65535) and a trigger button.
inline FakeEvdevKernel::Device fakeJoystick(const std::string& name, const std::string& phys,
                                            std::set<unsigned> axes = {ABS_X, ABS_Y})
{
    FakeEvdevKernel::Device device{.name = name, .phys = phys, .keys = {BTN_TRIGGER}};
    for (const unsigned axis : axes)
        device.abs[axis] = {0, 0, 65535, 0, 0, 0};
    return device;
}
