#include "sensors/calibration.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double KelvinOffset = 273.15; // the same offset the display subtracts
constexpr double MaxReading = 65535;
constexpr double GivenBack = 0.005;

// The solve runs in extended precision where the platform has it, so that the shortest text of
// each coefficient is also its correctly rounded value.
using Wide = long double;

std::string point(std::size_t index)
{
    return "Point " + std::to_string(index + 1);
}

std::string pair(std::size_t i, std::size_t j)
{
    return "Points " + std::to_string(i + 1) + " and " + std::to_string(j + 1);
}

Wide kelvinOf(double temperature, bool fahrenheit)
{
    const Wide celsius = fahrenheit ? (Wide(temperature) - 32) * 5 / 9 : Wide(temperature);
    return celsius + KelvinOffset;
}

double inScale(double kelvin, bool fahrenheit)
{
    const double celsius = kelvin - KelvinOffset;
    return fahrenheit ? celsius * 9 / 5 + 32 : celsius;
}

std::string checkPoints(std::span<const CalibrationPoint> points, bool fahrenheit)
{
    if (points.size() != 3)
        return "Three points are needed, each a temperature and a reading.";
    for (std::size_t i = 0; i < 3; ++i) {
        const CalibrationPoint& p = points[i];
        if (!(p.reading >= 1 && p.reading <= MaxReading) || p.reading != std::floor(p.reading))
            return point(i) + ": the reading must be a whole number from 1 to 65535.";
        if (!std::isfinite(p.temperature))
            return point(i) + ": the temperature is not a number.";
        if (!(kelvinOf(p.temperature, fahrenheit) > 0))
            return point(i) + ": the temperature lies below absolute zero.";
    }
    const double closest = fahrenheit ? 9 : 5;
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = i + 1; j < 3; ++j) {
            if (points[i].reading == points[j].reading)
                return pair(i, j) + " have the same reading: each point needs its own.";
            if (points[i].temperature == points[j].temperature)
                return pair(i, j) + " have the same temperature: each point needs its own.";
            if (std::fabs(points[i].temperature - points[j].temperature) < closest)
                return pair(i, j) +
                       " are less than 5 °C (9 °F) apart: take the points farther apart.";
        }
    }
    return {};
}

std::string negativeWarning(const Coefficients& k)
{
    std::string names;
    int count = 0;
    for (const auto& [name, value] : {std::pair{"A", k.A}, {"B", k.B}, {"C", k.C}}) {
        if (value >= 0)
            continue;
        names += names.empty() ? "" : " and ";
        names += name;
        ++count;
    }
    if (count == 0)
        return {};
    return names + (count == 1 ? " is" : " are") +
           " negative. That can be right for some thermistors, because the readings are not "
           "resistances; if in doubt, check them and take them again over a wider range of "
           "temperatures.";
}

} // namespace

Calibration calibrate(std::span<const CalibrationPoint> points, Scale scale)
{
    const bool fahrenheit = scale == Scale::Fahrenheit;
    Calibration result;
    result.refusal = checkPoints(points, fahrenheit);
    if (result.refused())
        return result;

    // Solved about m = ln R0 of the first point, in u = ln R - m: Y = a + b u + c (3m u^2 + u^3)
    // is the same curve, with a = A + B m + C m^3 and b = B + 3C m^2. Every difference the solve
    // divides by is taken from the readings and temperatures themselves, never by subtracting
    // two rounded logarithms or reciprocals, so readings close together keep their digits.
    const auto logRatio = [&](std::size_t i, std::size_t j) {
        return std::log1p((Wide(points[i].reading) - points[j].reading) / points[j].reading);
    };
    const Wide toKelvin = fahrenheit ? Wide(5) / 9 : 1;
    std::array<Wide, 3> kelvins{}, u{};
    for (std::size_t i = 0; i < 3; ++i) {
        kelvins[i] = kelvinOf(points[i].temperature, fahrenheit);
        u[i] = logRatio(i, 0);
    }
    const Wide m = std::log(Wide(points[0].reading));
    // (Y_i - Y_0) / u_i, and the same for the cubic term.
    const auto slope = [&](std::size_t i) {
        return (Wide(points[0].temperature) - points[i].temperature) * toKelvin /
               (kelvins[0] * kelvins[i] * u[i]);
    };
    const auto cubicSlope = [&](std::size_t i) { return 3 * m * u[i] + u[i] * u[i]; };
    const Wide c = (slope(2) - slope(1)) / (logRatio(2, 1) * (3 * m + u[1] + u[2]));
    const Wide b = slope(1) - c * cubicSlope(1);
    const Wide a = 1 / kelvins[0];
    const Wide B = b - 3 * c * m * m;
    result.coefficients = {double(a - B * m - c * m * m * m), double(B), double(c)};

    // Rounded to doubles, the coefficients must still give each temperature back to within what
    // two decimals show.
    const Coefficients& k = result.coefficients;
    bool usable = std::isfinite(k.A) && std::isfinite(k.B) && std::isfinite(k.C);
    for (std::size_t i = 0; i < 3 && usable; ++i) {
        const std::optional<double> K = kelvin(points[i].reading, k);
        result.fitted[i] = K ? inScale(*K, fahrenheit) : NAN;
        usable = std::fabs(result.fitted[i] - points[i].temperature) < GivenBack;
    }
    if (!usable) {
        result.refusal = "These points give no usable coefficients (the result is not a finite "
                         "number, or does not give the temperatures back): check the temperatures "
                         "and readings.";
        return result;
    }

    // dY/d ln R = b + c (6m u + 3u^2) is monotonic in ln R (ln R >= 0), so it keeps one sign
    // over the readings exactly when it has no opposite signs at their two ends.
    const auto [low, high] = std::minmax({u[0], u[1], u[2]});
    const auto slopeAt = [&](Wide at) { return b + c * (6 * m * at + 3 * at * at); };
    const Wide lowSlope = slopeAt(low), highSlope = slopeAt(high);
    if ((lowSlope < 0 && highSlope > 0) || (lowSlope > 0 && highSlope < 0)) {
        result.refusal = "With these points the temperature would not move one way only as the "
                         "reading rises: check that each reading belongs to its temperature.";
        return result;
    }
    result.warning = negativeWarning(k);
    return result;
}
