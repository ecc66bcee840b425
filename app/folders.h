#pragma once

#include <filesystem>

// The program's data folder, where the log lives: $XDG_DATA_HOME/Norvalde/Quorvil4
// (XDG_DATA_HOME defaults to ~/.local/share). Not created here.
std::filesystem::path dataFolder();
