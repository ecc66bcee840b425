#include "sensors/portstatus.h"

std::string portStatusText(int joystick, std::int32_t result)
{
    const bool first = joystick == 0;
    switch (result) {
    case JOYERR_NOERROR:
        return first ? "port status: sensors 1 - 2 connected"
                     : "port status: sensors 3 - 4 connected";
    case JOYERR_UNPLUGGED:
        return first ? "port status: sensors 1 or 2 unplugged"
                     : "port status: sensors 3 or 4 unplugged";
    default:
        return "port status: joyGetPosEx error, rc = " + std::to_string(result);
    }
}

std::string joystickText(int joystick)
{
    return "joystick " + std::to_string(joystick + 1) + " (sensors " +
           std::to_string(joystick * 2 + 1) + " and " + std::to_string(joystick * 2 + 2) + ")";
}

std::string unpluggedText(int sensor)
{
    return "port status: sensor " + std::to_string(sensor) + " unplugged";
}

std::uint32_t readJoystick(JoystickService& service, std::uint32_t id, JOYINFOEX& info)
{
    info.dwSize = sizeof(JOYINFOEX);
    info.dwFlags = JOY_RETURNALL;
    return service.joyGetPosEx(id, &info);
}
