#pragma once

#include "sensors/conversion.h"
#include "sensors/joystick.h"

#include <functional>

// A bench of two joysticks with four thermistors at slowly drifting, plausible temperatures,
// read under the default coefficients. Lets the program be seen working without hardware.
class SimulatedPort final : public JoystickService {
public:
    using Clock = std::function<double()>; // seconds since any fixed moment

    SimulatedPort(); // the steady clock
    explicit SimulatedPort(Clock clock);

    std::uint32_t joyGetPosEx(std::uint32_t uJoyID, JOYINFOEX* pji) override;
    std::uint32_t joyGetDevCapsA(std::uint32_t uJoyID, JOYCAPS* pjc, std::uint32_t cbjc) override;

    // Temperature (Celsius) of sensor 1..4 at the given time.
    static double temperatureAt(int sensor, double seconds);

private:
    Clock m_clock;
};

// The axis reading (0..65535) at which the equation gives the temperature, in kelvin.
double readingForKelvin(double kelvin, const Coefficients& coefficients = {});
