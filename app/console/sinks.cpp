#include "app/console/sinks.h"

#include "export/mqttsink.h"

#include <cstdlib>
#include <unistd.h>

namespace {

std::string hostName()
{
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
}

void addMqttSink(const MqttOptions& options, std::function<void(const std::string&, bool)> report,
                 TickSinks& made)
{
    std::optional<std::string> password;
    if (const char* value = std::getenv("QUORVIL4_MQTT_PASSWORD"))
        password = value;
    std::string warning;
    std::string error;
    if (std::shared_ptr<TickSink> sink = makeMqttSink(options, std::move(password), hostName(),
                                                      std::move(report), &warning, &error))
        made.sinks.push_back(std::move(sink));
    else
        made.failures.push_back("MQTT is off: " + error);
    if (!warning.empty())
        made.warnings.push_back(warning);
}

} // namespace

TickSinks makeTickSinks(const Options& options,
                        std::function<void(const std::string&, bool)> report)
{
    TickSinks made;
    if (options.mqtt)
        addMqttSink(*options.mqtt, report, made);
    return made;
}
