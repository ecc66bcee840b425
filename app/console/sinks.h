#pragma once

#include "app/console/options.h"
#include "monitor/tickrecord.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What takes each tick's record beyond the window or the log, as the options ask: the same for
// the window and the console mode.
struct TickSinks {
    std::vector<std::shared_ptr<TickSink>> sinks;
    // One line each for what could not start; its sink is left out.
    std::vector<std::string> failures;
    // What the user should hear all the same, on standard error.
    std::vector<std::string> warnings;
};

// What a running sink tells later, on the event loop, when its trouble starts or ends.
struct SinkReport {
    std::string line;
    // The MQTT connection lost (false) or back (true); none for a sink's own failure or recovery.
    std::optional<bool> connected;
};

class RegistryApi;
class registry;

// The recorder program that keeps the history for the window, and the settings file it reads.
struct RecorderProgram {
    std::filesystem::path program;
    std::filesystem::path settingsFile;
};

// The history is kept in dataFolder and recorded while the settings in registryApi ask for it:
// by the recorder program when there is one, in this process otherwise. Lines begin without the
// program's name.
TickSinks makeTickSinks(const Options& options, std::shared_ptr<RegistryApi> registryApi,
                        const std::filesystem::path& dataFolder,
                        std::function<void(const SinkReport&)> report,
                        const std::optional<RecorderProgram>& recorder = std::nullopt);
