#include "sensors/conversion.h"

#include <gtest/gtest.h>

constexpr Scale C = Scale::Celsius;
constexpr Scale F = Scale::Fahrenheit;
constexpr int None = 3; // offset list position of "None"

TEST(Conversion, workedExamplesHalvesToEvenAndOnlySixteenBitValues)
{
    // Offset positions -1 (nothing chosen) and 7 (beyond the list) count as no offset.
    const struct {
        double raw;
        int offsetPosition, celsius, fahrenheit;
    } rows[] = {{0, None, 464, 868},   {1, None, 464, 868},  {1000, None, 90, 194},
                {10000, None, 33, 91}, {32767, None, 9, 48}, {65535, None, -4, 25},
                {10000, 0, 36, 94},    {10000, 6, 30, 88},   {10000, -1, 33, 91},
                {10000, 7, 33, 91}};
    for (const auto& r : rows) {
        EXPECT_EQ(displayedTemperature(r.raw, {}, C, r.offsetPosition), r.celsius) << r.raw;
        EXPECT_EQ(displayedTemperature(r.raw, {}, F, r.offsetPosition), r.fahrenheit) << r.raw;
    }
    EXPECT_FALSE(displayedTemperature(10000, {}, Scale::None, None));
    EXPECT_TRUE(isUnplugged(0.5));
    EXPECT_FALSE(isUnplugged(1));

    // A alone (a reading of 0) gives exactly 20.5 and 21.5 degrees Celsius; halves round to
    // even before the offset.
    EXPECT_EQ(displayedTemperature(0, {1 / 293.65, 0, 0}, C, None), 20);
    EXPECT_EQ(displayedTemperature(0, {1 / 293.65, 0, 0}, C, 2), 21);
    EXPECT_EQ(displayedTemperature(0, {1 / 294.65, 0, 0}, C, None), 22);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(-32768.5), -32768);
    EXPECT_FALSE(roundHalfEven(32767.5));
    // Zero denominator, for a reading and for an unplugged sensor; beyond 16 bits.
    EXPECT_FALSE(displayedTemperature(10000, {0, 0, 0}, C, None));
    EXPECT_FALSE(displayedTemperature(0, {1e-9, 0, 0}, C, None));
    // At the edge of the range the offset must not push it past.
    const Coefficients edge{1 / (32767 + 273.15), 0, 0};
    EXPECT_EQ(displayedTemperature(0, edge, C, None), 32767);
    EXPECT_FALSE(displayedTemperature(0, edge, C, 0));
    // A negative denominator is shown as it comes.
    EXPECT_EQ(displayedTemperature(0, {-0.01, 0, 0}, C, None), -373);
}
