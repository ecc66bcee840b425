#pragma once

#include <filesystem>

// A per-user base folder by the XDG rules: the variable when it holds an absolute path, else the
// fallback under the home folder (HOME, or the password database's entry).
std::filesystem::path xdgBaseFolder(const char* variable, const std::filesystem::path& underHome);

// The program's own folder under such a base: <base>/Norvalde/Quorvil4.
std::filesystem::path programFolder(const std::filesystem::path& base);

// Where the program keeps its files: <XDG_DATA_HOME or ~/.local/share>/Norvalde/Quorvil4.
std::filesystem::path programDataFolder();

// Makes folder and any missing folder above it, each private to the user (0700), as the base
// directory specification asks. False, with errno set, when that fails or a non-folder is there.
bool makePrivateFolders(const std::filesystem::path& folder);
