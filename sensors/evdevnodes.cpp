#include "sensors/evdevnodes.h"

#include "util/fileio.h"

#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The first line of a sysfs file; empty when it cannot be read. Not through a stream: the
// stream classes would build the C++ locale, half a MiB of library pages, for a name or two.
std::string readLine(const std::string& path, bool* ok = nullptr)
{
    constexpr std::size_t Limit = 4096; // a sysfs attribute is one page at most
    const FileDescriptor file(openFile(path.c_str(), O_RDONLY));
    std::string text;
    const bool read = file.valid() && readAll(file.get(), text, Limit) && !text.empty();
    if (ok)
        *ok = read;
    return read ? text.substr(0, text.find('\n')) : std::string();
}

} // namespace

EvdevNodes::EvdevNodes(std::string root) : m_root(std::move(root))
{
    if (!m_root.ends_with('/'))
        m_root += '/';
}

std::string EvdevNodes::path(const std::string& node) const
{
    return m_root + "dev/input/" + node;
}

std::vector<std::string> EvdevNodes::list() const
{
    std::vector<std::string> names;
    DIR* dir = ::opendir((m_root + "dev/input").c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.starts_with("event"))
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

PublishedNode EvdevNodes::published(const std::string& node, bool place) const
{
    const std::string device = m_root + "sys/class/input/" + node + "/device/";
    PublishedNode found;
    bool absRead = false;
    bool keyRead = false;
    found.abs = readLine(device + "capabilities/abs", &absRead);
    found.key = readLine(device + "capabilities/key", &keyRead);
    found.capsKnown = absRead && keyRead;
    found.props = readLine(device + "properties");
    if (place)
        addPlace(node, found);
    return found;
}

void EvdevNodes::addPlace(const std::string& node, PublishedNode& published) const
{
    const std::string device = m_root + "sys/class/input/" + node + "/device/";
    published.phys = readLine(device + "phys");
    published.name = readLine(device + "name");
    published.uniq = readLine(device + "uniq");
}

std::unique_ptr<EvdevDevice> EvdevDevice::open(const std::string& path, int* error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return nullptr;
    }
    libevdev* dev = nullptr;
    const int rc = libevdev_new_from_fd(fd, &dev);
    if (rc < 0) {
        ::close(fd);
        *error = -rc;
        return nullptr;
    }
    return std::unique_ptr<EvdevDevice>(new EvdevDevice(fd, dev));
}

EvdevDevice::~EvdevDevice()
{
    libevdev_free(m_dev);
    ::close(m_fd);
}

int EvdevDevice::drain()
{
    // A device that floods events must not hold the caller; the rest wait for the next poll.
    // A dropped-events marker is no failure: the driver of a game port at fuzz 0 overflows the
    // queue between two polls, and libevdev has read the kernel's values again. The queue is
    // simply read on; values never come from it.
    for (int i = 0; i < 4096; ++i) {
        input_event ev;
        const int rc = libevdev_next_event(m_dev, LIBEVDEV_READ_FLAG_NORMAL, &ev);
        if (rc == -EAGAIN)
            return 0;
        if (rc < 0)
            return rc;
        if (ev.type == EV_SYN && (ev.code == SYN_REPORT || ev.code == SYN_DROPPED))
            m_reported = true;
    }
    return 0;
}

int EvdevDevice::awaitReport(int timeoutMs)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(timeoutMs);
    for (;;) {
        if (const int rc = drain(); rc < 0 || m_reported)
            return rc;
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0)
            return 0;
        pollfd wait{m_fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left));
        if (ready < 0 && errno != EINTR)
            return -errno;
        if (ready == 0)
            return 0;
    }
}

int EvdevDevice::axis(unsigned code, int* value, int* minimum) const
{
    // The kernel's own value is current even after dropped events or while another program
    // holds the device grabbed, when the event queue says nothing.
    input_absinfo info{};
    if (::ioctl(m_fd, EVIOCGABS(code), &info) < 0)
        return -errno;
    *value = info.value;
    *minimum = info.minimum;
    return 0;
}

void EvdevDevice::unsmooth(unsigned code)
{
    input_absinfo info{};
    if (::ioctl(m_fd, EVIOCGABS(code), &info) < 0 || info.fuzz == 0)
        return;
    // Written back at once: the kernel takes the value from it too.
    info.fuzz = 0;
    libevdev_kernel_set_abs_info(m_dev, code, &info);
}
