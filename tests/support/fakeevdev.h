#pragma once

#include "support/tempdir.h"

#include <deque>
#include <linux/input.h>
#include <map>
#include <memory>
#include <set>
#include <string>

// A simulated kernel below libevdev: event nodes and their sysfs files under a temporary root,
// with open, ioctl, read, poll and close on those nodes served here. The executable that links
// this defines those C library functions itself; every other path and descriptor goes on to the
// real ones. One kernel at a time, on one thread; whatever holds its descriptors goes first.
//
// As in the kernel, a driver measures its hardware only while the device is open: an axis that
// changes while nobody reads it keeps its old value in the kernel until the driver's first
// report after the next opening, which comes while the reader waits (poll).
// Every descriptor has its own event queue; one that fills is emptied down to a SYN_DROPPED
// marker and the newest event, as evdev does. A test fails when a read on a descriptor opened
// without O_NONBLOCK would wait, and when descriptors are still open as the kernel goes.
struct FakeEvdevKernel {
    struct Device {
        std::string name{};
        std::string phys{};
        std::string uniq{};
        input_id id{};
        std::set<unsigned> keys{};               // EV_KEY codes
        std::map<unsigned, input_absinfo> abs{}; // EV_ABS codes with range, fuzz and value
        std::set<unsigned> props{};
        int openError = 0; // errno of open(), 0 to open
        bool refusesSetAbs = false;
        bool grabbed = false;     // another program holds it: its events reach no one else
        unsigned queueSize = 128; // evdev's buffer: a power of two, holding one event less
        bool gone = false;        // unplugged: descriptors still open report ENODEV

        // Below this line, the kernel's own.
        std::string node{};
        std::map<unsigned, int> hardware{}; // what the driver would measure now
        bool reportDue = false;             // opened, its first measurement not yet reported
    };
    struct Reader {
        std::shared_ptr<Device> device;
        int flags = 0;
        std::deque<input_event> queue{};
    };

    FakeEvdevKernel();
    // Fails the test for every descriptor still open; those stay open, to be closed later
    // through the real close().
    ~FakeEvdevKernel();

    std::string root() const { return dir.path().string(); }
    std::string path(const std::string& node) const { return root() + "/dev/input/" + node; }
    // Plugs a device in as node ("event3"); the driver measures the axis values it is given.
    Device& plug(const std::string& node, Device device);
    void unplug(const std::string& node);
    Device& device(const std::string& node) { return *nodes.at(path(node)); }
    // The axis measures value: reported at once while the device is open, else at its next
    // opening.
    void report(const std::string& node, unsigned axis, int value);
    // Descriptors open on the node's device, or on every device.
    int openDescriptors(const std::string& node) const;
    int openDescriptors() const { return static_cast<int>(readers.size()); }

    inline static FakeEvdevKernel* current = nullptr;
    TempDir dir;
    std::map<std::string, std::shared_ptr<Device>> nodes; // by path
    std::map<int, Reader> readers;                        // by descriptor
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
