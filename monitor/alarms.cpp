#include "monitor/alarms.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int Hysteresis = 1;

} // namespace

int convertDegrees(int degrees, Scale from, Scale to)
{
    if (from == to || from == Scale::None || to == Scale::None)
        return degrees;
    const double value =
        to == Scale::Fahrenheit ? degrees * 9.0 / 5.0 + 32 : (degrees - 32) * 5.0 / 9.0;
    return static_cast<int>(std::nearbyint(value));
}

std::optional<int> AlarmWatch::threshold(int sensor, Side side, Scale scale) const
{
    const auto& typed = side == Side::High ? m_thresholds.high : m_thresholds.low;
    if (!typed[sensor - 1])
        return std::nullopt;
    return convertDegrees(*typed[sensor - 1], m_thresholds.typedIn, scale);
}

void AlarmWatch::setThreshold(int sensor, Side side, std::optional<int> value, Scale typedIn)
{
    if (typedIn != m_thresholds.typedIn && typedIn != Scale::None) {
        for (auto* sides : {&m_thresholds.high, &m_thresholds.low})
            for (std::optional<int>& t : *sides)
                if (t)
                    t = convertDegrees(*t, m_thresholds.typedIn, typedIn);
        m_thresholds.typedIn = typedIn;
    }
    (side == Side::High ? m_thresholds.high : m_thresholds.low)[sensor - 1] = value;
}

std::vector<AlarmWatch::Event> AlarmWatch::observe(int sensor, std::optional<int> temperature,
                                                   Scale scale)
{
    Sensor& s = m_sensors[sensor - 1];
    if (!temperature || scale == Scale::None)
        return {};
    const int t = *temperature;
    if (scale != s.seenIn || !s.minimum) {
        s.minimum = s.maximum = t;
        s.seenIn = scale;
    }
    s.current = t;
    s.minimum = std::min(*s.minimum, t);
    s.maximum = std::max(*s.maximum, t);

    std::vector<Event> events;
    const std::optional<int> high = threshold(sensor, Side::High, scale);
    const std::optional<int> low = threshold(sensor, Side::Low, scale);
    // Over only a whole degree inside the threshold, so a reading that sits on it does not flap.
    if ((s.state == State::High && (!high || t <= *high - Hysteresis)) ||
        (s.state == State::Low && (!low || t >= *low + Hysteresis))) {
        const Side side = s.state == State::High ? Side::High : Side::Low;
        events.push_back({sensor, true, side, t, (side == Side::High ? high : low).value_or(t)});
        s.state = State::Ok;
    }
    if (s.state != State::High && high && t > *high) {
        s.state = State::High;
        events.push_back({sensor, false, Side::High, t, *high});
    } else if (s.state != State::Low && low && t < *low) {
        s.state = State::Low;
        events.push_back({sensor, false, Side::Low, t, *low});
    }
    return events;
}

void AlarmWatch::reset()
{
    for (Sensor& s : m_sensors)
        s.minimum = s.maximum = std::nullopt;
}

std::string alarmLine(const AlarmWatch::Event& event, const std::string& name)
{
    if (event.over)
        return "alarm over: " + name + " " + std::to_string(event.temperature);
    return "alarm: " + name + " " + std::to_string(event.temperature) +
           (event.side == AlarmWatch::Side::High ? " above " : " below ") +
           std::to_string(event.threshold);
}
