#pragma once

#include "export/metricsserver.h"
#include "export/mqttsink.h"

#include <optional>
#include <string>
#include <vector>

// The command line, read before anything needs a display.
struct Options {
    enum class Mode { Window, Headless, Calibrate, ListJoysticks, KeepJoysticks, Help, Version };
    enum class Port { Hardware, Simulated, Scripted };

    Mode mode = Mode::Window;
    Port port = Port::Hardware;
    std::string scriptFile;                 // for Port::Scripted
    std::optional<int> intervalSeconds;     // --headless: overrides the stored interval
    std::optional<std::string> logFile;     // --headless: the log file instead of standard output
    std::vector<std::string> points;        // --calibrate: "T:R" texts as given
    bool fahrenheit = false;                // --calibrate: temperatures in Fahrenheit
    std::optional<ListenAddress> metrics;   // where to serve the metrics over HTTP
    std::optional<std::string> metricsFile; // where to write them after every tick
    std::optional<MqttOptions> mqtt;        // --mqtt and the options that go with it
    bool noHistory = false;                 // --no-history: record no history in this run
};

// arguments without the program name. None, with the reason in error, for anything else.
std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string* error);

// The usage lines; with details, what each option does as well.
std::string usageText(bool details = false);

// "Quorvil4 4.1".
std::string versionText();

// Seconds between lines that --interval accepts.
constexpr int MaxIntervalSeconds = 86400;
