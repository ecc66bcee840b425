#include "sensors/calibration.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

constexpr Scale C = Scale::Celsius;
constexpr Scale F = Scale::Fahrenheit;

TEST(Calibration, recoversKnownCoefficientsAlsoFromReadingsCloseTogether)
{
    const struct {
        Coefficients k;
        double readings[3];
    } rows[] = {
        {{0.001355699, 0.000196433, 1.3e-7}, {1000, 9000, 60000}},
        // As close as the default sensor may be read with points 5 degrees apart.
        {{0.001355699, 0.000196433, 1.3e-7}, {34000, 20000, 26000}},
        // A steep sensor: readings 1 % apart, where differences of logarithms keep few digits.
        {{-0.05753, 5.8e-3, 1e-6}, {30000, 30300, 30600}},
        {{1.1e-3, 2.4e-4, 5e-8}, {1, 2, 3}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.readings[0]);
        std::vector<CalibrationPoint> points;
        for (const double reading : row.readings) {
            const long double L = std::log((long double)reading);
            const long double Y = row.k.A + row.k.B * L + row.k.C * L * L * L;
            points.push_back({double(1 / Y - 273.15L), reading});
        }
        const Calibration k = calibrate(points, C);
        ASSERT_FALSE(k.refused()) << k.refusal;
        EXPECT_LT(std::fabs(k.coefficients.A / row.k.A - 1), 1e-9) << k.coefficients.A;
        EXPECT_LT(std::fabs(k.coefficients.B / row.k.B - 1), 1e-9) << k.coefficients.B;
        EXPECT_LT(std::fabs(k.coefficients.C / row.k.C - 1), 1e-9) << k.coefficients.C;
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(k.fitted[i], points[i].temperature, 1e-6);
    }
}

TEST(Calibration, refusesWithAReason)
{
    const double nan = std::nan("");
    const struct {
        std::vector<CalibrationPoint> points;
        Scale scale;
        const char* reason; // the start of it; empty for points that must be accepted
    } rows[] = {
        {{{0, 7903}, {10, 5203}}, C, "Three points are needed"},
        {{{0, 7903}, {10, 5203}, {25, 3296}, {40, 2000}}, C, "Three points are needed"},
        {{{0, 7903}, {10, 0}, {25, 3296}}, C, "Point 2: the reading must be a whole number"},
        {{{0, 7903}, {10, 65536}, {25, 3296}}, C, "Point 2: the reading must be a whole number"},
        {{{0, 7903}, {10, 5203.5}, {25, 3296}}, C, "Point 2: the reading must be a whole number"},
        {{{0, 7903}, {10, 5203}, {25, nan}}, C, "Point 3: the reading must be a whole number"},
        {{{nan, 7903}, {10, 5203}, {25, 3296}}, C, "Point 1: the temperature is not a number"},
        {{{-273.15, 7903}, {10, 5203}, {25, 3296}}, C, "Point 1: the temperature lies below"},
        {{{0, 7903}, {10, 5203}, {25, 7903}}, C, "Points 1 and 3 have the same reading"},
        {{{0, 7903}, {0, 5203}, {25, 3296}}, C, "Points 1 and 2 have the same temperature"},
        {{{0, 7903}, {10, 5203}, {14.9, 3296}}, C, "Points 2 and 3 are less than 5 °C"},
        {{{32, 7903}, {50, 5203}, {58.9, 3296}}, F, "Points 2 and 3 are less than 5 °C"},
        {{{0, 7903}, {5, 5203}, {10, 3296}}, C, ""},
        {{{32, 7903}, {41, 5203}, {50, 3296}}, F, ""},
        // Out of order, and in order yet turning back before the highest reading.
        {{{0, 7903}, {25, 5203}, {10, 3296}}, C, "With these points the temperature would not"},
        {{{172.46, 403}, {41.18, 2981}, {25.36, 22026}}, C, "With these points the temperature"},
        {{{-273.1499999999999, 1000}, {-260, 1001}, {0, 1002}}, C, "These points give no"},
    };
    for (const auto& row : rows) {
        const Calibration k = calibrate(row.points, row.scale);
        EXPECT_EQ(k.refusal.substr(0, std::string(row.reason).size()), row.reason) << k.refusal;
        EXPECT_EQ(k.refused(), *row.reason != '\0') << k.refusal;
    }
}
