#pragma once

#include <QString>

// What the graph reads from the main window at every tick.
class GraphSource {
public:
    virtual ~GraphSource() = default;

    // The bare temperature label of sensor 1..4 (lblS1..lblS4), as displayed.
    virtual QString bareTemperature(int sensor) const = 0;
    // op1F and op1C.
    virtual bool fahrenheitSelected() const = 0;
    virtual bool celsiusSelected() const = 0;
};
