#include "sensors/evdevnodes.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <libevdev/libevdev.h>
#include <linux/input.h>
#include <unistd.h>

namespace {

constexpr const char* deviceDir = "/dev/input/";
constexpr const char* sysfsDir = "/sys/class/input/";

class SystemEvdevDevice final : public EvdevDevice {
public:
    SystemEvdevDevice(int fd, libevdev* dev) : m_fd(fd), m_dev(dev) {}
    ~SystemEvdevDevice() override
    {
        libevdev_free(m_dev);
        ::close(m_fd);
    }
    SystemEvdevDevice(const SystemEvdevDevice&) = delete;
    SystemEvdevDevice& operator=(const SystemEvdevDevice&) = delete;

    const libevdev* state() const override { return m_dev; }

    int drain() override
    {
        // A device that floods events must not hold the caller: the state is current enough
        // after a bounded number of them, and the rest wait for the next poll.
        for (int i = 0; i < 4096; ++i) {
            input_event ev;
            // Normal mode also after a dropped-events marker: libevdev then resynchronises its
            // state itself, and only the state is wanted here.
            const int rc = libevdev_next_event(m_dev, LIBEVDEV_READ_FLAG_NORMAL, &ev);
            if (rc == -EAGAIN)
                return 0;
            if (rc < 0)
                return rc;
        }
        return 0;
    }

private:
    int m_fd;
    libevdev* m_dev;
};

std::optional<std::string> readLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line))
        return std::nullopt;
    return line;
}

class SystemEvdevNodes final : public EvdevNodes {
public:
    std::vector<std::string> list() override
    {
        std::vector<std::string> names;
        DIR* dir = ::opendir(deviceDir);
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

    std::optional<PublishedCaps> published(const std::string& node) override
    {
        const std::string caps = std::string(sysfsDir) + node + "/device/capabilities/";
        auto abs = readLine(caps + "abs");
        auto key = readLine(caps + "key");
        if (!abs || !key)
            return std::nullopt;
        return PublishedCaps{std::move(*abs), std::move(*key)};
    }

    std::unique_ptr<EvdevDevice> open(const std::string& node, int* error) override
    {
        const std::string path = deviceDir + node;
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
        return std::make_unique<SystemEvdevDevice>(fd, dev);
    }
};

} // namespace

std::unique_ptr<EvdevNodes> makeSystemEvdevNodes()
{
    return std::make_unique<SystemEvdevNodes>();
}
