#pragma once

#include "history/historystore.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the History window shows, without the window: the stretch of time, how finely it is read,
// which points join into lines, the figures below the plot and the exported text.

struct TimeRange {
    std::int64_t fromMs = 0;
    std::int64_t toMs = 0;
    std::int64_t spanMs() const { return toMs - fromMs; }
    bool operator==(const TimeRange&) const = default;
};

enum class RangeChoice { Hour, Day, Week, Month, Year, All };

// The last hour, day, ... up to now; All covers everything kept (the last hour when nothing is).
TimeRange chosenRange(RangeChoice choice, std::int64_t nowMs,
                      std::optional<std::pair<std::int64_t, std::int64_t>> extent);

constexpr std::int64_t MinSpanMs = 60'000;
constexpr std::int64_t MaxSpanMs = 50LL * 366 * 24 * 3600 * 1000;

// Scaled by factor (below 1 zooms in) around atMs, which stays where it is on the screen.
TimeRange zoomed(const TimeRange& range, std::int64_t atMs, double factor);
// Moved later by deltaMs (earlier when negative).
TimeRange panned(const TimeRange& range, std::int64_t deltaMs);

// Fine enough for a plot, and never so many points that a step is slow.
HistoryLevel levelFor(const TimeRange& range);

// Whether the line runs on from a to b: no gap between them where no program was recording.
bool joined(const HistoryPoint& a, const HistoryPoint& b);

struct SensorFigures {
    double min = 0; // in the scale asked for
    double mean = 0;
    double max = 0;
    std::int64_t minAtMs =
        0; // the first time the minimum was seen (its minute or hour when coarser)
    std::int64_t maxAtMs = 0;
};

// Per sensor over the points, none for a sensor without a counted tick among them.
std::array<std::optional<SensorFigures>, 4> sensorFigures(const std::vector<HistoryPoint>& points,
                                                          bool fahrenheit);

// A temperature in hundredths of a degree Celsius, in the scale asked for.
double inScale(double centiCelsius, bool fahrenheit);

// The points as CSV: a header with the names of the sensors chosen, then per point its local
// time in ISO 8601 with the UTC offset and each sensor's mean, two decimals, empty without one.
std::string historyCsv(const std::vector<HistoryPoint>& points,
                       const std::array<std::string, 4>& names, const std::array<bool, 4>& chosen,
                       bool fahrenheit);

// ISO 8601 local time with its UTC offset, as the system's time zone gives it.
std::string isoLocalTime(std::int64_t unixMs);
