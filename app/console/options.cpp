#include "app/console/options.h"

#include "export/mqttpublisher.h"
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
constexpr std::string_view Mqtt = "--mqtt=";
constexpr std::string_view MqttUser = "--mqtt-user=";
constexpr std::string_view MqttPasswordFile = "--mqtt-password-file=";
constexpr std::string_view MqttCaFile = "--mqtt-cafile=";
constexpr std::string_view MqttNode = "--mqtt-node=";
constexpr std::string_view Metrics = "--metrics=";
constexpr std::string_view MetricsFile = "--metrics-file=";

bool isOption(const std::string& argument)
{
    // A point of --calibrate may start with a minus sign: "-18:9000".
    return argument.starts_with("-") && argument.find(':') == std::string::npos;
}

} // namespace

std::string usageText(bool details)
{
    std::string text =
        "usage: quorvil4 [--simulate | --simulate=FILE] [--no-history] [METRICS] [MQTT]\n"
        "       quorvil4 --headless [--simulate | --simulate=FILE] "
        "[--interval=SECONDS] [--log=FILE]\n"
        "                [--no-history] [METRICS] [MQTT]\n"
        "       quorvil4 --calibrate T1:R1 T2:R2 T3:R3 [--fahrenheit]\n"
        "       quorvil4 --list-joysticks | --keep-joysticks\n"
        "       quorvil4 --help | --version\n"
        "METRICS is [--metrics=[ADDRESS:]PORT] [--metrics-file=FILE]\n"
        "MQTT is --mqtt=HOST[:PORT] [--mqtt-user=NAME] [--mqtt-password-file=FILE]\n"
        "        [--mqtt-cafile=FILE] [--mqtt-node=NAME]\n";
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
                "  --metrics=[ADDRESS:]PORT\n"
                "                     serve Prometheus metrics at http://ADDRESS:PORT/metrics; "
                "ADDRESS is\n"
                "                     numeric, 127.0.0.1 unless given, IPv6 in brackets: "
                "[::1]:9760\n"
                "  --metrics-file=FILE\n"
                "                     write the metrics to FILE after every poll, for "
                "node_exporter's\n"
                "                     textfile collector (name it *.prom); removed at the end\n"
                "  --no-history       record no history in this run\n"
                "  --calibrate        print A, B and C that fit three points of temperature "
                "and reading\n"
                "  --fahrenheit       with --calibrate, the temperatures are in Fahrenheit\n"
                "  --list-joysticks   list the input devices: which joystick each one is, and "
                "why others are left out\n"
                "  --keep-joysticks   store the devices serving joysticks 1 and 2 now, so that "
                "no other takes their place\n"
                "  --mqtt=HOST[:PORT] publish the readings to an MQTT broker, with Home "
                "Assistant\n"
                "                     discovery (port 1883, 8883 with --mqtt-cafile)\n"
                "  --mqtt-user=NAME   the broker's user name; the password is the first line of\n"
                "  --mqtt-password-file=FILE, or QUORVIL4_MQTT_PASSWORD from the environment\n"
                "  --mqtt-cafile=FILE TLS: check the broker's certificate and host name "
                "against FILE\n"
                "  --mqtt-node=NAME   the device in topics (lower-case letters, digits, _ and -; "
                "the\n"
                "                     host name by default)\n"
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
    MqttOptions mqtt;
    bool mqttGiven = false;
    bool mqttDetails = false;
    // Each --mqtt-NAME=VALUE once, with a value.
    const auto mqttValue = [&](std::string_view arg, std::string_view option,
                               std::optional<std::string>& value) {
        if (value || arg.size() == option.size())
            return false;
        value = std::string(arg.substr(option.size()));
        mqttDetails = true;
        return true;
    };
    if (!arguments.empty() && arguments.front() == "--calibrate") {
        options.mode = Options::Mode::Calibrate;
        for (auto it = arguments.begin() + 1; it != arguments.end(); ++it) {
            if (*it == "--fahrenheit" && options.fahrenheit)
                return fail("--fahrenheit given twice");
            if (*it == "--fahrenheit")
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
        } else if (arg.starts_with(Metrics)) {
            if (options.metrics ||
                !(options.metrics = parseListenAddress(arg.substr(Metrics.size()))))
                return fail("--metrics needs [ADDRESS:]PORT, a numeric address and a port from 1 "
                            "to 65535, once");
        } else if (arg.starts_with(MetricsFile)) {
            if (options.metricsFile || arg.size() == MetricsFile.size())
                return fail("--metrics-file needs a file name, once");
            options.metricsFile = argument.substr(MetricsFile.size());
        } else if (arg == "--list-joysticks" || arg == "--keep-joysticks") {
            if (arguments.size() != 1)
                return fail(argument + " stands alone");
            options.mode = arg == "--list-joysticks" ? Options::Mode::ListJoysticks
                                                     : Options::Mode::KeepJoysticks;
        } else if (arg.starts_with(Mqtt)) {
            const std::optional<MqttOptions> address = parseMqttAddress(arg.substr(Mqtt.size()));
            if (mqttGiven || !address)
                return fail("--mqtt needs HOST or HOST:PORT (1 to 65535), once");
            mqttGiven = true;
            mqtt.host = address->host;
            mqtt.port = address->port;
        } else if (arg.starts_with(MqttUser)) {
            if (!mqttValue(arg, MqttUser, mqtt.user))
                return fail("--mqtt-user needs a name, once");
        } else if (arg.starts_with(MqttPasswordFile)) {
            if (!mqttValue(arg, MqttPasswordFile, mqtt.passwordFile))
                return fail("--mqtt-password-file needs a file name, once");
        } else if (arg.starts_with(MqttCaFile)) {
            if (!mqttValue(arg, MqttCaFile, mqtt.caFile))
                return fail("--mqtt-cafile needs a file name, once");
        } else if (arg.starts_with(MqttNode)) {
            if (!mqttValue(arg, MqttNode, mqtt.node) || !isMqttNodeName(*mqtt.node))
                return fail("--mqtt-node needs a name of lower-case letters, digits, _ and -, "
                            "once");
        } else if (arg.starts_with("--mqtt-password=")) {
            return fail("--mqtt-password would show the password to every user of the machine: "
                        "use --mqtt-password-file or QUORVIL4_MQTT_PASSWORD");
        } else if (arg == "--no-history") {
            if (options.noHistory)
                return fail("--no-history given twice");
            options.noHistory = true;
        } else if (arg == "--calibrate") {
            return fail("--calibrate stands alone, first");
        } else if (arg == "--fahrenheit") {
            return fail("--fahrenheit goes with --calibrate, after it");
        } else {
            return fail("unknown option: " + argument);
        }
    }
    if (options.mode != Options::Mode::Headless && (options.intervalSeconds || options.logFile))
        return fail("--interval and --log go with --headless");
    if (mqttDetails && !mqttGiven)
        return fail("the --mqtt- options go with --mqtt=HOST");
    if (mqtt.passwordFile && !mqtt.user)
        return fail("--mqtt-password-file goes with --mqtt-user");
    if (mqttGiven)
        options.mqtt = std::move(mqtt);
    return options;
}
