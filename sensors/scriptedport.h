#pragma once

#include "sensors/joystick.h"

#include <filesystem>

// A port whose answers come from a text file, read again at every call. One line per joystick,
// "ID RESULT X Y" in decimal; "#" starts a comment. The call returns RESULT and the record gets
// X and Y whatever RESULT is; the first line for a joystick counts. A joystick without a line
// has no driver (JOYERR_PARMS). A malformed line fails its joystick with ScriptError and leaves
// the record alone; an unreadable file, or a line whose ID cannot be read, fails every joystick.
class ScriptedPort final : public JoystickService {
public:
    static constexpr std::uint32_t ScriptError = JOYERR_NOCANDO;

    explicit ScriptedPort(std::filesystem::path file);

    std::uint32_t joyGetPosEx(std::uint32_t uJoyID, JOYINFOEX* pji) override;
    std::uint32_t joyGetDevCapsA(std::uint32_t uJoyID, JOYCAPS* pjc, std::uint32_t cbjc) override;

    struct Answer {
        std::uint32_t result = JOYERR_PARMS;
        bool hasPosition = false;
        std::uint32_t x = 0;
        std::uint32_t y = 0;
    };
    // What the file says about one joystick now.
    Answer answerFor(std::uint32_t id) const;

private:
    std::filesystem::path m_file;
};
