#pragma once

#include "sensors/joystick.h"

// A port on which no joystick answers, as on a machine without a game port.
class NoJoystickService final : public JoystickService {
public:
    std::uint32_t joyGetPosEx(std::uint32_t, JOYINFOEX*) override { return JOYERR_PARMS; }
    std::uint32_t joyGetDevCapsA(std::uint32_t, JOYCAPS*, std::uint32_t) override
    {
        return JOYERR_PARMS;
    }
};
