#include "app/console/sinks.h"

#include "app/console/recorderprocess.h"
#include "export/metricsfile.h"
#include "export/metricsserver.h"
#include "export/mqttsink.h"
#include "history/historyrecorder.h"
#include "settings/preferences.h"
#include "settings/registry.h"

#include <cstdlib>
#include <unistd.h>

namespace {

std::string hostName()
{
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
}

void addMqttSink(const MqttOptions& options, std::function<void(const SinkReport&)> report,
                 TickSinks& made)
{
    std::optional<std::string> password;
    if (const char* value = std::getenv("QUORVIL4_MQTT_PASSWORD"))
        password = value;
    std::string warning;
    std::string error;
    if (std::shared_ptr<TickSink> sink = makeMqttSink(
            options, std::move(password), hostName(),
            [report](const std::string& line, bool works) {
                report({line, works});
            },
            &warning, &error))
        made.sinks.push_back(std::move(sink));
    else
        made.failures.push_back("MQTT is off: " + error);
    if (!warning.empty())
        made.warnings.push_back(warning);
}

} // namespace

TickSinks makeTickSinks(const Options& options, std::shared_ptr<RegistryApi> registryApi,
                        const std::filesystem::path& dataFolder,
                        std::function<void(const SinkReport&)> report,
                        const std::optional<RecorderProgram>& recorder)
{
    TickSinks made;
    const auto tell = [report](const std::string& line) { report({line, {}}); };
    if (!options.noHistory) {
        auto wanted = [api = std::move(registryApi)] {
            registry store(api);
            return historyWanted(store);
        };
        const std::filesystem::path file = dataFolder / HistoryStore::FileName;
        if (recorder)
            made.sinks.push_back(std::make_shared<RecorderProcess>(
                recorder->program, file, recorder->settingsFile, std::move(wanted), tell));
        else
            made.sinks.push_back(std::make_shared<HistoryRecorder>(file, std::move(wanted), tell));
    }
    std::string failure;
    if (options.metrics) {
        if (std::shared_ptr<TickSink> server = MetricsServer::start(*options.metrics, &failure))
            made.sinks.push_back(std::move(server));
        else
            made.failures.push_back(failure);
    }
    if (options.metricsFile)
        made.sinks.push_back(std::make_shared<MetricsFile>(*options.metricsFile, tell));
    if (options.mqtt)
        addMqttSink(*options.mqtt, report, made);
    return made;
}
