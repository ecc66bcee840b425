#pragma once

#include "monitor/tickrecord.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// What the command line says about MQTT.
struct MqttOptions {
    std::string host;
    std::optional<int> port; // 1883, or 8883 with TLS, when none
    std::optional<std::string> user;
    std::optional<std::string> passwordFile;
    std::optional<std::string> caFile;
    std::optional<std::string> node;
};

// "HOST", "HOST:PORT" or "[IPV6]:PORT" into host and port; none when it is none of them.
std::optional<MqttOptions> parseMqttAddress(std::string_view address);

// The first line of a password file. A file that other users may read gives a warning.
std::optional<std::string> readMqttPassword(const std::string& path, std::string* warning,
                                            std::string* error);

// The publisher for these options over the real library. environmentPassword is the variable's
// value, if set; hostName names the node when the options do not. None, with the reason in
// error, when it cannot be made; warning gets what the user should hear all the same.
std::shared_ptr<TickSink> makeMqttSink(const MqttOptions& options,
                                       std::optional<std::string> environmentPassword,
                                       const std::string& hostName,
                                       std::function<void(const std::string&, bool)> report,
                                       std::string* warning, std::string* error);
