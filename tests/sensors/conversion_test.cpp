#include "sensors/conversion.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

struct Example {
    double raw;
    int celsius;
    int fahrenheit;
};

} // namespace

TEST(Conversion, workedExamplesInBothScales)
{
    const Example examples[] = {
        {0, 464, 868},   {1, 464, 868},  {1000, 90, 194},
        {10000, 33, 91}, {32767, 9, 48}, {65535, -4, 25},
    };
    for (const Example& e : examples) {
        SCOPED_TRACE(e.raw);
        EXPECT_EQ(displayedTemperature(e.raw, {}, Scale::Celsius, 3), e.celsius);
        EXPECT_EQ(displayedTemperature(e.raw, {}, Scale::Fahrenheit, 3), e.fahrenheit);
    }
}

TEST(Conversion, offsetIsAddedAfterRoundingInTheShownScale)
{
    EXPECT_EQ(displayedTemperature(10000, {}, Scale::Celsius, 0), 36);
    EXPECT_EQ(displayedTemperature(10000, {}, Scale::Fahrenheit, 0), 94);
    EXPECT_EQ(displayedTemperature(10000, {}, Scale::Celsius, 6), 30);
    EXPECT_EQ(displayedTemperature(10000, {}, Scale::Fahrenheit, 6), 88);
    // Nothing chosen, or a position beyond the list, counts as no offset.
    EXPECT_EQ(displayedTemperature(10000, {}, Scale::Celsius, -1), 33);
    EXPECT_EQ(displayedTemperature(10000, {}, Scale::Celsius, 7), 33);
}

TEST(Conversion, noScaleGivesNoTemperature)
{
    EXPECT_FALSE(displayedTemperature(10000, {}, Scale::None, 3));
}

TEST(Conversion, roundsHalfToEvenWithinSixteenBits)
{
    EXPECT_EQ(roundHalfEven(20.5), 20);
    EXPECT_EQ(roundHalfEven(21.5), 22);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(20.49), 20);
    EXPECT_EQ(roundHalfEven(32767.4), 32767);
    EXPECT_EQ(roundHalfEven(-32768.5), -32768);
    EXPECT_FALSE(roundHalfEven(32767.5));
    EXPECT_FALSE(roundHalfEven(-32769));
    EXPECT_FALSE(roundHalfEven(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(roundHalfEven(std::numeric_limits<double>::infinity()));
}

TEST(Conversion, temperatureWithoutSoundValueGivesNothing)
{
    // Zero denominator, for a reading and for an unplugged sensor.
    EXPECT_FALSE(displayedTemperature(10000, {0, 0, 0}, Scale::Celsius, 3));
    EXPECT_FALSE(displayedTemperature(0, {0, 1, 1}, Scale::Celsius, 3));
    // Kelvin so large that the degrees leave the 16-bit range.
    EXPECT_FALSE(displayedTemperature(0, {1e-9, 0, 0}, Scale::Celsius, 3));
    EXPECT_FALSE(displayedTemperature(0, {1e-30, 0, 0}, Scale::Fahrenheit, 3));
}

TEST(Conversion, offsetCannotPushPastSixteenBits)
{
    const Coefficients edge{1 / (32767 + 273.15), 0, 0};
    EXPECT_EQ(displayedTemperature(0, edge, Scale::Celsius, 3), 32767);
    EXPECT_EQ(displayedTemperature(0, edge, Scale::Celsius, 6), 32764);
    EXPECT_FALSE(displayedTemperature(0, edge, Scale::Celsius, 0));
}

TEST(Conversion, negativeDenominatorIsShownUnchecked)
{
    EXPECT_EQ(displayedTemperature(0, {-0.01, 0, 0}, Scale::Celsius, 3), -373);
}

TEST(Conversion, unpluggedBelowOne)
{
    EXPECT_TRUE(isUnplugged(0));
    EXPECT_TRUE(isUnplugged(0.5));
    EXPECT_FALSE(isUnplugged(1));
}
