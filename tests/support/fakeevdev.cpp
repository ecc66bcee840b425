// open() must keep its own name below, not become open64.
#undef _FILE_OFFSET_BITS

#include "support/fakeevdev.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <ranges>
#include <span>
#include <sys/ioctl.h>

namespace {

FakeEvdevKernel*& current = FakeEvdevKernel::current;

template <class Function> Function real(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

FakeEvdevKernel::Reader* readerOf(int fd)
{
    if (!current)
        return nullptr;
    const auto found = current->readers.find(fd);
    return found == current->readers.end() ? nullptr : &found->second;
}

// A bitmap as an ioctl hands it out: longs of the machine, least significant first.
template <class Codes> void putBits(void* arg, std::size_t size, const Codes& codes)
{
    for (const unsigned code : codes) {
        if (code / 8 < size)
            static_cast<unsigned char*>(arg)[code / 8] |= 1U << code % 8;
    }
}

// A bitmap as sysfs prints it: longs, the most significant first, leading zero words left out.
template <class Codes> std::string sysfsBitmap(const Codes& codes)
{
    unsigned long words[KEY_CNT / 8 / sizeof(long)] = {};
    putBits(words, sizeof(words), codes);
    std::size_t count = std::size(words);
    while (count > 1 && words[count - 1] == 0)
        --count;
    std::string text;
    for (char hex[24]; count-- > 0; text += hex)
        std::snprintf(hex, sizeof(hex), "%lx%c", words[count], count ? ' ' : '\n');
    return text;
}

// What the input core and evdev do with one measurement: values within the fuzz are smoothed,
// an unchanged value is no event, and every reader not shut out by a grab gets it queued.
void pass(FakeEvdevKernel::Device& device, unsigned type, unsigned code, int value)
{
    for (auto& [fd, reader] : current->readers) {
        if (reader.device.get() != &device || device.grabbed)
            continue;
        std::deque<input_event>& queue = reader.queue;
        queue.push_back({{}, static_cast<__u16>(type), static_cast<__u16>(code), value});
        if (queue.size() >= device.queueSize) {
            const input_event newest = queue.back();
            queue.clear();
            queue.push_back({{}, EV_SYN, SYN_DROPPED, 0});
            queue.push_back(newest);
        }
    }
}

bool measure(FakeEvdevKernel::Device& device, unsigned axis, int value)
{
    input_absinfo& info = device.abs.at(axis);
    const int old = info.value, fuzz = info.fuzz;
    if (fuzz && value > old - fuzz / 2 && value < old + fuzz / 2)
        value = old;
    else if (fuzz && value > old - fuzz && value < old + fuzz)
        value = (old * 3 + value) / 4;
    else if (fuzz && value > old - fuzz * 2 && value < old + fuzz * 2)
        value = (old + value) / 2;
    if (value == old)
        return false;
    info.value = value;
    pass(device, EV_ABS, axis, value);
    return true;
}

bool opened(const FakeEvdevKernel::Device& device)
{
    return std::ranges::any_of(
        current->readers, [&](const auto& entry) { return entry.second.device.get() == &device; });
}

void firstReport(FakeEvdevKernel::Device& device)
{
    if (!device.reportDue || device.gone)
        return;
    device.reportDue = false;
    bool any = false;
    for (const auto& [axis, value] : device.hardware)
        any = measure(device, axis, value) || any;
    // The input core sends no empty packet.
    if (any)
        pass(device, EV_SYN, SYN_REPORT, 0);
}

} // namespace

FakeEvdevKernel::FakeEvdevKernel()
{
    std::filesystem::create_directories(dir.path() / "dev/input");
    current = this;
}

FakeEvdevKernel::~FakeEvdevKernel()
{
    for (const auto& [fd, reader] : readers)
        ADD_FAILURE() << "descriptor " << fd << " of " << reader.device->node
                      << " is still open as the kernel goes";
    current = nullptr;
}

FakeEvdevKernel::Device& FakeEvdevKernel::plug(const std::string& node, Device device)
{
    writeFile(path(node), "");
    const auto sysfs = dir.path() / "sys/class/input" / node / "device";
    std::filesystem::create_directories(sysfs / "capabilities");
    writeFile(sysfs / "capabilities/abs", sysfsBitmap(std::views::keys(device.abs)));
    writeFile(sysfs / "capabilities/key", sysfsBitmap(device.keys));
    writeFile(sysfs / "properties", sysfsBitmap(device.props));
    writeFile(sysfs / "name", device.name + "\n");
    writeFile(sysfs / "phys", device.phys + "\n");
    writeFile(sysfs / "uniq", device.uniq + "\n");
    device.node = node;
    for (const auto& [axis, info] : device.abs)
        device.hardware[axis] = info.value;
    return *(nodes[path(node)] = std::make_shared<Device>(std::move(device)));
}

void FakeEvdevKernel::unplug(const std::string& node)
{
    device(node).gone = true;
    nodes.erase(path(node));
    std::filesystem::remove(path(node));
    std::filesystem::remove_all(dir.path() / "sys/class/input" / node);
}

void FakeEvdevKernel::report(const std::string& node, unsigned axis, int value)
{
    Device& d = device(node);
    d.hardware.at(axis) = value;
    if (opened(d) && !d.reportDue && measure(d, axis, value))
        pass(d, EV_SYN, SYN_REPORT, 0);
}

int FakeEvdevKernel::openDescriptors(const std::string& node) const
{
    return static_cast<int>(std::ranges::count_if(
        readers, [&](const auto& entry) { return entry.second.device->node == node; }));
}

// The C library functions that reach the simulated kernel: the backend opens with open() and
// waits with poll(), and libevdev calls ioctl(), read() and close().
extern "C" {

int open(const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const bool withMode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE;
    const mode_t mode = withMode ? va_arg(args, mode_t) : 0;
    va_end(args);
    const auto open = real<int (*)(const char*, int, ...)>("open");
    if (!current || !current->nodes.count(path))
        return open(path, flags, mode);
    const std::shared_ptr<FakeEvdevKernel::Device> device = current->nodes[path];
    if (const int error = device->openError)
        return errno = error, -1;
    // The driver starts measuring at the first opening; until it reports, the kernel holds the
    // values of its last measurement.
    if (!opened(*device))
        device->reportDue = true;
    // A real descriptor, so that numbers never collide with the process's own.
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    current->readers[fd] = {device, flags};
    return fd;
}

ssize_t read(int fd, void* buffer, size_t size)
{
    FakeEvdevKernel::Reader* reader = readerOf(fd);
    if (!reader)
        return real<ssize_t (*)(int, void*, size_t)>("read")(fd, buffer, size);
    if (reader->device->gone)
        return errno = ENODEV, -1;
    if (size < sizeof(input_event))
        return errno = EINVAL, -1;
    if (reader->queue.empty()) {
        if (!(reader->flags & O_NONBLOCK))
            ADD_FAILURE() << "read() on " << reader->device->node
                          << ", opened without O_NONBLOCK, would wait for the next event";
        return errno = EAGAIN, -1;
    }
    std::size_t count = 0;
    for (auto* event = static_cast<input_event*>(buffer);
         count < size / sizeof(input_event) && !reader->queue.empty(); ++count) {
        event[count] = reader->queue.front();
        reader->queue.pop_front();
    }
    return static_cast<ssize_t>(count * sizeof(input_event));
}

// A wait on event nodes ends at once: with the driver's first report if one is due and the
// wait is long enough for it, else as if the time had run out.
int poll(pollfd* fds, nfds_t count, int timeout)
{
    const std::span<pollfd> all(fds, count);
    if (!current || std::ranges::none_of(all, [](const pollfd& p) { return readerOf(p.fd); }))
        return real<int (*)(pollfd*, nfds_t, int)>("poll")(fds, count, timeout);
    int ready = 0;
    for (pollfd& p : all) {
        FakeEvdevKernel::Reader* reader = readerOf(p.fd);
        if (!reader) {
            ADD_FAILURE() << "poll() mixes event nodes with other descriptors";
            return errno = EINVAL, -1;
        }
        FakeEvdevKernel::Device& device = *reader->device;
        if (timeout < 0 || timeout >= 20)
            firstReport(device);
        short events = device.gone ? POLLERR | POLLHUP : POLLOUT | POLLWRNORM;
        if (!reader->queue.empty())
            events |= POLLIN | POLLRDNORM;
        p.revents = static_cast<short>(events & (p.events | POLLERR | POLLHUP));
        ready += p.revents != 0;
    }
    if (ready == 0 && timeout < 0)
        ADD_FAILURE() << "poll() without a time limit would wait for ever";
    return ready;
}

// The requests libevdev and the backend make. Whatever is not modelled reads as none: no other
// event types, nothing pressed.
int ioctl(int fd, unsigned long request, ...) noexcept // as glibc declares it
{
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    FakeEvdevKernel::Reader* reader = readerOf(fd);
    if (!reader)
        return real<int (*)(int, unsigned long, ...)>("ioctl")(fd, request, arg);
    FakeEvdevKernel::Device* device = reader->device.get();
    const unsigned nr = _IOC_NR(request), axis = nr % ABS_CNT;
    const std::size_t size = _IOC_SIZE(request);
    if (device->gone)
        return errno = ENODEV, -1;
    if (request == EVIOCSABS(axis) && !device->refusesSetAbs) {
        device->abs.at(axis) = *static_cast<const input_absinfo*>(arg);
        return 0;
    }
    if (request == EVIOCGID) {
        *static_cast<input_id*>(arg) = device->id;
        return 0;
    }
    if (_IOC_DIR(request) != _IOC_READ)
        return errno = EINVAL, -1;
    std::memset(arg, 0, size);
    const auto text = [&](const std::string& value) {
        // The kernel has no text at all for an empty physical path or unique id.
        if (value.empty())
            return errno = ENOENT, -1;
        value.copy(static_cast<char*>(arg), size - 1);
        return static_cast<int>(std::min(value.size() + 1, size));
    };
    if (request == EVIOCGABS(axis) && device->abs.count(axis))
        *static_cast<input_absinfo*>(arg) = device->abs[axis];
    else if (nr == _IOC_NR(EVIOCGNAME(0)))
        return text(device->name);
    else if (nr == _IOC_NR(EVIOCGPHYS(0)))
        return text(device->phys);
    else if (nr == _IOC_NR(EVIOCGUNIQ(0)))
        return text(device->uniq);
    else if (nr == _IOC_NR(EVIOCGPROP(0)))
        putBits(arg, size, device->props);
    else if (nr == _IOC_NR(EVIOCGBIT(0, 0)))
        putBits(arg, size, std::set<unsigned>{EV_SYN, EV_KEY, EV_ABS});
    else if (nr == _IOC_NR(EVIOCGBIT(EV_KEY, 0)))
        putBits(arg, size, device->keys);
    else if (nr == _IOC_NR(EVIOCGBIT(EV_ABS, 0)))
        putBits(arg, size, std::views::keys(device->abs));
    return static_cast<int>(size);
}

int close(int fd)
{
    if (current)
        current->readers.erase(fd);
    return real<int (*)(int)>("close")(fd);
}

} // extern "C"
