#pragma once

#include <cstdint>
#include <string>

// The joystick service's records, laid out byte for byte as the Windows multimedia API has them.
struct JOYINFOEX {
    std::uint32_t dwSize;
    std::uint32_t dwFlags;
    std::uint32_t dwXpos;
    std::uint32_t dwYpos;
    std::uint32_t dwZpos;
    std::uint32_t dwRpos;
    std::uint32_t dwUpos;
    std::uint32_t dwVpos;
    std::uint32_t dwButtons;
    std::uint32_t dwButtonNumber;
    std::uint32_t dwPOV;
    std::uint32_t dwReserved1;
    std::uint32_t dwReserved2;
};
static_assert(sizeof(JOYINFOEX) == 52);

// The 8-bit-text capabilities record without its trailing driver-name field.
struct JOYCAPS {
    std::uint16_t wMid;
    std::uint16_t wPid;
    char szPname[32];
    std::uint32_t wXmin;
    std::uint32_t wXmax;
    std::uint32_t wYmin;
    std::uint32_t wYmax;
    std::uint32_t wZmin;
    std::uint32_t wZmax;
    std::uint32_t wNumButtons;
    std::uint32_t wPeriodMin;
    std::uint32_t wPeriodMax;
    std::uint32_t wRmin;
    std::uint32_t wRmax;
    std::uint32_t wUmin;
    std::uint32_t wUmax;
    std::uint32_t wVmin;
    std::uint32_t wVmax;
    std::uint32_t wCaps;
    std::uint32_t wMaxAxes;
    std::uint32_t wNumAxes;
    std::uint32_t wMaxButtons;
    char szRegKey[32];
};
static_assert(sizeof(JOYCAPS) == 144);

constexpr std::uint32_t JOYERR_NOERROR = 0;
constexpr std::uint32_t JOYERR_PARMS = 165;
constexpr std::uint32_t JOYERR_NOCANDO = 166;
constexpr std::uint32_t JOYERR_UNPLUGGED = 167;
constexpr std::uint32_t JOY_RETURNALL = 0xFF;

// The two operations of the joystick service that the program calls, behind one interface
// chosen at start-up: real devices, the simulated bench or a scripted port.
class JoystickService {
public:
    virtual ~JoystickService() = default;

    // 0 with fresh X and Y in the record; 167 when the joystick's axes are not connected; any
    // other code is the backend's own error. The caller shows whatever the record then holds.
    virtual std::uint32_t joyGetPosEx(std::uint32_t uJoyID, JOYINFOEX* pji) = 0;
    // 0 when a device serves the id.
    virtual std::uint32_t joyGetDevCapsA(std::uint32_t uJoyID, JOYCAPS* pjc,
                                         std::uint32_t cbjc) = 0;
    // The device serving the id now, as the user knows it; empty when none, and for services
    // without devices of their own.
    virtual std::string servedBy(std::uint32_t /*uJoyID*/) const { return {}; }
};
