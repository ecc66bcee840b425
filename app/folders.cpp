#include "app/folders.h"

#include "util/userfolders.h"

std::filesystem::path dataFolder()
{
    return programDataFolder();
}
