#pragma once

#include "app/console/options.h"
#include "sensors/joystick.h"

#include <iosfwd>
#include <memory>
#include <optional>

// The commands that need neither a window nor a poll (--help, --version, --calibrate): runs the
// one asked for and gives the exit status; none for the window and the console mode.
std::optional<int> runCommand(const Options& options, std::ostream& out, std::ostream& err);

// The joystick service the options ask for: the machine's joysticks, the simulated bench or a
// scripted port.
std::shared_ptr<JoystickService> joystickFor(const Options& options);
