#pragma once

#include "settings/regtree.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// A hive as the text of a REGEDIT4 .reg file in UTF-8, rooted at HKEY_CURRENT_USER.
struct ParsedHive {
    RegTree tree;
    // Lines the tree does not carry (malformed, comments, values given again later): a rewrite
    // of the file would lose them.
    std::size_t droppedLines = 0;
};

// Empty text is an empty hive; nullopt when the text is no hive at all (no REGEDIT4 line
// first, or NUL bytes in it). Anything else parses, skipping the lines it cannot read.
std::optional<ParsedHive> parseHive(std::string_view text);

// nullopt when a key name cannot be written (empty, or holding a line break or a backslash).
std::optional<std::string> formatHive(const RegTree& tree);
