#include "app/console/commands.h"

#include "sensors/evdevjoystick.h"
#include "sensors/scriptedport.h"
#include "sensors/simulatedport.h"

#include <cstdio>

std::optional<int> runCommand(const Options& options)
{
    switch (options.mode) {
    case Options::Mode::Help:
        std::fputs(usageText(true).c_str(), stdout);
        return 0;
    case Options::Mode::Version:
        std::puts(versionText().c_str());
        return 0;
    case Options::Mode::Calibrate:
        std::fputs("quorvil4: --calibrate is not available yet\n", stderr);
        return 2;
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
