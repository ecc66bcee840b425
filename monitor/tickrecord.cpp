#include "monitor/tickrecord.h"

void TickRecorder::sensorPolled(int sensor, const PortReading& reading, std::uint32_t axisValue,
                                const SensorOutcome& outcome, const AlarmWatch& alarms, Scale scale,
                                std::string name)
{
    SensorRecord& s = m_record.sensors[sensor - 1];
    const bool answered = reading.result == JOYERR_NOERROR;
    s.name = std::move(name);
    s.reading = answered ? std::optional<std::uint32_t>(axisValue) : std::nullopt;
    s.coefficients = outcome.coefficients;
    s.counted = countedTemperature(reading.result, outcome).has_value();
    s.celsius = s.counted ? outcome.celsius : std::nullopt;
    s.shown = s.counted ? outcome.temperature : std::nullopt;
    const AlarmWatch::State state = alarms.sensor(sensor).state;
    const auto side = [&](AlarmWatch::Side which, AlarmWatch::State on) -> std::optional<bool> {
        if (!alarms.threshold(sensor, which, scale))
            return std::nullopt;
        return state == on;
    };
    s.high = side(AlarmWatch::Side::High, AlarmWatch::State::High);
    s.low = side(AlarmWatch::Side::Low, AlarmWatch::State::Low);
    m_record.scale = scale;
    m_record.joystickResults[(sensor - 1) / 2] = static_cast<std::int32_t>(reading.result);
}

void TickRecorder::joystickPolled(int joystick, std::int64_t unixMs)
{
    if (joystick != 1)
        return;
    m_record.unixMs = unixMs;
    for (const std::shared_ptr<TickSink>& sink : m_sinks)
        sink->record(m_record);
}
