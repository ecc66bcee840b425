#include "util/userfolders.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
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

bool makePrivateFolders(const std::filesystem::path& folder)
{
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    std::filesystem::path partial;
    for (const std::filesystem::path& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    if (::stat(folder.c_str(), &st) != 0)
        return false;
    errno = S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    return S_ISDIR(st.st_mode);
}

std::filesystem::path programDataFolder()
{
    return programFolder(xdgBaseFolder("XDG_DATA_HOME", std::filesystem::path(".local") / "share"));
}
