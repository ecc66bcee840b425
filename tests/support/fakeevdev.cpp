#include "support/fakeevdev.h"

#include <cstdio>
#include <libevdev/libevdev.h>
#include <stdexcept>

namespace {

class FakeEvdevDevice final : public EvdevDevice {
public:
    explicit FakeEvdevDevice(std::shared_ptr<FakeEvdevNode> node) : m_node(std::move(node)) {}

    const libevdev* state() const override { return m_node->dev.get(); }
    int drain() override { return m_node->gone ? -ENODEV : m_node->readError; }

private:
    std::shared_ptr<FakeEvdevNode> m_node;
};

// A bitmap as the kernel prints it in sysfs: words of a long, most significant first, without
// the leading zero words.
std::string sysfsBitmap(const libevdev* dev, unsigned type, unsigned maxCode)
{
    constexpr unsigned wordBits = sizeof(long) * 8;
    std::string text;
    for (unsigned word = maxCode / wordBits + 1; word-- > 0;) {
        unsigned long bits = 0;
        for (unsigned bit = 0; bit < wordBits; ++bit)
            bits |= libevdev_has_event_code(dev, type, word * wordBits + bit) ? 1UL << bit : 0;
        if (bits == 0 && text.empty() && word > 0)
            continue;
        char hex[24];
        std::snprintf(hex, sizeof(hex), text.empty() ? "%lx" : " %lx", bits);
        text += hex;
    }
    return text;
}

void enableAbs(libevdev* dev, unsigned axis, FakeAxis range)
{
    const input_absinfo info{range.minimum, range.minimum, range.maximum, 0, 0, 0};
    libevdev_enable_event_code(dev, EV_ABS, axis, &info);
}

} // namespace

std::vector<std::string> FakeEvdevNodes::list()
{
    std::vector<std::string> names;
    for (const auto& [name, node] : m_nodes)
        names.push_back(name);
    return names;
}

std::optional<PublishedCaps> FakeEvdevNodes::published(const std::string& name)
{
    const auto it = m_nodes.find(name);
    if (it == m_nodes.end() || !it->second->published)
        return std::nullopt;
    const libevdev* dev = it->second->dev.get();
    return PublishedCaps{sysfsBitmap(dev, EV_ABS, ABS_MAX), sysfsBitmap(dev, EV_KEY, KEY_MAX)};
}

std::unique_ptr<EvdevDevice> FakeEvdevNodes::open(const std::string& name, int* error)
{
    const auto it = m_nodes.find(name);
    *error = it == m_nodes.end() ? ENOENT : it->second->openError;
    if (*error != 0)
        return nullptr;
    ++it->second->opens;
    return std::make_unique<FakeEvdevDevice>(it->second);
}

FakeEvdevNode& FakeEvdevNodes::addDevice(const std::string& name, const std::string& deviceName,
                                         Codes codes)
{
    libevdev* dev = libevdev_new();
    libevdev_set_name(dev, deviceName.c_str());
    // Where it is plugged in, which stays when the kernel numbers its node anew.
    libevdev_set_phys(dev, ("port-" + deviceName).c_str());
    for (const auto& [type, code] : codes) {
        if (type == EV_ABS)
            enableAbs(dev, code, {0, 4000});
        else
            libevdev_enable_event_code(dev, type, code, nullptr);
    }
    auto node = std::make_shared<FakeEvdevNode>();
    node->dev = std::shared_ptr<libevdev>(dev, libevdev_free);
    m_nodes[name] = node;
    return *node;
}

FakeEvdevNode& FakeEvdevNodes::addJoystick(const std::string& name, const std::string& deviceName,
                                           FakeAxis x, FakeAxis y, unsigned button)
{
    FakeEvdevNode& node = addDevice(name, deviceName, {{EV_KEY, button}});
    enableAbs(node.dev.get(), ABS_X, x);
    enableAbs(node.dev.get(), ABS_Y, y);
    return node;
}

void FakeEvdevNodes::setAxis(const std::string& name, unsigned axis, int value)
{
    if (libevdev_set_event_value(node(name).dev.get(), EV_ABS, axis, value) != 0)
        throw std::invalid_argument("no such axis on " + name);
}

void FakeEvdevNodes::unplug(const std::string& name)
{
    node(name).gone = true;
    m_nodes.erase(name);
}
