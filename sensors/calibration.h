#pragma once

#include "sensors/conversion.h"

#include <array>
#include <span>
#include <string>

// Steinhart-Hart coefficients from three reference points: 1/T = A + B ln R + C (ln R)^3, T in
// kelvin, passing exactly through each point.

struct CalibrationPoint {
    double temperature; // in the scale given to calibrate()
    double reading;     // raw axis reading, a whole number 1..65535
};

struct Calibration {
    // Why these points give nothing to apply; empty when the fit is sound.
    std::string refusal;
    // A fit that may be applied but deserves a second look (a negative coefficient).
    std::string warning;
    Coefficients coefficients;
    // The temperature the fit gives back at each point's reading, in the points' scale.
    std::array<double, 3> fitted{};

    bool refused() const { return !refusal.empty(); }
};

// Any scale other than Fahrenheit counts as Celsius.
Calibration calibrate(std::span<const CalibrationPoint> points, Scale scale);
