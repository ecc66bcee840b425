#include "settings/userfolders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

std::filesystem::path xdgBaseFolder(const char* variable, const std::filesystem::path& underHome)
{
    // A relative path is invalid by the XDG rules and is ignored.
    if (const char* value = std::getenv(variable); value && *value == '/')
        return value;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* user = ::getpwuid(::getuid());
        home = user ? user->pw_dir : nullptr;
    }
    return std::filesystem::path(home && *home ? home : ".") / underHome;
}

std::filesystem::path programFolder(const std::filesystem::path& base)
{
    return base / "Norvalde" / "Quorvil4";
}
