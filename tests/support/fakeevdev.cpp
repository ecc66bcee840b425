// open() must keep its own name below, not become open64.
#undef _FILE_OFFSET_BITS

#include "support/fakeevdev.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/ioctl.h>

namespace {

FakeEvdevKernel* current = nullptr;
constexpr std::size_t queueSize = 64; // the kernel's smallest per-reader event buffer

int fail(int error)
{
    errno = error;
    return -1;
}

std::set<unsigned> codesOf(const std::map<unsigned, input_absinfo>& abs)
{
    std::set<unsigned> codes;
    for (const auto& [code, info] : abs)
        codes.insert(code);
    return codes;
}

// A bitmap as an ioctl hands it out: longs of the machine, least significant first.
int putBits(void* arg, std::size_t size, const std::set<unsigned>& codes)
{
    auto* bytes = static_cast<unsigned char*>(arg);
    std::memset(bytes, 0, size);
    for (const unsigned code : codes) {
        if (code / 8 < size)
            bytes[code / 8] |= static_cast<unsigned char>(1U << (code % 8));
    }
    return static_cast<int>(size);
}

// A bitmap as sysfs prints it: longs, the most significant first, leading zero words left out.
std::string sysfsBitmap(const std::set<unsigned>& codes)
{
    constexpr unsigned wordBits = sizeof(long) * 8;
    std::string text;
    for (unsigned word = codes.empty() ? 1 : *codes.rbegin() / wordBits + 1; word-- > 0;) {
        unsigned long bits = 0;
        for (const unsigned code : codes)
            bits |= code / wordBits == word ? 1UL << (code % wordBits) : 0;
        char hex[24];
        std::snprintf(hex, sizeof(hex), text.empty() ? "%lx" : " %lx", bits);
        text += hex;
    }
    return text + "\n";
}

template <class Function> Function next(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

} // namespace

FakeEvdevKernel::FakeEvdevKernel()
{
    std::filesystem::create_directories(m_root.path() / "dev/input");
    current = this;
}

// Descriptors still open stay open, to be closed later through the real close().
FakeEvdevKernel::~FakeEvdevKernel()
{
    if (current == this)
        current = nullptr;
}

FakeEvdevKernel* FakeEvdevKernel::active()
{
    return current;
}

FakeEvdevKernel::Device& FakeEvdevKernel::plug(const std::string& node, Device device)
{
    writeFile(path(node), "");
    const auto sysfs = m_root.path() / "sys/class/input" / node / "device";
    if (device.published) {
        std::filesystem::create_directories(sysfs / "capabilities");
        writeFile(sysfs / "capabilities/abs", sysfsBitmap(codesOf(device.abs)));
        writeFile(sysfs / "capabilities/key", sysfsBitmap(device.keys));
        writeFile(sysfs / "properties", sysfsBitmap(device.props));
        writeFile(sysfs / "name", device.name + "\n");
        writeFile(sysfs / "phys", device.phys + "\n");
    }
    auto& slot = m_nodes[path(node)] = std::make_shared<Node>();
    slot->device = std::move(device);
    return slot->device;
}

void FakeEvdevKernel::unplug(const std::string& node)
{
    m_nodes.at(path(node))->gone = true;
    m_nodes.erase(path(node));
    std::filesystem::remove(path(node));
    std::filesystem::remove_all(m_root.path() / "sys/class/input" / node);
}

void FakeEvdevKernel::report(const std::string& node, unsigned axis, int value)
{
    Node& target = *m_nodes.at(path(node));
    input_absinfo& info = target.device.abs.at(axis);
    // As far as the kernel's smoothing matters here: changes within half the fuzz are dropped.
    if (value == info.value || std::abs(value - info.value) < info.fuzz / 2)
        return;
    info.value = value;
    for (auto& [fd, client] : m_clients) {
        if (client.node.get() != &target || (target.grabber >= 0 && target.grabber != fd))
            continue;
        for (const input_event& ev : {input_event{{}, EV_ABS, static_cast<__u16>(axis), value},
                                      input_event{{}, EV_SYN, SYN_REPORT, 0}}) {
            client.queue.push_back(ev);
            // A full buffer keeps only the newest event, after a marker of the loss.
            if (client.queue.size() == queueSize)
                client.queue = {input_event{{}, EV_SYN, SYN_DROPPED, 0}, ev};
        }
    }
}

std::optional<int> FakeEvdevKernel::open(const char* path)
{
    const auto it = m_nodes.find(path);
    if (it == m_nodes.end())
        return std::nullopt;
    if (it->second->device.openError != 0)
        return fail(it->second->device.openError);
    // A real descriptor, so that numbers never collide with the process's own.
    const int fd = next<int (*)(const char*, int, ...)>("open")(path, O_RDONLY | O_CLOEXEC);
    m_clients[fd] = Client{it->second, {}};
    ++it->second->device.opens;
    return fd;
}

std::optional<ssize_t> FakeEvdevKernel::read(int fd, void* buffer, size_t size)
{
    const auto it = m_clients.find(fd);
    if (it == m_clients.end())
        return std::nullopt;
    auto& [node, queue] = it->second;
    if (node->gone || node->device.readError != 0)
        return fail(node->gone ? ENODEV : node->device.readError);
    if (queue.empty())
        return fail(EAGAIN);
    const std::size_t count = std::min(size / sizeof(input_event), queue.size());
    std::copy_n(queue.begin(), count, static_cast<input_event*>(buffer));
    queue.erase(queue.begin(), queue.begin() + static_cast<long>(count));
    return static_cast<ssize_t>(count * sizeof(input_event));
}

// The evdev requests that libevdev and the backend make, answered as the kernel does.
std::optional<int> FakeEvdevKernel::ioctl(int fd, unsigned long request, void* arg)
{
    const auto it = m_clients.find(fd);
    if (it == m_clients.end())
        return std::nullopt;
    Node& node = *it->second.node;
    Device& device = node.device;
    const unsigned nr = _IOC_NR(request);
    const std::size_t size = _IOC_SIZE(request);
    if (node.gone)
        return fail(ENODEV);
    if (request == EVIOCGVERSION)
        *static_cast<int*>(arg) = EV_VERSION;
    else if (request == EVIOCGID)
        *static_cast<input_id*>(arg) = {BUS_USB, 0x1234, 0x5678, 1};
    else if (request == EVIOCGRAB && (arg != nullptr) == (node.grabber >= 0))
        return fail(arg ? EBUSY : EINVAL);
    else if (request == EVIOCGRAB)
        node.grabber = arg ? fd : -1;
    else if (nr >= 0x40 && nr < 0x40 + ABS_CNT && request == EVIOCGABS(nr - 0x40))
        *static_cast<input_absinfo*>(arg) =
            device.abs.count(nr - 0x40) ? device.abs[nr - 0x40] : input_absinfo{};
    else if (nr >= 0xc0 && nr < 0xc0 + ABS_CNT && request == EVIOCSABS(nr - 0xc0)) {
        if (device.refusesSetAbs || !device.abs.count(nr - 0xc0))
            return fail(EINVAL);
        device.abs[nr - 0xc0] = *static_cast<const input_absinfo*>(arg);
    } else if (nr == 0x06 || nr == 0x07) { // name and phys
        const std::string& text = nr == 0x06 ? device.name : device.phys;
        std::strncpy(static_cast<char*>(arg), text.c_str(), size);
        return text.empty() ? fail(ENOENT) : static_cast<int>(std::min(size, text.size() + 1));
    } else if (nr == 0x08) // no unique id
        return fail(ENOENT);
    else if (nr == 0x09)
        return putBits(arg, size, device.props);
    else if (nr == 0x20)
        return putBits(arg, size, {EV_SYN, EV_KEY, EV_ABS});
    else if (nr == 0x20 + EV_KEY || nr == 0x20 + EV_ABS)
        return putBits(arg, size, nr == 0x20 + EV_KEY ? device.keys : codesOf(device.abs));
    else if (nr == 0x0a || (nr >= 0x18 && nr <= 0x1b) || (nr > 0x20 && nr < 0x20 + EV_CNT))
        return putBits(arg, size, {}); // no multitouch, nothing pressed or lit, no other events
    else
        return fail(EINVAL);
    return 0;
}

bool FakeEvdevKernel::close(int fd)
{
    const auto it = m_clients.find(fd);
    if (it == m_clients.end())
        return false;
    if (it->second.node->grabber == fd)
        it->second.node->grabber = -1;
    m_clients.erase(it);
    next<int (*)(int)>("close")(fd);
    return true;
}

FakeEvdevKernel::Device fakeJoystick(const std::string& name, const std::string& phys,
                                     std::set<unsigned> axes)
{
    FakeEvdevKernel::Device device{.name = name, .phys = phys, .keys = {BTN_TRIGGER}};
    for (const unsigned axis : axes)
        device.abs[axis] = {0, 0, 65535, 0, 0, 0};
    return device;
}

// The C library functions that reach the simulated kernel: the backend opens with open(), and
// libevdev calls ioctl(), read() and close(). Other paths and descriptors go on to the real ones.
extern "C" {

int open(const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const bool withMode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE;
    const mode_t mode = withMode ? va_arg(args, mode_t) : 0;
    va_end(args);
    if (FakeEvdevKernel* kernel = FakeEvdevKernel::active()) {
        if (const auto fd = kernel->open(path))
            return *fd;
    }
    return next<int (*)(const char*, int, ...)>("open")(path, flags, mode);
}

// glibc declares ioctl() as not throwing.
int ioctl(int fd, unsigned long request, ...) noexcept
{
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    if (FakeEvdevKernel* kernel = FakeEvdevKernel::active()) {
        if (const auto rc = kernel->ioctl(fd, request, arg))
            return *rc;
    }
    static const auto real = next<int (*)(int, unsigned long, ...)>("ioctl");
    return real(fd, request, arg);
}

ssize_t read(int fd, void* buffer, size_t size)
{
    if (FakeEvdevKernel* kernel = FakeEvdevKernel::active()) {
        if (const auto rc = kernel->read(fd, buffer, size))
            return *rc;
    }
    static const auto real = next<ssize_t (*)(int, void*, size_t)>("read");
    return real(fd, buffer, size);
}

int close(int fd)
{
    if (FakeEvdevKernel* kernel = FakeEvdevKernel::active(); kernel && kernel->close(fd))
        return 0;
    static const auto real = next<int (*)(int)>("close");
    return real(fd);
}

} // extern "C"
