#pragma once

#include "sensors/evdevnodes.h"
#include "sensors/joystick.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The joystick service over the kernel's input devices. Ids 0 and 1 go to joysticks (absolute X
// and Y axes and a joystick or gamepad button, and nothing of a tablet, touch surface or motion
// sensor) in a fixed order: by where they are plugged in, then by name, gamepads last. A lone
// joystick with a second pair of axes (a 4-axis game port) serves id 1 from that pair.
//
// A stored choice gives an id to one device only. Otherwise an id keeps the device it first
// served for the whole run, and a device plugged in meanwhile takes a free id only when a new
// start would give it that same id, so sensors never swap coefficients between runs.
class EvdevJoystickService final : public JoystickService {
public:
    // Result codes of this backend beyond the service's own.
    static constexpr std::uint32_t NoAccess = 168;   // a joystick's node may not be read
    static constexpr std::uint32_t OpenFailed = 169; // a joystick's node could not be opened
    static constexpr std::uint32_t ReadFailed = 170; // reading an open joystick failed
    // After an opening the kernel holds old values until the driver reports (a game port's
    // within about 10 ms, a USB or Bluetooth device's within its report interval).
    static constexpr int FirstReportWaitMs = 100;

    // root: the folder holding dev/input and sys/class/input. chosen: per id, the identity (as
    // servedBy gives it) of the one device that may serve it; empty to choose by the order.
    explicit EvdevJoystickService(std::string root = "/", std::array<std::string, 2> chosen = {});
    ~EvdevJoystickService() override;

    std::uint32_t joyGetPosEx(std::uint32_t uJoyID, JOYINFOEX* pji) override;
    std::uint32_t joyGetDevCapsA(std::uint32_t uJoyID, JOYCAPS* pjc, std::uint32_t cbjc) override;
    // "NAME at PHYS, unique id UNIQ", with ", second pair" where the id reads a device's
    // second pair of axes; the text a stored choice holds.
    std::string servedBy(std::uint32_t uJoyID) const override;

    // Every input device, joysticks in the order ids are given with the id each gets, the axes
    // that give each sensor and their readings now, then the devices left out and why.
    std::string listing();

private:
    struct Slot {
        std::shared_ptr<EvdevDevice> device; // shared when one device serves both ids
        std::string node;
        std::array<unsigned, 2> axes{}; // the X and Y read
        // The identity this id belongs to: the stored choice, or the first device it served.
        std::string claim;
        bool chosen = false;
        std::uint32_t failure = JOYERR_UNPLUGGED; // why the id has no device
    };
    struct Candidate;
    struct Entry; // a candidate's first or second pair

    std::uint32_t acquire(std::uint32_t id);
    void rescan();
    std::vector<Candidate> candidates(std::uint32_t* unknownFailure,
                                      std::vector<std::string>* leftOut = nullptr) const;
    std::array<std::optional<Entry>, 2> plan(const std::vector<Candidate>& found) const;
    void take(Slot& slot, Candidate& candidate, bool second);
    std::shared_ptr<EvdevDevice> heldDevice(const std::string& node) const;

    EvdevNodes m_nodes;
    std::array<Slot, 2> m_slots;
};

namespace evdev {
// An axis value as the program reads it: unchanged when the axis range starts at zero or above,
// shifted to start at 0 when it starts below, clamped to 0..65535. Never scaled: the analog
// game-port driver sets min and max from its first reading, which would move the readings with
// the room temperature at boot.
std::uint32_t mapAxisValue(int value, int minimum);

// What an input device is to this service.
enum class Kind {
    Joystick,
    Gamepad, // centred sticks and a gamepad's usual buttons: taken last
    NoAxes,  // no absolute X and Y
    Pen,
    Touch,
    MotionSensor,
    NoButton, // no joystick or gamepad button
};
Kind publishedKind(const PublishedNode& node);
Kind kindOf(const libevdev* dev);
// Why a device is left out, for the user.
const char* leftOutReason(Kind kind);

// The device's second pair of axes, read as X and Y of id 1; nothing when it has none.
std::optional<std::array<unsigned, 2>> secondPair(const libevdev* dev);
// "NAME at PHYS, unique id UNIQ", leaving out what the device lacks.
std::string identity(const std::string& name, const std::string& phys, const std::string& uniq);
} // namespace evdev
