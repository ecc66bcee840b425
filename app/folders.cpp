#include "app/folders.h"

#include "util/userfolders.h"

std::filesystem::path dataFolder()
{
    return programFolder(xdgBaseFolder("XDG_DATA_HOME", std::filesystem::path(".local") / "share"));
}
