#include "monitor/alarms.h"

#include <gtest/gtest.h>

namespace {

using Side = AlarmWatch::Side;
using State = AlarmWatch::State;
constexpr auto C = Scale::Celsius;
constexpr auto F = Scale::Fahrenheit;

} // namespace

// Only ticks that count move the figures; a reset or a change of scale starts them afresh.
TEST(AlarmWatch, minimumAndMaximumFollowCountedTicksAndStartAfresh)
{
    AlarmWatch watch;
    struct Tick {
        std::optional<int> t;
        Scale scale;
        bool reset;
        int current, minimum, maximum;
    };
    const Tick ticks[] = {
        {20, C, false, 20, 20, 20}, {std::nullopt, C, false, 20, 20, 20},
        {25, C, false, 25, 20, 25}, {18, C, false, 18, 18, 25},
        {19, C, true, 19, 19, 19},  {70, F, false, 70, 70, 70},
        {60, F, false, 60, 60, 70}, {std::nullopt, Scale::None, false, 60, 60, 70},
        {16, C, false, 16, 16, 16}};
    for (const Tick& tick : ticks) {
        SCOPED_TRACE(&tick - ticks);
        if (tick.reset)
            watch.reset();
        watch.observe(2, tick.t, tick.scale);
        const AlarmWatch::Sensor& s = watch.sensor(2);
        EXPECT_EQ(s.current, tick.current);
        EXPECT_EQ(s.minimum, tick.minimum);
        EXPECT_EQ(s.maximum, tick.maximum);
    }
    EXPECT_FALSE(watch.sensor(1).minimum); // the other sensors saw nothing
}

// Above High or below Low goes off once; it is over a whole degree back inside.
TEST(AlarmWatch, goesOffOncePerCrossingWithOneDegreeOfHysteresis)
{
    AlarmWatch watch;
    watch.setThreshold(1, Side::High, -15, C);
    watch.setThreshold(1, Side::Low, -25, C);
    struct Tick {
        int t;
        State state;
        const char* event; // what the console would write, "" for none
    };
    const Tick ticks[] = {
        {-20, State::Ok, ""},
        {-15, State::Ok, ""},
        {-12, State::High, "alarm: Freezer -12 above -15"},
        {-11, State::High, ""},
        {-15, State::High, ""}, // on the threshold: still on
        {-16, State::Ok, "alarm over: Freezer -16"},
        {-14, State::High, "alarm: Freezer -14 above -15"},
        {-30, State::Low, "alarm over: Freezer -30; alarm: Freezer -30 below -25"},
        {-25, State::Low, ""},
        {-24, State::Ok, "alarm over: Freezer -24"}};
    for (const Tick& tick : ticks) {
        SCOPED_TRACE(tick.t);
        std::string lines;
        for (const AlarmWatch::Event& event : watch.observe(1, tick.t, C))
            lines += (lines.empty() ? "" : "; ") + alarmLine(event, "Freezer");
        EXPECT_EQ(lines, tick.event);
        EXPECT_EQ(watch.sensor(1).state, tick.state);
    }
    // A threshold taken away ends its alarm at the next tick.
    watch.observe(1, -12, C);
    watch.setThreshold(1, Side::High, std::nullopt, C);
    EXPECT_TRUE(watch.observe(1, -12, C).at(0).over);
}

// Thresholds convert from the scale they were typed in, so switching never moves them; typing
// in the other scale takes the others over as they were shown.
TEST(AlarmWatch, thresholdsConvertFromTheirTypedScaleWithoutDrift)
{
    AlarmWatch watch;
    watch.setThreshold(1, Side::High, 1, C);
    watch.setThreshold(2, Side::Low, -18, C);
    EXPECT_EQ(watch.threshold(1, Side::High, F), 34); // 33.8
    EXPECT_EQ(watch.threshold(2, Side::Low, F), 0); // -0.4
    EXPECT_FALSE(watch.threshold(3, Side::High, F));
    // At 34 F the alarm uses 34, not a rounded-again Celsius figure.
    EXPECT_TRUE(watch.observe(1, 34, F).empty());
    EXPECT_EQ(watch.observe(1, 35, F).at(0).threshold, 34);

    watch.setThreshold(3, Side::High, 100, F);
    EXPECT_EQ(watch.thresholds().typedIn, F);
    EXPECT_EQ(watch.threshold(1, Side::High, C), 1);  // 34 F is 1.1 C
    EXPECT_EQ(watch.threshold(2, Side::Low, C), -18); // 0 F is -17.8 C
    EXPECT_EQ(watch.threshold(3, Side::High, C), 38); // 37.8
}
