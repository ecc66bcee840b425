#pragma once

#include "app/console/options.h"
#include "monitor/tickrecord.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// What takes each tick's record beyond the window or the log, as the options ask.
struct TickSinks {
    std::vector<std::shared_ptr<TickSink>> sinks;
    // One line each for what could not start; its sink is left out.
    std::vector<std::string> failures;
};

// The same for the window and the console mode. report takes a line whenever a running sink's
// trouble starts or ends; both it and failures begin in lower case, without the program's name.
TickSinks makeTickSinks(const Options& options, std::function<void(const std::string&)> report);
