#include "sensors/simulatedport.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

namespace {

struct Drift {
    double mean;      // Celsius
    double amplitude; // Celsius
    double period;    // seconds
    double phase;     // radians
};

// A living room, a cellar, the outdoors and a warm PC case; periods of several minutes so
// the graph's 400 seconds show a visible slope.
constexpr Drift drifts[4] = {
    {21.0, 2.0, 600.0, 0.0},
    {14.0, 1.5, 900.0, 1.0},
    {6.0, 4.0, 1200.0, 2.0},
    {38.0, 3.0, 480.0, 3.0},
};

double steadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::uint32_t axisValue(int sensor, double seconds)
{
    const double raw = readingForKelvin(SimulatedPort::temperatureAt(sensor, seconds) + 273.15);
    return static_cast<std::uint32_t>(std::clamp(std::round(raw), 1.0, 65535.0));
}

} // namespace

double readingForKelvin(double kelvin, const Coefficients& k)
{
    const double x = (k.A - 1 / kelvin) / k.C;
    const double y = std::sqrt(std::pow(k.B / (3 * k.C), 3) + x * x / 4);
    return std::exp(std::cbrt(y - x / 2) - std::cbrt(y + x / 2));
}

SimulatedPort::SimulatedPort() : SimulatedPort(steadySeconds) {}

SimulatedPort::SimulatedPort(Clock clock) : m_clock(std::move(clock)) {}

double SimulatedPort::temperatureAt(int sensor, double seconds)
{
    const Drift& d = drifts[std::clamp(sensor, 1, 4) - 1];
    return d.mean + d.amplitude * std::sin(2 * std::numbers::pi * seconds / d.period + d.phase);
}

std::uint32_t SimulatedPort::joyGetPosEx(std::uint32_t uJoyID, JOYINFOEX* pji)
{
    if (uJoyID > 1 || !pji)
        return JOYERR_PARMS;
    const double now = m_clock();
    const int firstSensor = static_cast<int>(uJoyID) * 2 + 1;
    pji->dwXpos = axisValue(firstSensor, now);
    pji->dwYpos = axisValue(firstSensor + 1, now);
    return JOYERR_NOERROR;
}

std::uint32_t SimulatedPort::joyGetDevCapsA(std::uint32_t uJoyID, JOYCAPS* pjc, std::uint32_t cbjc)
{
    if (uJoyID > 1 || !pjc || cbjc != sizeof(JOYCAPS))
        return JOYERR_PARMS;
    *pjc = JOYCAPS{};
    pjc->wXmax = pjc->wYmax = 65535;
    pjc->wNumAxes = pjc->wMaxAxes = 2;
    return JOYERR_NOERROR;
}
