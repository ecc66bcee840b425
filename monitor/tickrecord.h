#pragma once

#include "monitor/alarms.h"
#include "monitor/tick.h"
#include "sensors/conversion.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One record of each polling tick, filled alike by the window and the console mode and read by
// everything that passes readings on (metrics, MQTT, the history): nothing past this point
// computes a temperature again.

struct SensorRecord {
    std::string name;                     // as stored: plain text, any characters
    std::optional<std::uint32_t> reading; // the axis reading, while its joystick answers
    bool coefficients = false;            // whether its coefficients are numbers at all
    bool counted = false;                 // the rule of minimum, maximum and alarms
    std::optional<double> celsius;        // before rounding, offset included; only when counted
    std::optional<std::int16_t> shown;    // whole degrees in the scale in use; only when counted
    std::optional<bool> high;             // whether that alarm is on; none without a threshold
    std::optional<bool> low;
};

struct TickRecord {
    std::int64_t unixMs = 0; // when the tick's second poll ended
    Scale scale = Scale::Celsius;
    std::array<std::int32_t, 2> joystickResults{}; // as the status lines show them, signed
    std::array<SensorRecord, 4> sensors;
};

// Something that takes each tick's record. Called on the event loop: it must not block.
class TickSink {
public:
    virtual ~TickSink() = default;
    virtual void record(const TickRecord& tick) = 0;
};

// Builds each tick's record from the two joystick polls and hands it to the sinks once both
// joysticks have been polled.
class TickRecorder final {
public:
    void addSink(std::shared_ptr<TickSink> sink) { m_sinks.push_back(std::move(sink)); }

    // One sensor (1..4) at this poll of its joystick, after the alarms have seen it.
    void sensorPolled(int sensor, const PortReading& reading, std::uint32_t axisValue,
                      const SensorOutcome& outcome, const AlarmWatch& alarms, Scale scale,
                      std::string name);
    // The poll of joystick 0 or 1 ended; after the second one the record goes out.
    void joystickPolled(int joystick, std::int64_t unixMs);

    const TickRecord& last() const { return m_record; }

private:
    std::vector<std::shared_ptr<TickSink>> m_sinks;
    TickRecord m_record;
};
