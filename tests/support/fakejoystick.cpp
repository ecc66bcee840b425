#include "support/fakejoystick.h"

std::uint32_t FakeJoystick::joyGetPosEx(std::uint32_t uJoyID, JOYINFOEX* pji)
{
    if (uJoyID >= m_ports.size())
        return JOYERR_PARMS;
    Port& p = m_ports[uJoyID];
    if (p.result == JOYERR_NOERROR || p.fillOnError) {
        pji->dwXpos = p.x;
        pji->dwYpos = p.y;
    }
    return p.result;
}

std::uint32_t FakeJoystick::joyGetDevCapsA(std::uint32_t uJoyID, JOYCAPS*, std::uint32_t cbjc)
{
    if (uJoyID >= m_ports.size() || cbjc != sizeof(JOYCAPS))
        return JOYERR_PARMS;
    return m_ports[uJoyID].capsResult;
}

void FakeJoystick::set(std::uint32_t id, std::uint32_t result, std::uint32_t x, std::uint32_t y)
{
    Port& p = port(id);
    p.result = result;
    p.x = x;
    p.y = y;
}
