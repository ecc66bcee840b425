#pragma once

#include <string_view>

// Small text helpers for ASCII text. The callers name the blanks they trim, because they differ:
// a setting's name trims spaces only, a typed number spaces and tabs, a line of the settings
// file a carriage return as well.

inline constexpr std::string_view Spaces = " ";
inline constexpr std::string_view SpacesAndTabs = " \t";

inline std::string_view trimmed(std::string_view text, std::string_view blanks)
{
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

inline char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Equal but for the case of ASCII letters, as registry names and truth words compare.
inline bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}
