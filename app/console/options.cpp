#include "app/console/options.h"

#include "util/textforms.h"

#include <algorithm>
#include <string_view>

#ifndef QUORVIL_VERSION
#define QUORVIL_VERSION "4.1"
#endif

namespace {

constexpr std::string_view Simulate = "--simulate";
constexpr std::string_view Interval = "--interval=";
constexpr std::string_view Log = "--log=";

bool isOption(const std::string& argument)
{
    // A point of --calibrate may start with a minus sign: "-18:9000".
    return argument.starts_with("-") && argument.find(':') == std::string::npos;
}

} // namespace

std::string usageText(bool details)
{
    std::string text = "usage: quorvil4 [--simulate | --simulate=FILE] [--no-history]\n"
                       "       quorvil4 --headless [--simulate | --simulate=FILE] "
                       "[--interval=SECONDS] [--log=FILE] [--no-history]\n"
                       "       quorvil4 --calibrate T1:R1 T2:R2 T3:R3 [--fahrenheit]\n"
                       "       quorvil4 --help | --version\n";
    if (details)
        text += "\n"
                "  --simulate         a simulated bench of four drifting sensors instead of the "
                "joysticks\n"
                "  --simulate=FILE    a scripted port: FILE holds \"ID RESULT X Y\" lines, read at "
                "every poll\n"
                "  --headless         no window: write the log's lines to standard output\n"
                "  --interval=SECONDS seconds between log lines (1 to 86400) instead of the "
                "stored interval\n"
                "  --log=FILE         with --headless, write the log to FILE instead\n"
                "  --no-history       record no history in this run\n"
                "  --calibrate        print A, B and C that fit three points of temperature "
                "and reading\n"
                "  --fahrenheit       with --calibrate, the temperatures are in Fahrenheit\n"
                "  --help             print this text\n"
                "  --version          print the version\n";
    return text;
}

std::string versionText()
{
    return "Quorvil4 " QUORVIL_VERSION;
}

std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string* error)
{
    const auto fail = [&](const std::string& reason) -> std::optional<Options> {
        *error = reason + "\n" + usageText();
        return std::nullopt;
    };
    const auto given = [&](std::string_view option) {
        return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
    };
    Options options;
    if (given("--help") || given("--version")) {
        options.mode = given("--help") ? Options::Mode::Help : Options::Mode::Version;
        return options;
    }
    bool portGiven = false;
    if (!arguments.empty() && arguments.front() == "--calibrate") {
        options.mode = Options::Mode::Calibrate;
        for (auto it = arguments.begin() + 1; it != arguments.end(); ++it) {
            if (*it == "--fahrenheit" && !options.fahrenheit)
                options.fahrenheit = true;
            else if (isOption(*it))
                return fail("--calibrate takes points and --fahrenheit only, not " + *it);
            else
                options.points.push_back(*it);
        }
        return options;
    }
    for (const std::string& argument : arguments) {
        const std::string_view arg = argument;
        if (arg == Simulate || arg.starts_with(std::string(Simulate) + "=")) {
            if (portGiven)
                return fail("--simulate given twice");
            portGiven = true;
            if (arg == Simulate) {
                options.port = Options::Port::Simulated;
                continue;
            }
            options.scriptFile = argument.substr(Simulate.size() + 1);
            if (options.scriptFile.empty())
                return fail("--simulate= needs a file name");
            options.port = Options::Port::Scripted;
        } else if (arg == "--headless") {
            if (options.mode == Options::Mode::Headless)
                return fail("--headless given twice");
            options.mode = Options::Mode::Headless;
        } else if (arg.starts_with(Interval)) {
            const std::optional<long long> seconds = parseWholeNumber(arg.substr(Interval.size()));
            if (options.intervalSeconds || !seconds || *seconds < 1 ||
                *seconds > MaxIntervalSeconds || arg.size() == Interval.size())
                return fail("--interval needs a whole number of seconds from 1 to 86400, once");
            options.intervalSeconds = int(*seconds);
        } else if (arg.starts_with(Log)) {
            if (options.logFile || arg.size() == Log.size())
                return fail("--log needs a file name, once");
            options.logFile = argument.substr(Log.size());
        } else if (arg == "--no-history") {
            if (options.noHistory)
                return fail("--no-history given twice");
            options.noHistory = true;
        } else if (arg == "--calibrate") {
            return fail("--calibrate stands alone, first");
        } else {
            return fail("unknown option: " + argument);
        }
    }
    if (options.mode != Options::Mode::Headless && (options.intervalSeconds || options.logFile))
        return fail("--interval and --log go with --headless");
    return options;
}
