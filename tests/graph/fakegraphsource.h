#pragma once

#include "graph/graphsource.h"

#include <array>

// The main window as the graph sees it: four bare labels and the two scale options.
struct FakeGraphSource final : GraphSource {
    std::array<QString, 4> labels; // lblS1..lblS4
    bool fahrenheit = false;
    bool celsius = true;

    QString bareTemperature(int sensor) const override { return labels.at(sensor - 1); }
    bool fahrenheitSelected() const override { return fahrenheit; }
    bool celsiusSelected() const override { return celsius; }
};
