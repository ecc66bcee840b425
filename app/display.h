#pragma once

#include <optional>
#include <string>

struct xcb_connection_t;

// Whether the window program has a display to open, asked before the toolkit starts, which would
// otherwise abort. An X connection that answered is held until release(): an X server whose last
// client leaves resets, and would turn the toolkit away meanwhile.
class DisplayCheck final {
public:
    DisplayCheck();
    ~DisplayCheck() { release(); }
    DisplayCheck(const DisplayCheck&) = delete;
    DisplayCheck& operator=(const DisplayCheck&) = delete;

    // Why there is no display, in one line; none when there is one, or when the toolkit is told
    // to draw somewhere that needs none (QT_QPA_PLATFORM=offscreen and the like).
    const std::optional<std::string>& problem() const { return m_problem; }
    // Once the toolkit holds its own connection.
    void release();

private:
    std::optional<std::string> m_problem;
    xcb_connection_t* m_x11 = nullptr;
};
