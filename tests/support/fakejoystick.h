#pragma once

#include "sensors/joystick.h"

#include <array>

// A joystick service whose answers the test sets per joystick id (0 and 1). A read that does
// not return 0 leaves the record as it was, unless fillOnError is set.
class FakeJoystick final : public JoystickService {
public:
    struct Port {
        std::uint32_t capsResult = JOYERR_NOERROR;
        std::uint32_t result = JOYERR_NOERROR;
        std::uint32_t x = 0;
        std::uint32_t y = 0;
        bool fillOnError = false;
    };

    std::uint32_t joyGetPosEx(std::uint32_t uJoyID, JOYINFOEX* pji) override;
    std::uint32_t joyGetDevCapsA(std::uint32_t uJoyID, JOYCAPS* pjc, std::uint32_t cbjc) override;

    Port& port(std::uint32_t id) { return m_ports.at(id); }
    void set(std::uint32_t id, std::uint32_t result, std::uint32_t x, std::uint32_t y);

private:
    std::array<Port, 2> m_ports{};
};
