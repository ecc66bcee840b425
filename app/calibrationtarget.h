#pragma once

#include <QString>

// What the calibration window reads from the main window, and where it puts its result.
class CalibrationTarget {
public:
    virtual ~CalibrationTarget() = default;

    // Sensor 1..4's heading (LabelS1..LabelS4) and raw reading (lblRaw1..lblRaw4), as displayed.
    virtual QString sensorHeading(int sensor) const = 0;
    virtual QString rawReading(int sensor) const = 0;
    // The device whose reading sensor 1..4 shows; empty when none is known.
    virtual QString sensorDevice(int /*sensor*/) const { return {}; }
    // op1F.
    virtual bool fahrenheitSelected() const = 0;
    // Into sensor 1..4's coefficient boxes, for the next tick to convert with; nothing is saved.
    virtual void applyCoefficients(int sensor, const QString& a, const QString& b,
                                   const QString& c) = 0;
};
