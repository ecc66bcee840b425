#include "sensors/evdevjoystick.h"

#include "sensors/portstatus.h"
#include "util/text.h"

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

// A device node that could not be opened: not ours to read, or broken.
std::uint32_t openFailureCode(int error)
{
    return error == EACCES || error == EPERM ? EvdevJoystickService::NoAccess
                                             : EvdevJoystickService::OpenFailed;
}

constexpr std::uint32_t returnX = 0x1;
constexpr std::uint32_t returnY = 0x2;
constexpr std::uint32_t returnButtons = 0x80;

// BTN_JOYSTICK (the same code as BTN_TRIGGER) up to the end of the BTN_GAMEPAD range.
constexpr unsigned firstButton = BTN_JOYSTICK;
constexpr unsigned lastButton = BTN_GAMEPAD + 15;
constexpr unsigned maxButtons = 32;

constexpr std::array<unsigned, 2> firstPair{ABS_X, ABS_Y};
// The usual names of a second stick first (a USB board's Rx and Ry), then the game-port
// driver's second X and Y, then Z and Rz.
constexpr std::array<std::array<unsigned, 2>, 3> secondPairs{
    {{ABS_RX, ABS_RY}, {ABS_RUDDER, ABS_THROTTLE}, {ABS_Z, ABS_RZ}}};
// Tablet pads carry X, Y and gamepad-range buttons too; udev and the joystick driver pass over
// devices with any of these, and so does this service.
constexpr std::array<unsigned, 2> penKeys{BTN_TOOL_PEN, BTN_STYLUS};
constexpr std::array<unsigned, 2> touchKeys{BTN_TOUCH, BTN_TOOL_FINGER};
// What every gamepad with sticks has beside them; a game port or a board has its own buttons.
constexpr std::array<unsigned, 6> gamepadKeys{BTN_SOUTH, BTN_EAST,   BTN_TL,
                                              BTN_TR,    BTN_SELECT, BTN_START};
constexpr const char* SecondPairSuffix = ", second pair";

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
evdev::Kind kindBy(const Abs& abs, const Key& key, const Prop& prop)
{
    using evdev::Kind;
    if (!abs(ABS_X) || !abs(ABS_Y))
        return Kind::NoAxes;
    if (prop(INPUT_PROP_ACCELEROMETER))
        return Kind::MotionSensor;
    if (std::any_of(penKeys.begin(), penKeys.end(), key))
        return Kind::Pen;
    if (abs(ABS_MT_POSITION_X) || std::any_of(touchKeys.begin(), touchKeys.end(), key))
        return Kind::Touch;
    bool button = false;
    for (unsigned code = firstButton; code <= lastButton && !button; ++code)
        button = key(code);
    if (!button)
        return Kind::NoButton;
    return std::all_of(gamepadKeys.begin(), gamepadKeys.end(), key) ? Kind::Gamepad
                                                                    : Kind::Joystick;
}

template <class Abs> std::optional<std::array<unsigned, 2>> secondPairBy(const Abs& abs)
{
    for (const auto& pair : secondPairs) {
        if (abs(pair[0]) && abs(pair[1]))
            return pair;
    }
    return std::nullopt;
}

bool joystickKind(evdev::Kind kind)
{
    return kind == evdev::Kind::Joystick || kind == evdev::Kind::Gamepad;
}

std::string claimText(const std::string& identity, bool second)
{
    return second ? identity + SecondPairSuffix : identity;
}

std::string textOf(const char* s)
{
    return s ? s : "";
}

const char* axisName(unsigned code)
{
    switch (code) {
    case ABS_X:
        return "X";
    case ABS_Y:
        return "Y";
    case ABS_Z:
        return "Z";
    case ABS_RX:
        return "Rx";
    case ABS_RY:
        return "Ry";
    case ABS_RZ:
        return "Rz";
    case ABS_RUDDER:
        return "Rudder";
    case ABS_THROTTLE:
        return "Throttle";
    default:
        return "?";
    }
}

} // namespace

namespace evdev {

std::uint32_t mapAxisValue(int value, int minimum)
{
    const long long shifted = minimum < 0 ? static_cast<long long>(value) - minimum : value;
    return static_cast<std::uint32_t>(std::clamp(shifted, 0LL, 65535LL));
}

Kind publishedKind(const PublishedNode& node)
{
    const auto abs = publishedWords(node.abs);
    const auto key = publishedWords(node.key);
    const auto props = publishedWords(node.props);
    const auto in = [](const std::vector<unsigned long long>& words) {
        return [&words](unsigned bit) { return wordBit(words, bit); };
    };
    return kindBy(in(abs), in(key), in(props));
}

Kind kindOf(const libevdev* dev)
{
    const auto in = [dev](unsigned type) {
        return [dev, type](unsigned code) { return libevdev_has_event_code(dev, type, code) != 0; };
    };
    return kindBy(in(EV_ABS), in(EV_KEY),
                  [dev](unsigned prop) { return libevdev_has_property(dev, prop) != 0; });
}

const char* leftOutReason(Kind kind)
{
    switch (kind) {
    case Kind::Joystick:
    case Kind::Gamepad:
        return "a joystick";
    case Kind::NoAxes:
        return "no absolute X and Y axes";
    case Kind::Pen:
        return "a pen or tablet";
    case Kind::Touch:
        return "a touch surface";
    case Kind::MotionSensor:
        return "a motion sensor";
    case Kind::NoButton:
        return "no joystick or gamepad button";
    }
    return "";
}

std::optional<std::array<unsigned, 2>> secondPair(const libevdev* dev)
{
    return secondPairBy(
        [dev](unsigned code) { return libevdev_has_event_code(dev, EV_ABS, code) != 0; });
}

std::string identity(const std::string& name, const std::string& phys, const std::string& uniq)
{
    std::string text = name;
    if (!phys.empty())
        text += " at " + phys;
    if (!uniq.empty())
        text += ", unique id " + uniq;
    return text;
}

} // namespace evdev

struct EvdevJoystickService::Candidate {
    std::string node{};
    std::string phys{}; // where it is plugged in, then its name: the order of the ids
    std::string name{};
    std::string uniq{};
    unsigned long number = 0;
    bool gamepad = false;
    bool hasSecondPair = false;
    std::string identity{};
    std::shared_ptr<EvdevDevice> device{}; // open already: held, or opened to be recognised
};

struct EvdevJoystickService::Entry {
    std::size_t candidate = 0;
    bool second = false;
};

EvdevJoystickService::EvdevJoystickService(std::string root, std::array<std::string, 2> chosen)
    : m_nodes(std::move(root))
{
    for (std::size_t id = 0; id < m_slots.size(); ++id) {
        m_slots[id].claim = std::string(trimmed(chosen[id], SpacesAndTabs));
        m_slots[id].chosen = !m_slots[id].claim.empty();
    }
}

EvdevJoystickService::~EvdevJoystickService() = default;

std::shared_ptr<EvdevDevice> EvdevJoystickService::heldDevice(const std::string& node) const
{
    for (const Slot& slot : m_slots) {
        if (slot.device && slot.node == node)
            return slot.device;
    }
    return nullptr;
}

// Every joystick present, in a fixed order: event numbers follow the order in which the drivers
// found the devices, which may change from boot to boot. What sysfs publishes spares opening
// devices, which would wake sleeping ones; a joystick that cannot be opened keeps its place, so
// the ids do not shift once it can be.
std::vector<EvdevJoystickService::Candidate>
EvdevJoystickService::candidates(std::uint32_t* unknownFailure,
                                 std::vector<std::string>* leftOut) const
{
    std::vector<Candidate> found;
    std::vector<std::string> names = m_nodes.list();
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return eventNumber(a) < eventNumber(b);
    });
    for (const std::string& node : names) {
        const auto number = eventNumber(node);
        if (!number)
            continue;
        Candidate candidate{.node = node, .number = *number, .device = heldDevice(node)};
        // A held device is known already.
        PublishedNode published = candidate.device ? PublishedNode{} : m_nodes.published(node);
        evdev::Kind kind = evdev::Kind::Joystick;
        std::optional<std::array<unsigned, 2>> second;
        if (published.capsKnown) {
            kind = evdev::publishedKind(published);
            // Where a device is and what it is called matter only for joysticks and the list.
            if (joystickKind(kind) || leftOut)
                m_nodes.addPlace(node, published);
            second = secondPairBy([words = publishedWords(published.abs)](unsigned code) {
                return wordBit(words, code);
            });
            candidate.phys = published.phys;
            candidate.name = published.name;
            candidate.uniq = published.uniq;
        } else {
            int error = 0;
            if (!candidate.device)
                candidate.device = EvdevDevice::open(m_nodes.path(node), &error);
            if (!candidate.device) {
                // An unreadable node without published capabilities may or may not be a joystick.
                const std::uint32_t code = openFailureCode(error);
                if (*unknownFailure != NoAccess)
                    *unknownFailure = code;
                if (leftOut)
                    leftOut->push_back("/dev/input/" + node + ": cannot be opened (" +
                                       std::strerror(error) + ")");
                continue;
            }
            const libevdev* dev = candidate.device->state();
            kind = evdev::kindOf(dev);
            second = evdev::secondPair(dev);
            candidate.phys = textOf(libevdev_get_phys(dev));
            candidate.name = textOf(libevdev_get_name(dev));
            candidate.uniq = textOf(libevdev_get_uniq(dev));
        }
        if (!joystickKind(kind)) {
            if (leftOut)
                leftOut->push_back("/dev/input/" + node + " (" + candidate.name +
                                   "): " + evdev::leftOutReason(kind));
            continue;
        }
        candidate.gamepad = kind == evdev::Kind::Gamepad;
        candidate.hasSecondPair = second.has_value();
        candidate.identity = evdev::identity(candidate.name, candidate.phys, candidate.uniq);
        found.push_back(std::move(candidate));
    }
    std::stable_sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
        return std::tie(a.gamepad, a.phys, a.name, a.number) <
               std::tie(b.gamepad, b.phys, b.name, b.number);
    });
    return found;
}

// What a start with these devices would give the ids without a stored choice: joysticks in
// order, a lone one's second pair next, gamepads last; a stored choice takes its own entry out.
std::array<std::optional<EvdevJoystickService::Entry>, 2>
EvdevJoystickService::plan(const std::vector<Candidate>& found) const
{
    std::vector<Entry> order;
    std::size_t joysticks = 0;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (!found[i].gamepad) {
            order.push_back({i, false});
            ++joysticks;
        }
    }
    if (joysticks == 1 && found[order[0].candidate].hasSecondPair)
        order.push_back({order[0].candidate, true});
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (found[i].gamepad)
            order.push_back({i, false});
    }
    std::erase_if(order, [&](const Entry& entry) {
        const std::string claim = claimText(found[entry.candidate].identity, entry.second);
        return std::any_of(m_slots.begin(), m_slots.end(),
                           [&](const Slot& slot) { return slot.chosen && slot.claim == claim; });
    });
    std::array<std::optional<Entry>, 2> planned;
    auto next = order.begin();
    for (std::size_t id = 0; id < m_slots.size(); ++id) {
        if (!m_slots[id].chosen && next != order.end())
            planned[id] = *next++;
    }
    return planned;
}

void EvdevJoystickService::take(Slot& slot, Candidate& candidate, bool second)
{
    slot.claim = claimText(candidate.identity, second);
    slot.node = candidate.node;
    if (!candidate.device) {
        int error = 0;
        candidate.device = EvdevDevice::open(m_nodes.path(candidate.node), &error);
        if (!candidate.device) {
            slot.failure = openFailureCode(error);
            return;
        }
    }
    const std::optional<std::array<unsigned, 2>> pair =
        second ? evdev::secondPair(candidate.device->state()) : firstPair;
    if (!pair) {
        slot.failure = JOYERR_UNPLUGGED;
        return;
    }
    slot.axes = *pair;
    // The kernel would drop changes within half the axis's fuzz and average those up to twice
    // it; where it refuses, the readings are smoothed but still good.
    for (const unsigned axis : slot.axes)
        candidate.device->unsmooth(axis);
    slot.device = candidate.device;
}

// Gives every id without a device the one it belongs to, or the one a start would give it.
void EvdevJoystickService::rescan()
{
    std::uint32_t unknownFailure = JOYERR_UNPLUGGED;
    std::vector<Candidate> found = candidates(&unknownFailure);
    const std::array<std::optional<Entry>, 2> planned = plan(found);

    for (std::size_t id = 0; id < m_slots.size(); ++id) {
        Slot& slot = m_slots[id];
        if (slot.device)
            continue;
        std::optional<Entry> target;
        if (!slot.claim.empty()) {
            // Its own device, even when it comes back on another node.
            for (std::size_t i = 0; i < found.size() && !target; ++i) {
                for (const bool second : {false, true}) {
                    if ((!second || found[i].hasSecondPair) &&
                        claimText(found[i].identity, second) == slot.claim)
                        target = Entry{i, second};
                }
            }
        } else if (planned[id]) {
            const std::string claim =
                claimText(found[planned[id]->candidate].identity, planned[id]->second);
            const bool taken = std::any_of(m_slots.begin(), m_slots.end(),
                                           [&](const Slot& other) { return other.claim == claim; });
            if (!taken)
                target = planned[id];
        }
        if (target)
            take(slot, found[target->candidate], target->second);
        else
            slot.failure = slot.claim.empty() && !planned[id] ? unknownFailure : JOYERR_UNPLUGGED;
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

    // Until the driver has reported since the opening, the kernel's values are old ones.
    int rc = slot.device->reported() ? slot.device->drain()
                                     : slot.device->awaitReport(FirstReportWaitMs);
    std::array<int, 2> values{};
    std::array<int, 2> minimums{};
    for (std::size_t i = 0; i < slot.axes.size() && rc == 0; ++i)
        rc = slot.device->axis(slot.axes[i], &values[i], &minimums[i]);
    if (rc < 0) {
        // Closed at once, and the next call looks for the device again.
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

std::string EvdevJoystickService::servedBy(std::uint32_t uJoyID) const
{
    if (uJoyID >= m_slots.size() || !m_slots[uJoyID].device)
        return {};
    return m_slots[uJoyID].claim;
}

std::string EvdevJoystickService::listing()
{
    for (std::uint32_t id = 0; id < m_slots.size(); ++id)
        acquire(id);
    std::uint32_t unknownFailure = JOYERR_UNPLUGGED;
    std::vector<std::string> leftOut;
    std::vector<Candidate> found = candidates(&unknownFailure, &leftOut);

    const auto readings = [](EvdevDevice& device, const std::array<unsigned, 2>& axes,
                             std::size_t firstSensor) {
        std::string text;
        for (std::size_t i = 0; i < axes.size(); ++i) {
            int value = 0;
            int minimum = 0;
            text += "  sensor " + std::to_string(firstSensor + i) + ": " + axisName(axes[i]) +
                    " axis, ";
            text += device.axis(axes[i], &value, &minimum) == 0
                        ? "reading " + std::to_string(evdev::mapAxisValue(value, minimum)) + "\n"
                        : std::string("no reading\n");
        }
        return text;
    };

    std::string text =
        found.empty() ? "No joysticks.\n" : "Joysticks, in the order Quorvil4 takes them:\n";
    for (Candidate& candidate : found) {
        std::string ids;
        std::vector<std::pair<std::size_t, bool>> served; // id, second pair
        for (std::size_t id = 0; id < m_slots.size(); ++id) {
            for (const bool second : {false, true}) {
                if (m_slots[id].node == candidate.node &&
                    m_slots[id].claim == claimText(candidate.identity, second))
                    served.emplace_back(id, second);
            }
        }
        for (const auto& [id, second] : served)
            ids += (ids.empty() ? "" : ", ") + joystickText(int(id)) +
                   (second ? " from its second pair" : "");
        const bool chosen = std::any_of(m_slots.begin(), m_slots.end(),
                                        [](const Slot& slot) { return slot.chosen; });
        if (ids.empty())
            ids = chosen ? "no joystick id: the stored choice names other devices, or both ids "
                           "are taken"
                         : "no joystick id: both ids are taken";
        text += "/dev/input/" + candidate.node + ": " + ids + "\n";
        text += "  name: " + candidate.name + "\n";
        text += "  physical path: " + (candidate.phys.empty() ? "(none)" : candidate.phys) + "\n";
        text += "  unique id: " + (candidate.uniq.empty() ? "(none)" : candidate.uniq) + "\n";
        if (candidate.gamepad)
            text += "  a gamepad: its centred sticks are taken only when no other joystick is "
                    "left\n";
        if (!candidate.device) {
            int error = 0;
            candidate.device = EvdevDevice::open(m_nodes.path(candidate.node), &error);
            if (!candidate.device) {
                text += std::string("  cannot be read: ") + std::strerror(error) +
                        " (rc = " + std::to_string(openFailureCode(error)) + ")\n";
                continue;
            }
        }
        EvdevDevice& device = *candidate.device;
        if (!device.reported() && device.awaitReport(FirstReportWaitMs) < 0) {
            text += "  no reading: unplugged\n";
            continue;
        }
        if (served.empty()) {
            text += "  identity: " + candidate.identity + "\n";
            text += readings(device, firstPair, 1);
            continue;
        }
        for (const auto& [id, second] : served) {
            text += "  identity for " + std::string(id == 0 ? "Joystick1" : "Joystick2") + ": " +
                    m_slots[id].claim + "\n";
            text += readings(device, m_slots[id].axes, id * 2 + 1);
        }
    }
    for (std::size_t id = 0; id < m_slots.size(); ++id) {
        if (m_slots[id].chosen && !m_slots[id].device)
            text += joystickText(int(id)) + ": stored choice \"" + m_slots[id].claim +
                    "\", not plugged in or not readable\n";
    }
    if (!leftOut.empty()) {
        text += "Left out:\n";
        for (const std::string& line : leftOut)
            text += line + "\n";
    }
    return text;
}
