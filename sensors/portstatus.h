#pragma once

#include "sensors/joystick.h"

#include <cstdint>
#include <string>

// Texts of the port status lines. joystick is 0 (sensors 1 and 2) or 1 (sensors 3 and 4); result
// is the signed 32-bit result code as the program keeps it.
std::string portStatusText(int joystick, std::int32_t result);
// "joystick 2 (sensors 3 and 4)", as the console and the joystick listing name it.
std::string joystickText(int joystick);
// The message a conversion writes for a sensor (1..4) whose reading is below 1.
std::string unpluggedText(int sensor);

// One read of a joystick as the sampler makes it: the record asks for every value, and
// whatever the service leaves in it stays there.
std::uint32_t readJoystick(JoystickService& service, std::uint32_t id, JOYINFOEX& info);
