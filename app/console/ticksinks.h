#pragma once

#include "app/console/options.h"
#include "monitor/tickrecord.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class RegistryApi;

// What takes each tick's record, as the options and the settings ask: the same for the window
// and the console mode. report tells the user of a failure in one line, at any later tick.
std::vector<std::shared_ptr<TickSink>>
makeTickSinks(const Options& options, std::shared_ptr<RegistryApi> registryApi,
              const std::filesystem::path& dataFolder,
              std::function<void(const std::string&)> report);

// Whether the user records the history, as the settings say.
bool historyWanted(std::shared_ptr<RegistryApi> registryApi);
