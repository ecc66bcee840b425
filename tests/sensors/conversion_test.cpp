#include "sensors/conversion.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr Scale C = Scale::Celsius;
constexpr Scale F = Scale::Fahrenheit;

} // namespace

TEST(Conversion, workedExamplesInBothScales)
{
    const struct {
        double raw;
        int celsius, fahrenheit;
    } examples[] = {{0, 464, 868},   {1, 464, 868},  {1000, 90, 194},
                    {10000, 33, 91}, {32767, 9, 48}, {65535, -4, 25}};
    for (const auto& e : examples) {
        EXPECT_EQ(displayedTemperature(e.raw, {}, C, 3), e.celsius) << e.raw;
        EXPECT_EQ(displayedTemperature(e.raw, {}, F, 3), e.fahrenheit) << e.raw;
    }
    EXPECT_TRUE(isUnplugged(0.5));
    EXPECT_FALSE(isUnplugged(1));
}

TEST(Conversion, offsetIsAddedAfterRoundingInTheShownScale)
{
    EXPECT_EQ(displayedTemperature(10000, {}, C, 0), 36);
    EXPECT_EQ(displayedTemperature(10000, {}, F, 6), 88);
    // Nothing chosen, or a position beyond the list, counts as no offset.
    EXPECT_EQ(displayedTemperature(10000, {}, C, -1), 33);
    EXPECT_EQ(displayedTemperature(10000, {}, C, 7), 33);
    EXPECT_FALSE(displayedTemperature(10000, {}, Scale::None, 3));
}

TEST(Conversion, onlySoundSixteenBitValuesAreShown)
{
    EXPECT_EQ(roundHalfEven(20.5), 20);
    EXPECT_EQ(roundHalfEven(21.5), 22);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(-32768.5), -32768);
    EXPECT_FALSE(roundHalfEven(32767.5));
    EXPECT_FALSE(roundHalfEven(-32769));
    EXPECT_FALSE(roundHalfEven(std::numeric_limits<double>::quiet_NaN()));

    // Zero denominator, for a reading and for an unplugged sensor.
    EXPECT_FALSE(displayedTemperature(10000, {0, 0, 0}, C, 3));
    EXPECT_FALSE(displayedTemperature(0, {0, 1, 1}, C, 3));
    EXPECT_FALSE(displayedTemperature(0, {1e-9, 0, 0}, C, 3));
    // At the edge of the range the offset must not push it past.
    const Coefficients edge{1 / (32767 + 273.15), 0, 0};
    EXPECT_EQ(displayedTemperature(0, edge, C, 3), 32767);
    EXPECT_FALSE(displayedTemperature(0, edge, C, 0));
    // A negative denominator is shown as it comes.
    EXPECT_EQ(displayedTemperature(0, {-0.01, 0, 0}, C, 3), -373);
}
