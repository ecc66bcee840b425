#pragma once

#include <array>
#include <optional>
#include <string>

class registry;

// The stored preferences as values: what the setup controls hold, and what the console mode
// works from when there are no controls.
struct Preferences {
    struct Sensor {
        std::string name;
        std::string heading;                     // loaded, never saved
        std::array<std::string, 3> coefficients; // A, B, C as typed
        int offset = -1;                         // offset list position, -1 for none
    };
    std::array<Sensor, 4> sensors;
    int interval = -1; // logging interval list position, -1 for none
    bool celsius = true;
    bool fahrenheit = false;
};

// The values before anything is loaded: the design's names and default coefficients, no offset
// and no interval chosen, Celsius.
Preferences designPreferences();

// Reads every stored preference over the given values. A missing key, or a stored text the
// value cannot take, leaves that value as it is. The scale choices behave as one option group:
// Celsius is read first, so a stored pair that selects both ends in Fahrenheit.
void loadPreferences(registry& store, Preferences& preferences);
// Writes the 23 preferences in one batch, never the headings or the window position. The reason
// for the user when a write fails.
std::optional<std::string> savePreferences(registry& store, const Preferences& preferences);

// The alarm thresholds as stored: whole degrees per sensor (none for no alarm on that side), and
// whether they were typed in Fahrenheit.
struct StoredAlarms {
    std::array<std::optional<int>, 4> high;
    std::array<std::optional<int>, 4> low;
    bool fahrenheit = false;
};
// A stored text that is no threshold counts as none.
StoredAlarms loadAlarms(registry& store);
// In one batch; the reason for the user when a write fails.
std::optional<std::string> saveAlarms(registry& store, const StoredAlarms& alarms);

// Whether the user records the history, as the settings say.
bool historyWanted(registry& store);
