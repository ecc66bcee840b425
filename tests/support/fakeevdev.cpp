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
    std::vector<unsigned long> words(maxCode / wordBits + 1, 0);
    for (unsigned code = 0; code <= maxCode; ++code) {
        if (libevdev_has_event_code(dev, type, code))
            words[code / wordBits] |= 1UL << (code % wordBits);
    }
    std::size_t top = words.size() - 1;
    while (top > 0 && words[top] == 0)
        --top;
    std::string text;
    for (std::size_t i = top + 1; i-- > 0;) {
        char word[32];
        std::snprintf(word, sizeof(word), "%lx", words[i]);
        text += word;
        if (i > 0)
            text += ' ';
    }
    return text;
}

libevdev* newDevice(const char* name)
{
    libevdev* dev = libevdev_new();
    libevdev_set_name(dev, name);
    return dev;
}

void enableAbs(libevdev* dev, unsigned axis, FakeAxis range)
{
    input_absinfo info{};
    info.minimum = range.minimum;
    info.maximum = range.maximum;
    info.value = range.minimum;
    libevdev_enable_event_code(dev, EV_ABS, axis, &info);
}

} // namespace

std::vector<std::string> FakeEvdevNodes::list()
{
    ++m_listCalls;
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
    if (it == m_nodes.end()) {
        *error = ENOENT;
        return nullptr;
    }
    if (it->second->openError != 0) {
        *error = it->second->openError;
        return nullptr;
    }
    ++it->second->opens;
    return std::make_unique<FakeEvdevDevice>(it->second);
}

FakeEvdevNode& FakeEvdevNodes::add(const std::string& name, libevdev* dev)
{
    auto node = std::make_shared<FakeEvdevNode>();
    node->dev = std::shared_ptr<libevdev>(dev, libevdev_free);
    m_nodes[name] = node;
    return *node;
}

FakeEvdevNode& FakeEvdevNodes::addJoystick(const std::string& node, const std::string& name,
                                           FakeAxis x, FakeAxis y, unsigned button)
{
    libevdev* dev = newDevice(name.c_str());
    // Where it is plugged in, which stays when the kernel numbers its node anew.
    libevdev_set_phys(dev, ("port-" + name).c_str());
    enableAbs(dev, ABS_X, x);
    enableAbs(dev, ABS_Y, y);
    libevdev_enable_event_code(dev, EV_KEY, button, nullptr);
    return add(node, dev);
}

FakeEvdevNode& FakeEvdevNodes::addKeyboard(const std::string& node)
{
    libevdev* dev = newDevice("Keyboard");
    for (unsigned key = KEY_ESC; key <= KEY_KPDOT; ++key)
        libevdev_enable_event_code(dev, EV_KEY, key, nullptr);
    return add(node, dev);
}

FakeEvdevNode& FakeEvdevNodes::addMouse(const std::string& node)
{
    libevdev* dev = newDevice("Mouse");
    libevdev_enable_event_code(dev, EV_REL, REL_X, nullptr);
    libevdev_enable_event_code(dev, EV_REL, REL_Y, nullptr);
    libevdev_enable_event_code(dev, EV_KEY, BTN_LEFT, nullptr);
    libevdev_enable_event_code(dev, EV_KEY, BTN_RIGHT, nullptr);
    return add(node, dev);
}

FakeEvdevNode& FakeEvdevNodes::addTouchpad(const std::string& node)
{
    libevdev* dev = newDevice("Touchpad");
    enableAbs(dev, ABS_X, {0, 4000});
    enableAbs(dev, ABS_Y, {0, 3000});
    libevdev_enable_event_code(dev, EV_KEY, BTN_TOUCH, nullptr);
    libevdev_enable_event_code(dev, EV_KEY, BTN_LEFT, nullptr);
    libevdev_enable_event_code(dev, EV_KEY, BTN_TOOL_FINGER, nullptr);
    return add(node, dev);
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

FakeEvdevNode& FakeEvdevNodes::node(const std::string& name)
{
    const auto it = m_nodes.find(name);
    if (it == m_nodes.end())
        throw std::invalid_argument("no node " + name);
    return *it->second;
}
