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

// Empty text is an empty hive. The first line that is neither blank nor a ';' comment must be
// "REGEDIT4" or "Windows Registry Editor Version 5.00"; text in UTF-16LE with a byte-order mark
// is read as well. Without such a header, or with NUL bytes in the text, it is no hive (nullopt).
// Anything else parses, skipping the lines it cannot read, those not in UTF-8 among them.
std::optional<ParsedHive> parseHive(std::string_view text);

// nullopt when a key name cannot be written (empty, or holding a line break or a backslash).
std::optional<std::string> formatHive(const RegTree& tree);
