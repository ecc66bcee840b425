#pragma once

#include "monitor/tickrecord.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The connection to an MQTT broker as the publisher sees it: a client that connects, reconnects
// and sends on its own, so that nothing here ever waits.
class MqttLink {
public:
    // Called on the event loop, never from the client's own thread.
    struct Events {
        std::function<void()> connected;
        std::function<void(const std::string& reason)> failed; // each failed or lost connection
        std::function<void(const std::string& topic, const std::string& payload)> message;
    };

    virtual ~MqttLink() = default;
    // Begins connecting, and connecting again whenever the connection is lost.
    virtual void start(Events events) = 0;
    // Queued; dropped while there is no connection.
    virtual void publish(const std::string& topic, const std::string& payload, bool retain) = 0;
    virtual void subscribe(const std::string& topic) = 0;
};

// A device name for topics from a host name: lower case, and only letters, digits, '_' and '-'.
std::string mqttNodeName(std::string_view hostName);
bool isMqttNodeName(std::string_view name);

std::string mqttAvailabilityTopic(std::string_view node);
// leaf is "state", "availability" or "alarm".
std::string mqttSensorTopic(std::string_view node, int sensor, std::string_view leaf);
std::string mqttSensorConfigTopic(std::string_view node, int sensor);
std::string mqttAlarmConfigTopic(std::string_view node, int sensor);
constexpr std::string_view MqttDiscoveryStatusTopic = "homeassistant/status";

// The discovery entries (JSON) of sensor 1..4 and of its alarm.
std::string mqttSensorConfig(std::string_view node, std::string_view version, int sensor,
                             std::string_view name);
std::string mqttAlarmConfig(std::string_view node, std::string_view version, int sensor,
                            std::string_view name);

// Celsius with one decimal, as the state topic carries it.
std::string mqttCelsiusText(double celsius);

// Publishes each tick's readings with their discovery entries: a state when it moves by 0.1 °C
// or a minute has passed, availability and alarms when they change, everything again after each
// connection.
class MqttPublisher final : public TickSink {
public:
    // report takes one line for the user, and whether the connection works: once when it is
    // lost (or cannot be made) and once when it is back.
    MqttPublisher(std::unique_ptr<MqttLink> link, std::string node, std::string version,
                  std::string broker, std::function<void(const std::string&, bool)> report);
    // Says "offline" itself before the link goes.
    ~MqttPublisher() override;

    void record(const TickRecord& tick) override;

    static constexpr std::int64_t StateRepeatMs = 60000;
    static constexpr double StateStep = 0.1;

private:
    struct Sent {
        std::optional<bool> announced; // none: unknown to the broker since this connection
        std::string announcedName;
        std::optional<bool> alarmAnnounced;
        std::string alarmName;
        std::optional<bool> available;
        std::optional<double> celsius;
        std::int64_t celsiusAtMs = 0;
        std::optional<bool> alarm;
    };

    void connected();
    void failed(const std::string& reason);
    void message(const std::string& topic, const std::string& payload);
    void publishTick(const TickRecord& tick);
    void publishSensor(int sensor, const SensorRecord& s, std::int64_t unixMs);

    std::unique_ptr<MqttLink> m_link;
    std::string m_node;
    std::string m_version;
    std::string m_broker;
    std::function<void(const std::string&, bool)> m_report;
    enum class Connection { Starting, Up, Down } m_connection = Connection::Starting;
    bool m_wasUp = false;
    std::optional<TickRecord> m_last;
    std::array<Sent, 4> m_sent;
};
