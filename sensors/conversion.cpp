#include "sensors/conversion.h"

#include <cmath>
#include <limits>

int offsetForPosition(int position)
{
    return position >= 0 && position <= 6 ? 3 - position : 0;
}

bool isUnplugged(double raw)
{
    return raw < 1;
}

std::optional<double> kelvin(double raw, const Coefficients& k)
{
    double L = 0;
    double L3 = 0;
    if (!isUnplugged(raw)) {
        L = std::log(raw);
        L3 = L * L * L;
    }
    const double D = (L * k.B + k.A) + L3 * k.C;
    if (D == 0 || !std::isfinite(D))
        return std::nullopt;
    const double K = 1 / D;
    if (!std::isfinite(K))
        return std::nullopt;
    return K;
}

std::optional<std::int16_t> roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // nearbyint honours the default rounding mode, which is to nearest, halves to even.
    const double whole = std::nearbyint(value);
    if (whole < std::numeric_limits<std::int16_t>::min() ||
        whole > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(whole);
}

std::optional<Temperature> convertTemperature(double raw, const Coefficients& coefficients,
                                              Scale scale, int offsetPosition)
{
    if (scale == Scale::None)
        return std::nullopt;
    const std::optional<double> K = kelvin(raw, coefficients);
    if (!K)
        return std::nullopt;
    double t = *K - 273.15;
    if (scale == Scale::Fahrenheit)
        t = t * 9 / 5 + 32;
    const std::optional<std::int16_t> rounded = roundHalfEven(t);
    if (!rounded)
        return std::nullopt;
    // The offset may push an extreme value past the 16-bit range as well.
    const int offset = offsetForPosition(offsetPosition);
    const int shown = *rounded + offset;
    if (shown < std::numeric_limits<std::int16_t>::min() ||
        shown > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    const double step = scale == Scale::Fahrenheit ? 5.0 / 9.0 : 1.0;
    return Temperature{static_cast<std::int16_t>(shown), *K - 273.15 + offset * step};
}

std::optional<std::int16_t> displayedTemperature(double raw, const Coefficients& coefficients,
                                                 Scale scale, int offsetPosition)
{
    if (const std::optional<Temperature> t =
            convertTemperature(raw, coefficients, scale, offsetPosition))
        return t->shown;
    return std::nullopt;
}

const char* scaleSuffix(Scale scale)
{
    return scale == Scale::Fahrenheit ? " F" : " C";
}
