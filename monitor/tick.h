#pragma once

#include "sensors/conversion.h"
#include "sensors/joystick.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class Clock;

// The steps of one polling tick, in the texts the main window's labels carry, so that the
// window and the console mode show and log the same.

// A joystick's read: the result, the port status text and the X and Y readings in decimal.
struct PortReading {
    std::uint32_t result = 0;
    std::string status;
    std::array<std::string, 2> raw;
};
// joystick is 0 (sensors 1 and 2) or 1 (sensors 3 and 4); info keeps what the service leaves.
PortReading readPort(JoystickService& service, int joystick, JOYINFOEX& info);

// A number as the user types it, with "." or the decimal separator of the user's locale.
std::optional<double> parseTypedNumber(std::string_view text);

// What a conversion reads: the coefficient texts as typed, the offset list position, the scale.
struct SensorSetup {
    std::string_view a, b, c;
    int offsetPosition = -1;
    Scale scale = Scale::Celsius;
};

// What a conversion of sensor 1..4 writes: the unplugged message for its status line, and the
// temperature for its two labels; either may be absent, and the labels then keep their texts.
struct SensorOutcome {
    std::optional<std::string> status;
    std::optional<std::int16_t> temperature;
    std::optional<double> celsius; // before rounding, offset included
    bool coefficients = false;     // all three coefficient texts are numbers
};
SensorOutcome convertSensor(int sensor, std::string_view rawText, const SensorSetup& setup);

// The temperature a tick counts for minimum, maximum and alarms: only when the sensor's joystick
// answered, its reading was connected and the conversion wrote it.
std::optional<int> countedTemperature(std::uint32_t result, const SensorOutcome& outcome);

// Why sensor 1..4's raw reading cannot stand for its thermistor, given its joystick's last
// result: the joystick's status when it did not answer, the unplugged message when the reading
// is below 1, or that there is no reading yet; none when it can.
std::optional<std::string> readingRefusal(int sensor, std::int32_t result,
                                          std::string_view rawText);

// The temperature as its two labels show it: "21" and "21 C".
std::string bareText(std::int16_t temperature);
std::string shownText(std::int16_t temperature, Scale scale);

// One data line of the log at this moment, from the four bare temperature texts.
std::string logLine(const Clock& clock, const std::array<std::string, 4>& temperatures);
