#pragma once

#include <optional>
#include <string>
#include <string_view>

// How numbers and truth values are written and read as text everywhere in the program.

// Shortest text that reads back to the same number ("1440", "0.5", "-120").
std::string shortestText(double value);
std::string truthText(bool value); // "True" or "False"

// A number typed by the user: surrounding spaces, an optional sign, digits with "." or the
// locale's decimal separator, an optional exponent. No group separators, nan, inf or values
// beyond the range of a double.
std::optional<double> parseNumber(std::string_view text, std::string_view localeDecimalPoint);

// A stored whole number such as a list position ("-1" .. "6").
std::optional<long long> parseWholeNumber(std::string_view text);
// A stored truth value: "True" or "False" in any letter case.
std::optional<bool> parseTruth(std::string_view text);

// An alarm threshold: whole degrees with an optional sign, within what a sensor can show; an
// empty or blank text is no threshold (value reset). False, value untouched, for anything else.
bool parseThreshold(std::string_view text, std::optional<int>& value);
