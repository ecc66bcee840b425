#include "app/folders.h"

#include <cstdlib>

std::filesystem::path dataFolder()
{
    std::filesystem::path base;
    // A relative XDG path is invalid by the XDG rules and is ignored.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        base = data;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "share";
    else
        base = std::filesystem::path(".local") / "share";
    return base / "Norvalde" / "Quorvil4";
}
