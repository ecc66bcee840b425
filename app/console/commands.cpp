#include "app/console/commands.h"

#include "app/console/calibratecommand.h"
#include "sensors/evdevjoystick.h"
#include "sensors/portstatus.h"
#include "sensors/scriptedport.h"
#include "sensors/simulatedport.h"
#include "settings/hivefile.h"
#include "settings/registry.h"
#include "settings/schema.h"

#include <ostream>

namespace {

registry storeOver(std::shared_ptr<RegistryApi> api)
{
    registry store(api ? std::move(api) : std::make_shared<HiveFileRegistry>(defaultHivePath()));
    store.setCompany(registry::DefaultCompany);
    store.setAppName(registry::ProductName);
    return store;
}

} // namespace

std::optional<int> runCommand(const Options& options, std::ostream& out, std::ostream& err,
                              const CommandServices& services)
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
    case Options::Mode::ListJoysticks: {
        registry store = storeOver(services.registryApi);
        EvdevJoystickService joysticks(services.inputRoot, storedJoysticks(store));
        out << joysticks.listing();
        return 0;
    }
    case Options::Mode::KeepJoysticks: {
        registry store = storeOver(services.registryApi);
        EvdevJoystickService joysticks(services.inputRoot, storedJoysticks(store));
        return keepJoysticks(joysticks, store, out, err);
    }
    case Options::Mode::Window:
    case Options::Mode::Headless:
        break;
    }
    return std::nullopt;
}

std::shared_ptr<JoystickService> joystickFor(const Options& options,
                                             const std::shared_ptr<RegistryApi>& registryApi)
{
    switch (options.port) {
    case Options::Port::Simulated:
        return std::make_shared<SimulatedPort>();
    case Options::Port::Scripted:
        return std::make_shared<ScriptedPort>(options.scriptFile);
    case Options::Port::Hardware:
        break;
    }
    registry store = storeOver(registryApi);
    return std::make_shared<EvdevJoystickService>("/", storedJoysticks(store));
}

std::array<std::string, 2> storedJoysticks(registry& store)
{
    return {store.GetSetting(JoysticksSection, joystickKeys[0]),
            store.GetSetting(JoysticksSection, joystickKeys[1])};
}

int keepJoysticks(JoystickService& joystick, registry& store, std::ostream& out, std::ostream& err)
{
    std::array<std::string, 2> serving;
    for (std::uint32_t id = 0; id < serving.size(); ++id) {
        JOYCAPS caps{};
        if (joystick.joyGetDevCapsA(id, &caps, sizeof caps) == JOYERR_NOERROR)
            serving[id] = joystick.servedBy(id);
    }
    if (serving[0].empty() && serving[1].empty()) {
        err << "quorvil4: no device serves joystick 1 or 2 now, so nothing was stored; "
               "quorvil4 --list-joysticks shows why\n";
        return 1;
    }
    store.beginBatch();
    for (std::size_t id = 0; id < serving.size(); ++id) {
        if (serving[id].empty())
            store.DeleteSetting(JoysticksSection, joystickKeys[id]);
        else
            store.SaveSetting(JoysticksSection, joystickKeys[id], serving[id]);
    }
    if (!store.endBatch()) {
        err << "quorvil4: the joysticks could not be stored in " << store.location() << ": "
            << store.failureReason() << '\n';
        return 1;
    }
    out << "Stored in " << store.location() << ", section \"" << JoysticksSection << "\":\n";
    for (std::size_t id = 0; id < serving.size(); ++id) {
        out << joystickKeys[id];
        if (serving[id].empty())
            out << " removed: no device serves " << joystickText(int(id))
                << " now, so the first free joystick will\n";
        else
            out << " = " << serving[id] << '\n';
    }
    return 0;
}
