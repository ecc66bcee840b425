#pragma once

#include "sensors/conversion.h"

#include <QString>
#include <array>

// What the calibration window reads from the main window, and where it puts its result.
class CalibrationTarget {
public:
    virtual ~CalibrationTarget() = default;

    // Sensor 1..4's heading (LabelS1..LabelS4) and raw reading (lblRaw1..lblRaw4), as displayed.
    virtual QString sensorHeading(int sensor) const = 0;
    virtual QString rawReading(int sensor) const = 0;
    // The device whose reading sensor 1..4 shows; empty when none is known.
    virtual QString sensorDevice(int /*sensor*/) const { return {}; }
    // Why sensor 1..4's reading may not be taken (its port status); empty when it may.
    virtual QString readingRefusal(int sensor) const = 0;
    // op1F.
    virtual bool fahrenheitSelected() const = 0;
    // Into sensor 1..4's coefficient boxes, for the next tick to convert with; nothing is saved.
    virtual void applyCoefficients(int sensor, const QString& a, const QString& b,
                                   const QString& c) = 0;
};

// What the user typed into the calibration window, per sensor. It outlives the window for as long
// as the program runs, so that a user who takes all four thermistors at each temperature loses
// nothing by choosing another sensor or closing the window.
struct CalibrationSheet {
    struct Point {
        QString temperature;
        QString reading;
    };
    struct Sensor {
        std::array<Point, 3> points;
        Scale scale = Scale::None; // of the temperatures; None until chosen: the main window's
    };
    std::array<Sensor, 4> sensors;
    int shown = 1; // the sensor the window shows
};
