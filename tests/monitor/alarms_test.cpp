#include "monitor/alarms.h"

#include <gtest/gtest.h>

using Side = AlarmWatch::Side;
using State = AlarmWatch::State;
constexpr auto C = Scale::Celsius;
constexpr auto F = Scale::Fahrenheit;

// Tick by tick: minimum and maximum follow the ticks that count and start afresh at a reset or a
// change of scale; above High or below Low goes off once, and is over a whole degree back inside.
TEST(AlarmWatch, followsTheTicksThatCountAndGoesOffOncePerCrossing)
{
    AlarmWatch watch;
    watch.setThreshold(1, Side::High, -15, C); // 5 F
    watch.setThreshold(1, Side::Low, -25, C);  // -13 F
    const struct {
        std::optional<int> t;
        Scale scale;
        bool reset;
        int minimum, maximum;
        State state;
        const char* events; // as the console writes them
    } ticks[] = {
        {-20, C, false, -20, -20, State::Ok, ""},
        {std::nullopt, C, false, -20, -20, State::Ok, ""},
        {-15, C, false, -20, -15, State::Ok, ""},
        {-12, C, false, -20, -12, State::High, "alarm: Freezer -12 above -15"},
        {-15, C, false, -20, -12, State::High, ""}, // on the threshold: still on
        {-16, C, false, -20, -12, State::Ok, "alarm over: Freezer -16"},
        {-14, C, false, -20, -12, State::High, "alarm: Freezer -14 above -15"},
        {-30, C, false, -30, -12, State::Low,
         "alarm over: Freezer -30; alarm: Freezer -30 below -25"},
        {-25, C, false, -30, -12, State::Low, ""},
        {-24, C, true, -24, -24, State::Ok, "alarm over: Freezer -24"},
        {23, F, false, 23, 23, State::High, "alarm: Freezer 23 above 5"},
        {std::nullopt, Scale::None, false, 23, 23, State::High, ""},
        {4, F, false, 4, 23, State::Ok, "alarm over: Freezer 4"},
        {6, F, false, 4, 23, State::High, "alarm: Freezer 6 above 5"},
    };
    std::optional<int> current;
    for (const auto& tick : ticks) {
        SCOPED_TRACE(&tick - ticks);
        if (tick.reset)
            watch.reset();
        std::string lines;
        for (const AlarmWatch::Event& event : watch.observe(1, tick.t, tick.scale))
            lines += (lines.empty() ? "" : "; ") + alarmLine(event, "Freezer");
        current = tick.t ? tick.t : current;
        const AlarmWatch::Sensor& s = watch.sensor(1);
        EXPECT_EQ(lines, tick.events);
        EXPECT_EQ(s.state, tick.state);
        EXPECT_EQ(s.current, current);
        EXPECT_EQ(s.minimum, tick.minimum);
        EXPECT_EQ(s.maximum, tick.maximum);
    }
    EXPECT_FALSE(watch.sensor(2).minimum); // the other sensors saw nothing
    // A threshold taken away ends its alarm at the next tick.
    watch.setThreshold(1, Side::High, std::nullopt, F);
    EXPECT_TRUE(watch.observe(1, 6, F).at(0).over);
}

// Thresholds convert from the scale they were typed in, so switching never moves them; typing
// in the other scale takes the others over as they were shown.
TEST(AlarmWatch, thresholdsConvertFromTheirTypedScaleWithoutDrift)
{
    AlarmWatch watch;
    watch.setThreshold(1, Side::High, 1, C);
    watch.setThreshold(2, Side::Low, -18, C);
    EXPECT_EQ(watch.threshold(1, Side::High, F), 34); // 33.8
    EXPECT_EQ(watch.threshold(2, Side::Low, F), 0);   // -0.4
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
