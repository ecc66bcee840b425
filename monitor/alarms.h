#pragma once

#include "sensors/conversion.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// Minimum, maximum and high and low alarms of the four sensors, fed the temperature each sensor
// shows at each tick. Thresholds are whole degrees, kept in the scale they were typed in and
// converted from there whenever the other scale is in use, so switching back and forth never
// moves them.
class AlarmWatch final {
public:
    enum class Side { High, Low };
    enum class State { Ok, High, Low };

    struct Sensor {
        std::optional<int> current; // the last temperature that counted
        std::optional<int> minimum;
        std::optional<int> maximum;
        Scale seenIn = Scale::None; // of current, minimum and maximum
        State state = State::Ok;
    };

    // An alarm going off or being over.
    struct Event {
        int sensor = 1; // 1..4
        bool over = false;
        Side side = Side::High;
        int temperature = 0;
        int threshold = 0; // in the scale of the temperature
    };

    // Thresholds as typed, and the scale they were typed in.
    struct Thresholds {
        std::array<std::optional<int>, 4> high;
        std::array<std::optional<int>, 4> low;
        Scale typedIn = Scale::Celsius;

        bool operator==(const Thresholds&) const = default;
    };

    const Sensor& sensor(int sensor) const { return m_sensors[sensor - 1]; }
    const Thresholds& thresholds() const { return m_thresholds; }
    // Thresholds as stored: they count as saved.
    void setThresholds(const Thresholds& thresholds) { m_thresholds = m_saved = thresholds; }
    // Whether thresholds have changed since they were set from or saved to the store.
    bool unsaved() const { return m_thresholds != m_saved; }
    void markSaved() { m_saved = m_thresholds; }

    // A threshold as it is shown and used in the given scale (Celsius or Fahrenheit).
    std::optional<int> threshold(int sensor, Side side, Scale scale) const;
    // Sets a threshold typed in the given scale. Typing in the other scale than the thresholds
    // were typed in takes the others over in this scale, as they were shown.
    void setThreshold(int sensor, Side side, std::optional<int> value, Scale typedIn);

    // One tick of a sensor: the temperature it shows when the tick counts (its joystick
    // answered, its reading was connected and the conversion wrote it), none otherwise. Returns
    // the alarms that are over and that go off at this tick, in that order.
    std::vector<Event> observe(int sensor, std::optional<int> temperature, Scale scale);
    // Minimum and maximum start afresh from the next tick that counts.
    void reset();

private:
    std::array<Sensor, 4> m_sensors;
    Thresholds m_thresholds;
    Thresholds m_saved;
};

// Whole degrees of one scale in the other, rounded half to even.
int convertDegrees(int degrees, Scale from, Scale to);

// What the console mode writes when an alarm goes off or is over:
// "alarm: Freezer -12 above -15", "alarm over: Freezer -16".
std::string alarmLine(const AlarmWatch::Event& event, const std::string& name);
