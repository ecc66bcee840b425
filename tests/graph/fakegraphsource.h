#pragma once

#include "graph/graphsource.h"
#include "sensors/conversion.h"

#include <array>

// The main window as the graph sees it: four bare labels and the scale options.
struct FakeGraphSource final : GraphSource {
    std::array<QString, 4> labels; // lblS1..lblS4
    Scale scale = Scale::Celsius;  // None: neither option selected

    QString bareTemperature(int sensor) const override { return labels.at(sensor - 1); }
    bool fahrenheitSelected() const override { return scale == Scale::Fahrenheit; }
    bool celsiusSelected() const override { return scale == Scale::Celsius; }
};
