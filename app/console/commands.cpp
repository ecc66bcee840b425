#include "app/console/commands.h"

#include "app/console/calibratecommand.h"
#include "sensors/evdevjoystick.h"
#include "sensors/scriptedport.h"
#include "sensors/simulatedport.h"

#include <ostream>

std::optional<int> runCommand(const Options& options, std::ostream& out, std::ostream& err)
{
    switch (options.mode) {
    case Options::Mode::Help:
        out << usageText(true);
        return 0;
    case Options::Mode::Version:
        out << versionText() << '\n';
        return 0;
    case Options::Mode::Calibrate:
        return runCalibrateCommand(options, out, err);
    case Options::Mode::Window:
    case Options::Mode::Headless:
        break;
    }
    return std::nullopt;
}

std::shared_ptr<JoystickService> joystickFor(const Options& options)
{
    switch (options.port) {
    case Options::Port::Simulated:
        return std::make_shared<SimulatedPort>();
    case Options::Port::Scripted:
        return std::make_shared<ScriptedPort>(options.scriptFile);
    case Options::Port::Hardware:
        break;
    }
    return std::make_shared<EvdevJoystickService>();
}
