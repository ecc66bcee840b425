#pragma once

#include "app/console/options.h"
#include "monitor/tickrecord.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// What the options ask each tick's record to be passed on to.
struct TickSinks {
    std::vector<std::shared_ptr<TickSink>> sinks;
    // Sinks that could not be made, one line each; the program samples on without them.
    std::vector<std::string> failures;
    // What the user should hear all the same (standard error).
    std::vector<std::string> warnings;
};

// report takes the lines the sinks tell later, on the event loop, and whether the sink works
// again: a connection lost or back.
TickSinks makeTickSinks(const Options& options,
                        std::function<void(const std::string&, bool)> report);
