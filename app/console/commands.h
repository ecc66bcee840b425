#pragma once

#include "app/console/options.h"
#include "sensors/joystick.h"

#include <array>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

class registry;
class RegistryApi;

// Where the commands that look at the joysticks and the settings find them.
struct CommandServices {
    std::shared_ptr<RegistryApi> registryApi; // the user's settings file when null
    std::string inputRoot = "/";              // the folder holding dev/input and sys/class/input
};

// The commands that need neither a window nor a poll (--help, --version, --calibrate,
// --list-joysticks, --keep-joysticks): runs the one asked for and gives the exit status; none for
// the window and the console mode.
std::optional<int> runCommand(const Options& options, std::ostream& out, std::ostream& err,
                              const CommandServices& services = {});

// The joystick service the options ask for: the machine's joysticks (honouring the stored
// choice of devices), the simulated bench or a scripted port.
std::shared_ptr<JoystickService> joystickFor(const Options& options,
                                             const std::shared_ptr<RegistryApi>& registryApi);

// The devices stored for joystick ids 0 and 1, empty where none is.
std::array<std::string, 2> storedJoysticks(registry& store);
// Stores the devices serving the ids now, and removes the choice of an id that none serves;
// tells what it wrote. The exit status.
int keepJoysticks(JoystickService& joystick, registry& store, std::ostream& out, std::ostream& err);
