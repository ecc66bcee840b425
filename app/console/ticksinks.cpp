#include "app/console/ticksinks.h"

#include "history/historyrecorder.h"
#include "settings/registry.h"
#include "settings/schema.h"

bool historyWanted(std::shared_ptr<RegistryApi> registryApi)
{
    registry store(std::move(registryApi));
    return store.GetSetting(HistorySection, HistoryRecordKey, "1") != "0";
}

std::vector<std::shared_ptr<TickSink>> makeTickSinks(const Options& options,
                                                     std::shared_ptr<RegistryApi> registryApi,
                                                     const std::filesystem::path& dataFolder,
                                                     std::function<void(const std::string&)> report)
{
    std::vector<std::shared_ptr<TickSink>> sinks;
    if (!options.noHistory)
        sinks.push_back(std::make_shared<HistoryRecorder>(
            dataFolder / HistoryStore::FileName,
            [api = std::move(registryApi)] { return historyWanted(api); }, std::move(report)));
    return sinks;
}
