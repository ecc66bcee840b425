#include "sensors/evdevjoystick.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <libevdev/libevdev.h>
#include <optional>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr std::uint32_t returnX = 0x1;
constexpr std::uint32_t returnY = 0x2;
constexpr std::uint32_t returnButtons = 0x80;

// BTN_JOYSTICK (the same code as BTN_TRIGGER) up to the end of the BTN_GAMEPAD range.
constexpr unsigned firstButton = BTN_JOYSTICK;
constexpr unsigned lastButton = BTN_GAMEPAD + 15;
constexpr unsigned maxButtons = 32;

constexpr std::array<unsigned, 2> firstPair{ABS_X, ABS_Y};
// The game-port driver's second X and Y first, then the usual names of a second stick.
constexpr std::array<std::array<unsigned, 2>, 3> secondPairs{
    {{ABS_RUDDER, ABS_THROTTLE}, {ABS_RX, ABS_RY}, {ABS_Z, ABS_RZ}}};
// Tablet pads carry X, Y and gamepad-range buttons too; udev and the joystick driver pass over
// devices with any of these, and so does this service.
constexpr std::array<unsigned, 4> penOrTouchKeys{BTN_TOOL_PEN, BTN_STYLUS, BTN_TOUCH,
                                                 BTN_TOOL_FINGER};

// The number in "eventN"; nothing for any other name.
std::optional<unsigned long> eventNumber(std::string_view name)
{
    constexpr std::string_view prefix = "event";
    if (!name.starts_with(prefix) || name.size() == prefix.size())
        return std::nullopt;
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size();
    unsigned long number = 0;
    const auto [end, ec] = std::from_chars(first, last, number);
    if (ec != std::errc() || end != last)
        return std::nullopt;
    return number;
}

// Sysfs prints a bitmap as words of the kernel's long, the most significant first, leaving out
// leading zero words. Returns the words least significant first; an unreadable word reads as 0.
constexpr unsigned wordBits = sizeof(long) * 8;

std::vector<unsigned long long> publishedWords(std::string_view bitmap)
{
    std::vector<unsigned long long> words;
    constexpr std::string_view blanks = " \t\r\n";
    std::size_t pos = 0;
    while ((pos = bitmap.find_first_not_of(blanks, pos)) != std::string_view::npos) {
        const std::size_t end = std::min(bitmap.find_first_of(blanks, pos), bitmap.size());
        unsigned long long value = 0;
        const auto [last, ec] =
            std::from_chars(bitmap.data() + pos, bitmap.data() + end, value, 16);
        words.push_back(ec == std::errc() && last == bitmap.data() + end ? value : 0);
        pos = end;
    }
    std::reverse(words.begin(), words.end());
    return words;
}

bool wordBit(const std::vector<unsigned long long>& words, unsigned bit)
{
    const std::size_t index = bit / wordBits;
    return index < words.size() && ((words[index] >> (bit % wordBits)) & 1U);
}

// The one test for devices known from sysfs and for opened ones; each predicate tells whether
// the device has an absolute axis, a key or a property.
template <class Abs, class Key, class Prop>
bool joystickBy(const Abs& abs, const Key& key, const Prop& prop)
{
    if (!abs(ABS_X) || !abs(ABS_Y) || abs(ABS_MT_POSITION_X) || prop(INPUT_PROP_ACCELEROMETER) ||
        std::any_of(penOrTouchKeys.begin(), penOrTouchKeys.end(), key))
        return false;
    for (unsigned code = firstButton; code <= lastButton; ++code) {
        if (key(code))
            return true;
    }
    return false;
}

std::string identityOf(const libevdev* dev)
{
    const auto text = [](const char* s) { return std::string(s ? s : ""); };
    return std::to_string(libevdev_get_id_bustype(dev)) + ':' +
           std::to_string(libevdev_get_id_vendor(dev)) + ':' +
           std::to_string(libevdev_get_id_product(dev)) + ':' + text(libevdev_get_name(dev)) + ':' +
           text(libevdev_get_phys(dev)) + ':' + text(libevdev_get_uniq(dev));
}

} // namespace

namespace evdev {

std::uint32_t mapAxisValue(int value, int minimum)
{
    const long long shifted = minimum < 0 ? static_cast<long long>(value) - minimum : value;
    return static_cast<std::uint32_t>(std::clamp(shifted, 0LL, 65535LL));
}

bool publishedJoystick(const PublishedNode& node)
{
    const auto abs = publishedWords(node.abs);
    const auto key = publishedWords(node.key);
    const auto props = publishedWords(node.props);
    const auto in = [](const std::vector<unsigned long long>& words) {
        return [&words](unsigned bit) { return wordBit(words, bit); };
    };
    return joystickBy(in(abs), in(key), in(props));
}

bool isJoystick(const libevdev* dev)
{
    const auto in = [dev](unsigned type) {
        return [dev, type](unsigned code) { return libevdev_has_event_code(dev, type, code) != 0; };
    };
    return joystickBy(in(EV_ABS), in(EV_KEY),
                      [dev](unsigned prop) { return libevdev_has_property(dev, prop) != 0; });
}

std::optional<std::array<unsigned, 2>> secondPair(const libevdev* dev)
{
    for (const auto& pair : secondPairs) {
        if (libevdev_has_event_code(dev, EV_ABS, pair[0]) &&
            libevdev_has_event_code(dev, EV_ABS, pair[1]))
            return pair;
    }
    return std::nullopt;
}

} // namespace evdev

struct EvdevJoystickService::Candidate {
    std::string node;
    std::string phys; // where it is plugged in, then its name: the order of the ids
    std::string name;
    unsigned long number = 0;
    std::shared_ptr<EvdevDevice> device; // null for a joystick that cannot be opened
    std::string identity;
    std::uint32_t failure = JOYERR_NOERROR;
    bool used = false;
};

EvdevJoystickService::EvdevJoystickService(std::string root) : m_nodes(std::move(root)) {}

EvdevJoystickService::~EvdevJoystickService() = default;

bool EvdevJoystickService::held(const std::string& node) const
{
    return std::any_of(m_slots.begin(), m_slots.end(),
                       [&](const Slot& slot) { return slot.device && slot.node == node; });
}

// The joysticks not yet held, in a fixed order: event numbers follow the order in which the
// drivers found the devices, which may change from boot to boot. A joystick whose node cannot be
// opened keeps its place, so the ids do not shift once it can be.
std::vector<EvdevJoystickService::Candidate>
EvdevJoystickService::candidates(std::uint32_t* unknownFailure) const
{
    std::vector<Candidate> found;
    for (const std::string& node : m_nodes.list()) {
        const auto number = eventNumber(node);
        if (!number || held(node))
            continue;
        // Published capabilities spare opening other devices, which would wake sleeping ones,
        // and tell an unreadable joystick from an unreadable keyboard.
        const PublishedNode published = m_nodes.published(node);
        if (published.capsKnown && !evdev::publishedJoystick(published))
            continue;
        int error = 0;
        std::shared_ptr<EvdevDevice> device = EvdevDevice::open(m_nodes.path(node), &error);
        if (!device) {
            const std::uint32_t code = error == EACCES || error == EPERM ? NoAccess : OpenFailed;
            // An unreadable node without published capabilities may or may not be a joystick.
            if (published.capsKnown) {
                const PublishedNode place = m_nodes.published(node, true);
                found.push_back({node, place.phys, place.name, *number, nullptr, {}, code});
            } else if (*unknownFailure != NoAccess)
                *unknownFailure = code;
            continue;
        }
        const libevdev* dev = device->state();
        if (!evdev::isJoystick(dev))
            continue;
        const char* phys = libevdev_get_phys(dev);
        found.push_back(
            {node, phys ? phys : "", libevdev_get_name(dev), *number, device, identityOf(dev)});
    }
    std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
        return std::tie(a.phys, a.name, a.number) < std::tie(b.phys, b.name, b.number);
    });
    return found;
}

void EvdevJoystickService::serve(Slot& slot, std::shared_ptr<EvdevDevice> device, bool second)
{
    slot.axes = second ? *evdev::secondPair(device->state()) : firstPair;
    slot.secondPair = second;
    // The kernel would drop changes within half the axis's fuzz and average those up to twice
    // it; where it refuses, the readings are smoothed but still good.
    for (const unsigned axis : slot.axes)
        device->unsmooth(axis);
    slot.device = std::move(device);
}

// Gives every id without a device the next free joystick.
void EvdevJoystickService::rescan()
{
    std::uint32_t unknownFailure = JOYERR_UNPLUGGED;
    std::vector<Candidate> found = candidates(&unknownFailure);

    const auto take = [this](Slot& slot, Candidate& candidate) {
        candidate.used = true;
        slot.node = candidate.node;
        slot.failure = candidate.failure;
        if (candidate.device) {
            slot.identity = candidate.identity;
            serve(slot, candidate.device, false);
        }
    };
    // A replugged joystick returns to its own id, so no sensor ever shows another's reading.
    for (Slot& slot : m_slots) {
        if (slot.device || slot.identity.empty() || slot.secondPair)
            continue;
        const auto match =
            std::find_if(found.begin(), found.end(), [&](const Candidate& candidate) {
                return !candidate.used && candidate.device && candidate.identity == slot.identity;
            });
        if (match != found.end())
            take(slot, *match);
    }
    for (Slot& slot : m_slots) {
        if (slot.device)
            continue;
        const auto next = std::find_if(found.begin(), found.end(),
                                       [](const Candidate& candidate) { return !candidate.used; });
        if (next != found.end())
            take(slot, *next);
        else
            slot.failure = unknownFailure;
    }

    // A game port with four axes answering is one 4-axis joystick to the kernel's driver (and
    // to many USB adapters): alone, it serves the second id from its second pair.
    Slot& first = m_slots[0];
    Slot& second = m_slots[1];
    const bool lone = first.device && std::all_of(found.begin(), found.end(), [&](const auto& c) {
                          return c.device == first.device;
                      });
    if (lone && !second.device && evdev::secondPair(first.device->state()) &&
        (second.identity.empty() || (second.secondPair && second.identity == first.identity))) {
        second.node = first.node;
        second.identity = first.identity;
        serve(second, first.device, true);
    }
}

// 0 when the id has an open device, looking for one if needed; else why it has none.
std::uint32_t EvdevJoystickService::acquire(std::uint32_t id)
{
    Slot& slot = m_slots[id];
    if (!slot.device)
        rescan();
    return slot.device ? JOYERR_NOERROR : slot.failure;
}

std::uint32_t EvdevJoystickService::joyGetPosEx(std::uint32_t uJoyID, JOYINFOEX* pji)
{
    if (uJoyID >= m_slots.size() || !pji)
        return JOYERR_PARMS;
    Slot& slot = m_slots[uJoyID];
    if (const std::uint32_t rc = acquire(uJoyID); rc != JOYERR_NOERROR)
        return rc;

    std::array<int, 2> values{};
    std::array<int, 2> minimums{};
    int rc = 0;
    for (std::size_t i = 0; i < slot.axes.size() && rc == 0; ++i)
        rc = slot.device->axis(slot.axes[i], &values[i], &minimums[i]);
    if (rc == 0)
        rc = slot.device->drain();
    if (rc < 0) {
        // Dropped so the next call looks for the device again.
        slot.device.reset();
        return rc == -ENODEV ? JOYERR_UNPLUGGED : ReadFailed;
    }

    if (pji->dwFlags & returnX)
        pji->dwXpos = evdev::mapAxisValue(values[0], minimums[0]);
    if (pji->dwFlags & returnY)
        pji->dwYpos = evdev::mapAxisValue(values[1], minimums[1]);
    if (pji->dwFlags & returnButtons) {
        const libevdev* dev = slot.device->state();
        std::uint32_t buttons = 0;
        std::uint32_t pressed = 0;
        unsigned index = 0;
        for (unsigned code = firstButton; code <= lastButton && index < maxButtons; ++code) {
            if (!libevdev_has_event_code(dev, EV_KEY, code))
                continue;
            if (libevdev_get_event_value(dev, EV_KEY, code)) {
                buttons |= 1U << index;
                ++pressed;
            }
            ++index;
        }
        pji->dwButtons = buttons;
        pji->dwButtonNumber = pressed;
    }
    return JOYERR_NOERROR;
}

std::uint32_t EvdevJoystickService::joyGetDevCapsA(std::uint32_t uJoyID, JOYCAPS* pjc,
                                                   std::uint32_t cbjc)
{
    if (uJoyID >= m_slots.size() || !pjc || cbjc < sizeof(JOYCAPS))
        return JOYERR_PARMS;
    Slot& slot = m_slots[uJoyID];
    if (slot.device && slot.device->drain() < 0)
        slot.device.reset();
    if (const std::uint32_t rc = acquire(uJoyID); rc != JOYERR_NOERROR)
        return rc == JOYERR_UNPLUGGED ? JOYERR_PARMS : rc;

    const libevdev* dev = slot.device->state();
    JOYCAPS caps{};
    caps.wMid = static_cast<std::uint16_t>(libevdev_get_id_vendor(dev));
    caps.wPid = static_cast<std::uint16_t>(libevdev_get_id_product(dev));
    const char* name = libevdev_get_name(dev);
    std::strncpy(caps.szPname, name ? name : "", sizeof(caps.szPname) - 1);
    const auto range = [dev](unsigned axis, std::uint32_t* low, std::uint32_t* high) {
        const int minimum = libevdev_get_abs_minimum(dev, axis);
        *low = evdev::mapAxisValue(minimum, minimum);
        *high = evdev::mapAxisValue(libevdev_get_abs_maximum(dev, axis), minimum);
    };
    range(slot.axes[0], &caps.wXmin, &caps.wXmax);
    range(slot.axes[1], &caps.wYmin, &caps.wYmax);
    for (unsigned code = firstButton; code <= lastButton; ++code) {
        if (libevdev_has_event_code(dev, EV_KEY, code))
            ++caps.wNumButtons;
    }
    caps.wNumButtons = std::min(caps.wNumButtons, maxButtons);
    caps.wMaxButtons = maxButtons;
    for (unsigned axis = ABS_X; axis <= ABS_RZ; ++axis) {
        if (libevdev_has_event_code(dev, EV_ABS, axis))
            ++caps.wNumAxes;
    }
    caps.wMaxAxes = 6;
    // Where the device was found, for whoever inspects the record.
    std::strncpy(caps.szRegKey, ("/dev/input/" + slot.node).c_str(), sizeof(caps.szRegKey) - 1);
    *pjc = caps;
    return JOYERR_NOERROR;
}
