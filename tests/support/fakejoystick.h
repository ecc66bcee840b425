#pragma once

#include "sensors/joystick.h"

#include <array>
#include <string>

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
        std::string device{}; // the device serving the id, as the user knows it
    };

    std::uint32_t joyGetPosEx(std::uint32_t uJoyID, JOYINFOEX* pji) override
    {
        if (uJoyID >= m_ports.size())
            return JOYERR_PARMS;
        const Port& p = m_ports[uJoyID];
        if (p.result == JOYERR_NOERROR || p.fillOnError) {
            pji->dwXpos = p.x;
            pji->dwYpos = p.y;
        }
        return p.result;
    }
    std::uint32_t joyGetDevCapsA(std::uint32_t uJoyID, JOYCAPS*, std::uint32_t cbjc) override
    {
        if (uJoyID >= m_ports.size() || cbjc != sizeof(JOYCAPS))
            return JOYERR_PARMS;
        return m_ports[uJoyID].capsResult;
    }

    std::string servedBy(std::uint32_t uJoyID) const override
    {
        return uJoyID < m_ports.size() ? m_ports[uJoyID].device : std::string();
    }

    Port& port(std::uint32_t id) { return m_ports.at(id); }
    void set(std::uint32_t id, std::uint32_t result, std::uint32_t x, std::uint32_t y)
    {
        Port& p = port(id);
        p.result = result;
        p.x = x;
        p.y = y;
    }

private:
    std::array<Port, 2> m_ports{};
};
