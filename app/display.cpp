#include "app/display.h"

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

std::string_view variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A compositor listening on the socket that WAYLAND_DISPLAY names.
bool waylandListens(std::string_view name)
{
    std::string path(name);
    if (!name.starts_with('/')) {
        const std::string_view runtime = variable("XDG_RUNTIME_DIR");
        if (runtime.empty())
            return false;
        path = std::string(runtime) + "/" + path;
    }
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool listening =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return listening;
}

} // namespace

DisplayCheck::DisplayCheck()
{
    const std::string_view platform = variable("QT_QPA_PLATFORM");
    const bool windowSystem = platform.empty() || platform.starts_with("xcb") ||
                              platform.find("wayland") != std::string_view::npos;
    if (!windowSystem)
        return;
    const std::string_view x11 = variable("DISPLAY");
    const std::string_view wayland = variable("WAYLAND_DISPLAY");
    if (!x11.empty()) {
        m_x11 = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_x11) == 0)
            return;
        release();
    }
    if (!wayland.empty() && waylandListens(wayland))
        return;

    const auto named = [](std::string_view name, std::string_view value) {
        return value.empty() ? std::string(name) + " is not set"
                             : "the display \"" + std::string(value) + "\" named by " +
                                   std::string(name) + " cannot be opened";
    };
    m_problem = "no display to open a window on: " + named("DISPLAY", x11) + ", and " +
                named("WAYLAND_DISPLAY", wayland) + " (--headless logs without a window)";
}

void DisplayCheck::release()
{
    if (m_x11)
        xcb_disconnect(m_x11);
    m_x11 = nullptr;
}
