#include "settings/hivefile.h"

#include <cstdlib>

HiveFileRegistry::HiveFileRegistry(std::filesystem::path file) : m_file(std::move(file)) {}

// Not written yet: every call fails, so reads give their defaults and writes report false.
long HiveFileRegistry::transact(Access access, const std::function<long(RegTree&, bool&)>&)
{
    return access == Access::Read ? reg::CantRead : reg::CantWrite;
}

std::filesystem::path defaultHivePath()
{
    std::filesystem::path base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        base = config;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".config";
    else
        base = ".config";
    return base / "Norvalde" / "Quorvil4" / "user.reg";
}
