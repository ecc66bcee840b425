#include "app/console/sinks.h"

#include "export/metricsfile.h"
#include "export/metricsserver.h"

TickSinks makeTickSinks(const Options& options, std::function<void(const std::string&)> report)
{
    TickSinks made;
    std::string failure;
    if (options.metrics) {
        if (std::shared_ptr<TickSink> server = MetricsServer::start(*options.metrics, &failure))
            made.sinks.push_back(std::move(server));
        else
            made.failures.push_back(failure);
    }
    if (options.metricsFile)
        made.sinks.push_back(std::make_shared<MetricsFile>(*options.metricsFile, report));
    return made;
}
