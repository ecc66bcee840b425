#include "app/frmcalibrate.h"
#include "sensors/calibration.h"

#include <QLineEdit>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

// One fit of the ReadMe's example points, the work behind every keystroke in the window and
// behind the command line.
void fitThreePoints(benchmark::State& state)
{
    const std::vector<CalibrationPoint> points = {{0, 7903}, {10, 5203}, {25, 3296}};
    for (auto _ : state)
        benchmark::DoNotOptimize(calibrate(points, Scale::Celsius));
}
BENCHMARK(fitThreePoints);

// One keystroke in the window: the fit and the texts it shows.
void typeOneCharacter(benchmark::State& state)
{
    frmCalibrate window(nullptr);
    const char* points[3][2] = {{"0", "7903"}, {"10", "5203"}, {"25", "3296"}};
    for (int row = 0; row < 3; ++row) {
        window.txtTemperature[row]->setText(points[row][0]);
        window.txtReading[row]->setText(points[row][1]);
    }
    bool odd = false;
    for (auto _ : state) {
        window.txtTemperature[2]->setText((odd = !odd) ? "25.5" : "25");
        benchmark::DoNotOptimize(window.txtA->text());
    }
}
BENCHMARK(typeOneCharacter);

} // namespace
