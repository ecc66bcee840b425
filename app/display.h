#pragma once

#include <optional>
#include <string>

// Why the window program has no display to open, in one line; none when it has one, or when the
// toolkit is told to draw somewhere that needs none (QT_QPA_PLATFORM=offscreen and the like).
// Asked before the toolkit starts, which would otherwise abort.
std::optional<std::string> displayProblem();
