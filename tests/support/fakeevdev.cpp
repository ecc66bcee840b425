// open() must keep its own name below, not become open64.
#undef _FILE_OFFSET_BITS

#include "support/fakeevdev.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <ranges>
#include <sys/ioctl.h>

namespace {

FakeEvdevKernel*& current = FakeEvdevKernel::current;

template <class Function> Function real(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

FakeEvdevKernel::Device* readerOf(int fd)
{
    return current && current->readers.count(fd) ? current->readers[fd].get() : nullptr;
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

} // namespace

FakeEvdevKernel::FakeEvdevKernel()
{
    std::filesystem::create_directories(dir.path() / "dev/input");
    current = this;
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
    return *(nodes[path(node)] = std::make_shared<Device>(std::move(device)));
}

void FakeEvdevKernel::unplug(const std::string& node)
{
    device(node).gone = true;
    nodes.erase(path(node));
    std::filesystem::remove(path(node));
    std::filesystem::remove_all(dir.path() / "sys/class/input" / node);
}

// The C library functions that reach the simulated kernel: the backend opens with open(), and
// libevdev calls ioctl(), read() and close().
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
    if (const int error = current->nodes[path]->openError)
        return errno = error, -1;
    // A real descriptor, so that numbers never collide with the process's own.
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    current->readers[fd] = current->nodes[path];
    return fd;
}

// No events ever wait: another program may hold the device, or the queue may have overflowed,
// and the readings must come from the kernel's current values all the same.
ssize_t read(int fd, void* buffer, size_t size)
{
    FakeEvdevKernel::Device* device = readerOf(fd);
    if (!device)
        return real<ssize_t (*)(int, void*, size_t)>("read")(fd, buffer, size);
    return errno = device->gone ? ENODEV : EAGAIN, -1;
}

// The requests libevdev and the backend make. Whatever is not modelled reads as none: no other
// event types, nothing pressed, no identity.
int ioctl(int fd, unsigned long request, ...) noexcept // as glibc declares it
{
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    FakeEvdevKernel::Device* device = readerOf(fd);
    if (!device)
        return real<int (*)(int, unsigned long, ...)>("ioctl")(fd, request, arg);
    const unsigned nr = _IOC_NR(request), axis = nr % ABS_CNT;
    const std::size_t size = _IOC_SIZE(request);
    if (device->gone)
        return errno = ENODEV, -1;
    if (request == EVIOCSABS(axis) && !device->refusesSetAbs) {
        device->abs.at(axis) = *static_cast<const input_absinfo*>(arg);
        return 0;
    }
    if (_IOC_DIR(request) != _IOC_READ)
        return errno = EINVAL, -1;
    std::memset(arg, 0, size);
    if (request == EVIOCGABS(axis) && device->abs.count(axis))
        *static_cast<input_absinfo*>(arg) = device->abs[axis];
    else if (nr == _IOC_NR(EVIOCGNAME(0)) || nr == _IOC_NR(EVIOCGPHYS(0)))
        (nr == _IOC_NR(EVIOCGNAME(0)) ? device->name : device->phys)
            .copy(static_cast<char*>(arg), size - 1);
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
