#pragma once

#include "support/tempdir.h"

#include <deque>
#include <linux/input.h>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <sys/types.h>

// A simulated kernel below libevdev: event nodes and their sysfs files under a temporary root,
// and the open, ioctl, read and close calls on those nodes served here. The executable that
// links this defines those C library functions itself; every other descriptor goes on to the
// real ones. One kernel at a time, on one thread; whatever holds its descriptors goes first.
class FakeEvdevKernel {
public:
    struct Device {
        std::string name{};
        std::string phys{};
        std::set<unsigned> keys{};               // EV_KEY codes
        std::map<unsigned, input_absinfo> abs{}; // EV_ABS codes with range, fuzz and value
        std::set<unsigned> props{};
        int openError = 0;     // errno of open(), 0 to open
        int readError = 0;     // errno of read(), 0 for none
        bool published = true; // whether sysfs shows the capabilities
        bool refusesSetAbs = false;
        int opens = 0;
    };

    FakeEvdevKernel();
    ~FakeEvdevKernel();
    FakeEvdevKernel(const FakeEvdevKernel&) = delete;
    FakeEvdevKernel& operator=(const FakeEvdevKernel&) = delete;

    std::string root() const { return m_root.path().string(); }
    std::string path(const std::string& node) const { return root() + "/dev/input/" + node; }

    // Plugs a device in as node ("event3").
    Device& plug(const std::string& node, Device device);
    // Takes the node away; descriptors still open on it report ENODEV.
    void unplug(const std::string& node);
    Device& device(const std::string& node) { return m_nodes.at(path(node))->device; }
    // An axis change as a driver reports it: smoothed by the axis's fuzz as the kernel does,
    // then queued with a SYN_REPORT for every reader, or only for the one grabbing the device.
    void report(const std::string& node, unsigned axis, int value);

    // The system-call side, for the interposed C library functions: nothing when the path or
    // descriptor is not one of this kernel's; else the result, -1 with errno set on failure.
    static FakeEvdevKernel* active();
    std::optional<int> open(const char* path);
    std::optional<int> ioctl(int fd, unsigned long request, void* arg);
    std::optional<ssize_t> read(int fd, void* buffer, size_t size);
    bool close(int fd);

private:
    struct Node {
        Device device;
        bool gone = false;
        int grabber = -1;
    };
    struct Client {
        std::shared_ptr<Node> node;
        std::deque<input_event> queue;
    };

    TempDir m_root;
    std::map<std::string, std::shared_ptr<Node>> m_nodes; // by path
    std::map<int, Client> m_clients;                      // by descriptor
};

// A joystick with the given absolute axes (range 0..65535 unless told) and a trigger button.
FakeEvdevKernel::Device fakeJoystick(const std::string& name, const std::string& phys,
                                     std::set<unsigned> axes = {ABS_X, ABS_Y});
