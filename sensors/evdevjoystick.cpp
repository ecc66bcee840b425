#include "sensors/evdevjoystick.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <libevdev/libevdev.h>
#include <optional>
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

std::string identityOf(const libevdev* dev)
{
    const auto text = [](const char* s) { return std::string(s ? s : ""); };
    return std::to_string(libevdev_get_id_bustype(dev)) + ':' +
           std::to_string(libevdev_get_id_vendor(dev)) + ':' +
           std::to_string(libevdev_get_id_product(dev)) + ':' + text(libevdev_get_name(dev)) + ':' +
           text(libevdev_get_phys(dev)) + ':' + text(libevdev_get_uniq(dev));
}

std::uint32_t axisValue(const libevdev* dev, unsigned axis)
{
    return evdev::mapAxisValue(libevdev_get_event_value(dev, EV_ABS, axis),
                               libevdev_get_abs_minimum(dev, axis));
}

} // namespace

namespace evdev {

std::uint32_t mapAxisValue(int value, int minimum)
{
    const long long shifted = minimum < 0 ? static_cast<long long>(value) - minimum : value;
    return static_cast<std::uint32_t>(std::clamp(shifted, 0LL, 65535LL));
}

bool publishedBit(std::string_view bitmap, unsigned bit)
{
    const std::vector<unsigned long long> words = publishedWords(bitmap);
    const std::size_t index = bit / wordBits;
    return index < words.size() && ((words[index] >> (bit % wordBits)) & 1U);
}

bool publishedJoystick(const PublishedCaps& caps)
{
    if (!publishedBit(caps.abs, ABS_X) || !publishedBit(caps.abs, ABS_Y))
        return false;
    const std::vector<unsigned long long> keys = publishedWords(caps.key);
    for (unsigned code = firstButton; code <= lastButton; ++code) {
        const std::size_t index = code / wordBits;
        if (index < keys.size() && ((keys[index] >> (code % wordBits)) & 1U))
            return true;
    }
    return false;
}

bool isJoystick(const libevdev* dev)
{
    if (!libevdev_has_event_code(dev, EV_ABS, ABS_X) ||
        !libevdev_has_event_code(dev, EV_ABS, ABS_Y))
        return false;
    for (unsigned code = firstButton; code <= lastButton; ++code) {
        if (libevdev_has_event_code(dev, EV_KEY, code))
            return true;
    }
    return false;
}

} // namespace evdev

EvdevJoystickService::EvdevJoystickService() : EvdevJoystickService(makeSystemEvdevNodes()) {}

EvdevJoystickService::EvdevJoystickService(std::unique_ptr<EvdevNodes> nodes)
    : m_nodes(std::move(nodes))
{
}

EvdevJoystickService::~EvdevJoystickService() = default;

bool EvdevJoystickService::held(const std::string& node) const
{
    return std::any_of(m_slots.begin(), m_slots.end(),
                       [&](const Slot& slot) { return slot.device && slot.node == node; });
}

// Gives every id without a device the next free joystick by event number. A joystick whose
// node cannot be opened keeps its place in that order, so the ids do not shift once it can be.
void EvdevJoystickService::rescan()
{
    std::vector<std::pair<unsigned long, std::string>> numbered;
    for (std::string& name : m_nodes->list()) {
        if (const auto number = eventNumber(name))
            numbered.emplace_back(*number, std::move(name));
    }
    std::sort(numbered.begin(), numbered.end());

    struct Found {
        std::string node;
        std::unique_ptr<EvdevDevice> device;
        std::string identity;
        std::uint32_t failure = JOYERR_NOERROR;
        bool used = false;
    };
    std::vector<Found> found;
    // An unreadable node without published capabilities may or may not be a joystick.
    std::uint32_t unknownFailure = JOYERR_UNPLUGGED;
    for (const auto& [number, node] : numbered) {
        if (held(node))
            continue;
        // Published capabilities spare opening other devices, which would wake sleeping ones,
        // and tell an unreadable joystick from an unreadable keyboard.
        const auto caps = m_nodes->published(node);
        if (caps && !evdev::publishedJoystick(*caps))
            continue;
        int error = 0;
        auto device = m_nodes->open(node, &error);
        if (!device) {
            const std::uint32_t code = error == EACCES || error == EPERM ? NoAccess : OpenFailed;
            if (caps)
                found.push_back({node, nullptr, {}, code});
            else if (unknownFailure != NoAccess)
                unknownFailure = code;
            continue;
        }
        if (!evdev::isJoystick(device->state()))
            continue;
        std::string identity = identityOf(device->state());
        found.push_back({node, std::move(device), std::move(identity)});
    }

    const auto take = [](Slot& slot, Found& candidate) {
        candidate.used = true;
        slot.node = candidate.node;
        slot.failure = candidate.failure;
        if (candidate.device) {
            slot.identity = candidate.identity;
            slot.device = std::move(candidate.device);
        }
    };
    // A replugged joystick returns to its own id, so no sensor ever shows another's reading.
    for (Slot& slot : m_slots) {
        if (slot.device || slot.identity.empty())
            continue;
        const auto match = std::find_if(found.begin(), found.end(), [&](const Found& candidate) {
            return !candidate.used && candidate.device && candidate.identity == slot.identity;
        });
        if (match != found.end())
            take(slot, *match);
    }
    for (Slot& slot : m_slots) {
        if (slot.device)
            continue;
        const auto next = std::find_if(found.begin(), found.end(),
                                       [](const Found& candidate) { return !candidate.used; });
        if (next != found.end())
            take(slot, *next);
        else
            slot.failure = unknownFailure;
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

    if (const int rc = slot.device->drain(); rc < 0) {
        // Dropped so the next call looks for the device again.
        slot.device.reset();
        return rc == -ENODEV ? JOYERR_UNPLUGGED : ReadFailed;
    }

    const libevdev* dev = slot.device->state();
    if (pji->dwFlags & returnX)
        pji->dwXpos = axisValue(dev, ABS_X);
    if (pji->dwFlags & returnY)
        pji->dwYpos = axisValue(dev, ABS_Y);
    if (pji->dwFlags & returnButtons) {
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
    caps.wXmin = evdev::mapAxisValue(libevdev_get_abs_minimum(dev, ABS_X),
                                     libevdev_get_abs_minimum(dev, ABS_X));
    caps.wXmax = evdev::mapAxisValue(libevdev_get_abs_maximum(dev, ABS_X),
                                     libevdev_get_abs_minimum(dev, ABS_X));
    caps.wYmin = evdev::mapAxisValue(libevdev_get_abs_minimum(dev, ABS_Y),
                                     libevdev_get_abs_minimum(dev, ABS_Y));
    caps.wYmax = evdev::mapAxisValue(libevdev_get_abs_maximum(dev, ABS_Y),
                                     libevdev_get_abs_minimum(dev, ABS_Y));
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
