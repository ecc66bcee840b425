#include "export/mqttsink.h"

#include "export/mosquittolink.h"
#include "export/mqttpublisher.h"
#include "util/fileio.h"
#include "util/textforms.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::optional<MqttOptions> parseMqttAddress(std::string_view address)
{
    MqttOptions options;
    std::string_view host = address;
    std::optional<std::string_view> port;
    if (address.starts_with("[")) {
        const std::size_t close = address.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        host = address.substr(1, close - 1);
        const std::string_view rest = address.substr(close + 1);
        if (!rest.empty()) {
            if (!rest.starts_with(":"))
                return std::nullopt;
            port = rest.substr(1);
        }
    } else if (const std::size_t colon = address.rfind(':'); colon != std::string_view::npos) {
        host = address.substr(0, colon);
        port = address.substr(colon + 1);
        if (host.find(':') != std::string_view::npos)
            return std::nullopt; // an IPv6 address needs its brackets
    }
    if (host.empty())
        return std::nullopt;
    options.host = std::string(host);
    if (port) {
        const std::optional<long long> number = parseWholeNumber(*port);
        if (port->empty() || !number || *number < 1 || *number > 65535)
            return std::nullopt;
        options.port = static_cast<int>(*number);
    }
    return options;
}

std::optional<std::string> readMqttPassword(const std::string& path, std::string* warning,
                                            std::string* error)
{
    const FileDescriptor file(openFile(path.c_str(), O_RDONLY));
    struct stat info {};
    std::string text;
    if (!file.valid() || ::fstat(file.get(), &info) != 0 || !readAll(file.get(), text, 65536)) {
        *error = "the MQTT password file cannot be read: " + path + ": " + errnoText();
        return std::nullopt;
    }
    if (info.st_mode & (S_IRGRP | S_IROTH))
        *warning = "the MQTT password file " + path + " may be read by other users: chmod 600 it";
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    return text;
}

std::shared_ptr<TickSink> makeMqttSink(const MqttOptions& options,
                                       std::optional<std::string> environmentPassword,
                                       const std::string& hostName,
                                       std::function<void(const std::string&, bool)> report,
                                       std::string* warning, std::string* error)
{
    MqttBroker broker;
    broker.host = options.host;
    broker.port = options.port.value_or(options.caFile ? 8883 : 1883);
    broker.caFile = options.caFile;
    broker.user = options.user;
    if (options.passwordFile) {
        broker.password = readMqttPassword(*options.passwordFile, warning, error);
        if (!broker.password)
            return nullptr;
    } else {
        broker.password = std::move(environmentPassword);
    }
    const std::string node = options.node.value_or(mqttNodeName(hostName));
    // Two programs on one host, the window and the console mode, must not push each other off.
    broker.clientId = "quorvil4-" + node + "-" + std::to_string(::getpid());
    std::unique_ptr<MosquittoLink> link =
        MosquittoLink::open(broker, mqttAvailabilityTopic(node), error);
    if (!link)
        return nullptr;
    const bool bracketed = broker.host.find(':') != std::string::npos;
    const std::string where =
        (bracketed ? "[" + broker.host + "]" : broker.host) + ":" + std::to_string(broker.port);
    return std::make_shared<MqttPublisher>(std::move(link), node, QUORVIL_VERSION, where,
                                           std::move(report));
}
