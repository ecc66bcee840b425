#include "util/textforms.h"

#include "util/text.h"

#include <charconv>
#include <cmath>
#include <system_error>

std::string shortestText(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string truthText(bool value)
{
    return value ? "True" : "False";
}

std::optional<double> parseNumber(std::string_view text, std::string_view localeDecimalPoint)
{
    const std::string_view source = trimmed(text, SpacesAndTabs);
    const bool ownSeparator = !localeDecimalPoint.empty() && localeDecimalPoint != ".";
    std::string plain;
    plain.reserve(source.size());
    for (std::size_t at = 0; at < source.size();) {
        if (ownSeparator && source.substr(at).starts_with(localeDecimalPoint)) {
            plain += '.';
            at += localeDecimalPoint.size();
        } else {
            plain += source[at++];
        }
    }
    std::string_view digits = plain;
    // from_chars takes a minus sign but no plus sign.
    if (digits.starts_with('+') && !digits.substr(1).starts_with('-'))
        digits.remove_prefix(1);
    if (digits.empty())
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                              std::chars_format::general);
    if (error != std::errc{} || end != digits.data() + digits.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> parseWholeNumber(std::string_view text)
{
    std::string_view digits = trimmed(text, SpacesAndTabs);
    if (digits.starts_with('+'))
        digits.remove_prefix(1);
    if (digits.empty())
        return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

std::optional<bool> parseTruth(std::string_view text)
{
    text = trimmed(text, SpacesAndTabs);
    if (equalsIgnoringAsciiCase(text, "True"))
        return true;
    if (equalsIgnoringAsciiCase(text, "False"))
        return false;
    return std::nullopt;
}

bool parseThreshold(std::string_view text, std::optional<int>& value)
{
    if (trimmed(text, SpacesAndTabs).empty()) {
        value.reset();
        return true;
    }
    const std::optional<long long> number = parseWholeNumber(text);
    if (!number || *number < -32768 || *number > 32767)
        return false;
    value = int(*number);
    return true;
}
