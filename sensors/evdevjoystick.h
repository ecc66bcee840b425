#pragma once

#include "sensors/evdevnodes.h"
#include "sensors/joystick.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The joystick service over the kernel's input devices. Ids 0 and 1 are the first two joysticks
// (absolute X and Y axes and a joystick or gamepad button, and nothing of a tablet, touch
// surface or accelerometer), ordered by where they are plugged in. A lone joystick with a second
// pair of axes (a 4-axis game port) serves id 1 from that pair. An id keeps its device while the
// device stays plugged in; an id without a device looks for one at each call.
class EvdevJoystickService final : public JoystickService {
public:
    // Result codes of this backend beyond the service's own.
    static constexpr std::uint32_t NoAccess = 168;   // a joystick's node may not be read
    static constexpr std::uint32_t OpenFailed = 169; // a joystick's node could not be opened
    static constexpr std::uint32_t ReadFailed = 170; // reading an open joystick failed

    // root: the folder holding dev/input and sys/class/input.
    explicit EvdevJoystickService(std::string root = "/");
    ~EvdevJoystickService() override;

    std::uint32_t joyGetPosEx(std::uint32_t uJoyID, JOYINFOEX* pji) override;
    std::uint32_t joyGetDevCapsA(std::uint32_t uJoyID, JOYCAPS* pjc, std::uint32_t cbjc) override;

private:
    struct Slot {
        std::shared_ptr<EvdevDevice> device; // shared when one device serves both ids
        std::string node;
        std::array<unsigned, 2> axes{}; // the X and Y read
        bool secondPair = false;        // whether those are the device's second pair
        std::string identity; // of the last device served, so it gets its id back when replugged
        std::uint32_t failure = JOYERR_UNPLUGGED; // why the id has no device
    };
    struct Candidate;

    std::uint32_t acquire(std::uint32_t id);
    void rescan();
    std::vector<Candidate> candidates(std::uint32_t* unknownFailure) const;
    void serve(Slot& slot, std::shared_ptr<EvdevDevice> device, bool secondPair);
    bool held(const std::string& node) const;

    EvdevNodes m_nodes;
    std::array<Slot, 2> m_slots;
};

namespace evdev {
// An axis value as the program reads it: unchanged when the axis range starts at zero or above,
// shifted to start at 0 when it starts below, clamped to 0..65535. Never scaled: the analog
// game-port driver sets min and max from its first reading, which would move the readings with
// the room temperature at boot.
std::uint32_t mapAxisValue(int value, int minimum);
// Whether the published capabilities are those of a joystick.
bool publishedJoystick(const PublishedNode& node);
// Whether an opened device is a joystick.
bool isJoystick(const libevdev* dev);
// The device's second pair of axes, read as X and Y of id 1; nothing when it has none.
std::optional<std::array<unsigned, 2>> secondPair(const libevdev* dev);
} // namespace evdev
