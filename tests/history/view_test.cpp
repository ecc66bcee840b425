#include "history/historyview.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <sstream>

namespace {

constexpr std::int64_t Now = 1'796'000'400'000;
constexpr std::int64_t HourMs = 3'600'000;

HistoryPoint point(std::int64_t unixMs, std::int64_t spanMs, std::array<std::int32_t, 4> centi,
                   std::int32_t count = 1)
{
    HistoryPoint p;
    p.unixMs = unixMs;
    p.spanMs = spanMs;
    for (std::size_t i = 0; i < 4; ++i)
        if (count > 0)
            p.sensors[i] = {count, centi[i] - 50, centi[i] + 50, std::int64_t(centi[i]) * count};
    return p;
}

// The system's time zone for one test, put back afterwards.
class TimeZone {
public:
    explicit TimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZone()
    {
        if (m_old)
            ::setenv("TZ", m_old->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> m_old;
};

} // namespace

TEST(HistoryView, rangesEndNowAndChooseRowsFineEnoughForTheirSpan)
{
    EXPECT_EQ(chosenRange(RangeChoice::Hour, Now, std::nullopt), (TimeRange{Now - HourMs, Now}));
    EXPECT_EQ(chosenRange(RangeChoice::Week, Now, std::nullopt).spanMs(), 7 * 24 * HourMs);
    EXPECT_EQ(chosenRange(RangeChoice::All, Now, std::pair{Now - 900 * 24 * HourMs, Now - 5}),
              (TimeRange{Now - 900 * 24 * HourMs, Now}));

    EXPECT_EQ(levelFor(chosenRange(RangeChoice::Hour, Now, {})), HistoryLevel::Tick);
    EXPECT_EQ(levelFor(chosenRange(RangeChoice::Day, Now, {})), HistoryLevel::Minute);
    EXPECT_EQ(levelFor(chosenRange(RangeChoice::Week, Now, {})), HistoryLevel::Minute);
    EXPECT_EQ(levelFor(chosenRange(RangeChoice::Month, Now, {})), HistoryLevel::Hour);
}

TEST(HistoryView, zoomKeepsThePointUnderThePointerAndPanMovesBothEnds)
{
    const TimeRange day{Now - 24 * HourMs, Now};
    const std::int64_t at = Now - 6 * HourMs; // three quarters along
    const TimeRange in = zoomed(day, at, 0.5);
    EXPECT_EQ(in.spanMs(), 12 * HourMs);
    EXPECT_EQ(in.fromMs + in.spanMs() * 3 / 4, at);
    EXPECT_EQ(zoomed(in, at, 2.0), day);

    // Never closer than a minute, and the pointer's time stays put there too.
    const TimeRange closest = zoomed(day, at, 1e-9);
    EXPECT_EQ(closest.spanMs(), MinSpanMs);
    EXPECT_EQ(closest.fromMs + closest.spanMs() * 3 / 4, at);

    EXPECT_EQ(panned(day, -HourMs), (TimeRange{day.fromMs - HourMs, day.toMs - HourMs}));
}

TEST(HistoryView, gapsBreakTheLineButALostTickDoesNot)
{
    const HistoryPoint a = point(Now, 1000, {});
    EXPECT_TRUE(joined(a, point(Now + 1000, 1000, {})));
    EXPECT_TRUE(joined(a, point(Now + 2000, 1000, {})));
    EXPECT_FALSE(joined(a, point(Now + 3000, 1000, {})));
    const HistoryPoint minute = point(Now, 60'000, {});
    EXPECT_TRUE(joined(minute, point(Now + 60'000, 60'000, {})));
    EXPECT_FALSE(joined(minute, point(Now + 120'000, 60'000, {})));
    // From the minutes before the oldest tick on to the ticks.
    EXPECT_TRUE(joined(minute, point(Now + 60'000, 1000, {})));
}

TEST(HistoryView, figuresPerSensorWithTheTimesOfTheExtremes)
{
    const std::vector<HistoryPoint> points{
        point(Now, 60'000, {1000, 0, 0, 0}, 60),
        point(Now + 60'000, 60'000, {3000, 0, 0, 0}, 20),
        point(Now + 120'000, 60'000, {-1000, 0, 0, 0}, 20),
        point(Now + 180'000, 60'000, {}, 0),
    };
    const auto celsius = sensorFigures(points, false);
    ASSERT_TRUE(celsius[0]);
    EXPECT_DOUBLE_EQ(celsius[0]->min, -10.5);
    EXPECT_DOUBLE_EQ(celsius[0]->max, 30.5);
    EXPECT_DOUBLE_EQ(celsius[0]->mean, (60 * 10.0 + 20 * 30.0 - 20 * 10.0) / 100);
    EXPECT_EQ(celsius[0]->minAtMs, Now + 120'000);
    EXPECT_EQ(celsius[0]->maxAtMs, Now + 60'000);

    const auto fahrenheit = sensorFigures(points, true);
    EXPECT_DOUBLE_EQ(fahrenheit[0]->min, -10.5 * 9 / 5 + 32);
    EXPECT_TRUE(sensorFigures({points[3]}, false)[0] == std::nullopt);
}

TEST(HistoryView, csvReadsBackWithNamesOffsetsAndScale)
{
    TimeZone zone("EST5EDT,M3.2.0,M11.1.0");
    std::vector<HistoryPoint> points{point(Now, 1000, {2126, -300, 5, 0}),
                                     point(Now + 1000, 1000, {2127, 0, 0, 0}, 0)};
    const std::string csv = historyCsv(points, {"Freezer, top", "Say \"hi\"", "C", "D"},
                                       {true, true, true, false}, true);
    std::istringstream lines(csv);
    std::string header, first, second, rest;
    std::getline(lines, header);
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_FALSE(std::getline(lines, rest));
    EXPECT_EQ(header, "Time,\"Freezer, top\",\"Say \"\"hi\"\"\",C\r");
    // 01:00 UTC on 30 November 2026 is 20:00 the evening before in New York.
    EXPECT_EQ(first, "2026-11-29T20:00:00-05:00,70.27,26.60,32.09\r");
    EXPECT_EQ(second, "2026-11-29T20:00:01-05:00,,,\r");
    EXPECT_EQ(isoLocalTime(Now - 150LL * 24 * HourMs).substr(19), "-04:00");
}
