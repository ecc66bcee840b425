#pragma once

#include "sensors/evdevnodes.h"
#include "sensors/joystick.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The joystick service over the kernel's input devices. Ids 0 and 1 are the first two joysticks
// (absolute X and Y axes and a joystick or gamepad button) by event number. An id keeps its
// device while the device stays plugged in; an id without a device looks for one at each call.
class EvdevJoystickService final : public JoystickService {
public:
    // Result codes of this backend beyond the service's own.
    static constexpr std::uint32_t NoAccess = 168;   // a joystick's node may not be read
    static constexpr std::uint32_t OpenFailed = 169; // a joystick's node could not be opened
    static constexpr std::uint32_t ReadFailed = 170; // reading an open joystick failed

    EvdevJoystickService();
    explicit EvdevJoystickService(std::unique_ptr<EvdevNodes> nodes);
    ~EvdevJoystickService() override;

    std::uint32_t joyGetPosEx(std::uint32_t uJoyID, JOYINFOEX* pji) override;
    std::uint32_t joyGetDevCapsA(std::uint32_t uJoyID, JOYCAPS* pjc, std::uint32_t cbjc) override;

private:
    struct Slot {
        std::unique_ptr<EvdevDevice> device;
        std::string node;
        std::string identity; // of the last device served, so it gets its id back when replugged
        std::uint32_t failure = JOYERR_UNPLUGGED; // why the id has no device
    };

    std::uint32_t acquire(std::uint32_t id);
    void rescan();
    bool held(const std::string& node) const;

    std::unique_ptr<EvdevNodes> m_nodes;
    std::array<Slot, 2> m_slots;
};

namespace evdev {
// An axis value as the program reads it: unchanged when the axis range starts at zero or above,
// shifted to start at 0 when it starts below, clamped to 0..65535. Never scaled: the analog
// game-port driver sets min and max from its first reading, which would move the readings with
// the room temperature at boot.
std::uint32_t mapAxisValue(int value, int minimum);
// Whether a bit is set in a capability bitmap as sysfs shows it.
bool publishedBit(std::string_view bitmap, unsigned bit);
// Whether the published capabilities are those of a joystick.
bool publishedJoystick(const PublishedCaps& caps);
// Whether an opened device is a joystick.
bool isJoystick(const libevdev* dev);
} // namespace evdev
