#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Thermistor readings to whole degrees by the Steinhart-Hart equation.

struct Coefficients {
    double A = 0.001355699;
    double B = 0.000196433;
    double C = 0.000000130;
};

enum class Scale { Celsius, Fahrenheit, None };

// Offset list position 0..6 means +3..-3 degrees; anything else (-1: nothing chosen) means 0.
int offsetForPosition(int position);

// A reading below 1 means the thermistor is not connected.
bool isUnplugged(double raw);

// Kelvin for a raw axis reading; none when the denominator is 0 or the result is not finite.
std::optional<double> kelvin(double raw, const Coefficients& coefficients);

// Nearest whole number, halves to even; none outside the signed 16-bit range.
std::optional<std::int16_t> roundHalfEven(double value);

// A sensor's temperature: as displayed, in whole degrees of the scale with the offset; and in
// Celsius before rounding, for passing on, where an offset chosen while Fahrenheit is shown counts
// 5/9 of a degree per step.
struct Temperature {
    std::int16_t shown = 0;
    double celsius = 0;
};
// None when no sound value exists (scale None, bad denominator, or a displayed value beyond the
// signed 16-bit range).
std::optional<Temperature> convertTemperature(double raw, const Coefficients& coefficients,
                                              Scale scale, int offsetPosition);
std::optional<std::int16_t> displayedTemperature(double raw, const Coefficients& coefficients,
                                                 Scale scale, int offsetPosition);

// " C" or " F".
const char* scaleSuffix(Scale scale);
