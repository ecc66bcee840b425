#include "history/historyview.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>

namespace {

constexpr std::int64_t HourMs = 3'600'000;
constexpr std::int64_t DayMs = 24 * HourMs;

TimeRange clamped(TimeRange range)
{
    const std::int64_t span = std::clamp(range.spanMs(), MinSpanMs, MaxSpanMs);
    if (span != range.spanMs()) {
        const std::int64_t middle = range.fromMs + range.spanMs() / 2;
        range.fromMs = middle - span / 2;
        range.toMs = range.fromMs + span;
    }
    return range;
}

std::string quoted(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

std::string decimal(double value)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    std::string text(buffer, result.ptr);
    return text == "-0.00" ? "0.00" : text;
}

} // namespace

TimeRange chosenRange(RangeChoice choice, std::int64_t nowMs,
                      std::optional<std::pair<std::int64_t, std::int64_t>> extent)
{
    std::int64_t span = HourMs;
    switch (choice) {
    case RangeChoice::Hour:
        break;
    case RangeChoice::Day:
        span = DayMs;
        break;
    case RangeChoice::Week:
        span = 7 * DayMs;
        break;
    case RangeChoice::Month:
        span = 30 * DayMs;
        break;
    case RangeChoice::Year:
        span = 365 * DayMs;
        break;
    case RangeChoice::All:
        if (extent)
            return clamped({extent->first, std::max(nowMs, extent->second + 1)});
        break;
    }
    return {nowMs - span, nowMs};
}

TimeRange zoomed(const TimeRange& range, std::int64_t atMs, double factor)
{
    const double from = double(atMs) - double(atMs - range.fromMs) * factor;
    const double to = double(atMs) + double(range.toMs - atMs) * factor;
    TimeRange out{std::int64_t(std::llround(from)), std::int64_t(std::llround(to))};
    if (out.spanMs() < MinSpanMs || out.spanMs() > MaxSpanMs) {
        // At the limit the point under the pointer still stays put.
        const double wanted = double(std::clamp(out.spanMs(), MinSpanMs, MaxSpanMs));
        const double share =
            range.spanMs() > 0 ? double(atMs - range.fromMs) / range.spanMs() : 0.5;
        out.fromMs = std::int64_t(std::llround(double(atMs) - share * wanted));
        out.toMs = out.fromMs + std::int64_t(wanted);
    }
    return out;
}

TimeRange panned(const TimeRange& range, std::int64_t deltaMs)
{
    return {range.fromMs + deltaMs, range.toMs + deltaMs};
}

HistoryLevel levelFor(const TimeRange& range)
{
    if (range.spanMs() <= 6 * HourMs)
        return HistoryLevel::Tick;
    if (range.spanMs() <= 10 * DayMs)
        return HistoryLevel::Minute;
    return HistoryLevel::Hour;
}

bool joined(const HistoryPoint& a, const HistoryPoint& b)
{
    // One tick lost to a busy moment is no gap; a whole minute or hour without a tick is.
    return b.unixMs - a.unixMs <= std::max(a.spanMs, b.spanMs) * 3 / 2 + 1000;
}

double inScale(double centiCelsius, bool fahrenheit)
{
    const double celsius = centiCelsius / 100;
    return fahrenheit ? celsius * 9 / 5 + 32 : celsius;
}

std::array<std::optional<SensorFigures>, 4> sensorFigures(const std::vector<HistoryPoint>& points,
                                                          bool fahrenheit)
{
    std::array<std::optional<SensorFigures>, 4> figures;
    for (std::size_t i = 0; i < 4; ++i) {
        std::int64_t count = 0;
        double sum = 0;
        const HistoryPoint::Value* low = nullptr;
        const HistoryPoint::Value* high = nullptr;
        std::int64_t lowAt = 0;
        std::int64_t highAt = 0;
        for (const HistoryPoint& p : points) {
            const HistoryPoint::Value& v = p.sensors[i];
            if (v.count == 0)
                continue;
            count += v.count;
            sum += double(v.sum);
            if (!low || v.min < low->min) {
                low = &v;
                lowAt = p.unixMs;
            }
            if (!high || v.max > high->max) {
                high = &v;
                highAt = p.unixMs;
            }
        }
        if (count == 0)
            continue;
        figures[i] = SensorFigures{inScale(low->min, fahrenheit), inScale(sum / count, fahrenheit),
                                   inScale(high->max, fahrenheit), lowAt, highAt};
    }
    return figures;
}

std::string isoLocalTime(std::int64_t unixMs)
{
    const std::time_t seconds = std::time_t(unixMs / 1000 - (unixMs % 1000 < 0));
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff;
    const int minutes = int(std::labs(offset) / 60 % (24 * 60));
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return std::string(text) + zone;
}

std::string historyCsv(const std::vector<HistoryPoint>& points,
                       const std::array<std::string, 4>& names, const std::array<bool, 4>& chosen,
                       bool fahrenheit)
{
    std::string out = "Time";
    for (std::size_t i = 0; i < 4; ++i)
        if (chosen[i])
            out += "," + quoted(names[i]);
    out += "\r\n";
    for (const HistoryPoint& p : points) {
        out += isoLocalTime(p.unixMs);
        for (std::size_t i = 0; i < 4; ++i) {
            if (!chosen[i])
                continue;
            out += ',';
            const HistoryPoint::Value& v = p.sensors[i];
            if (v.count > 0)
                out += decimal(inScale(double(v.sum) / v.count, fahrenheit));
        }
        out += "\r\n";
    }
    return out;
}
