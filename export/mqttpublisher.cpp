#include "export/mqttpublisher.h"

#include "util/text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <charconv>
#include <cmath>

namespace {

QString text(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string sensorId(std::string_view node, int sensor)
{
    return "quorvil4_" + std::string(node) + "_sensor" + std::to_string(sensor);
}

// What every entry of this device shares: the device itself, and the program's availability.
QJsonObject entry(std::string_view node, std::string_view version, std::string_view name)
{
    const QString id = QStringLiteral("quorvil4_") + text(node);
    return {
        {QStringLiteral("name"), text(name)},
        {QStringLiteral("device"),
         QJsonObject{{QStringLiteral("identifiers"), QJsonArray{id}},
                     {QStringLiteral("name"), QStringLiteral("Quorvil4 ") + text(node)},
                     {QStringLiteral("model"), QStringLiteral("Quorvil4")},
                     {QStringLiteral("sw_version"), text(version)}}},
    };
}

QJsonObject availability(const std::string& topic)
{
    return {{QStringLiteral("topic"), QString::fromStdString(topic)}};
}

std::string json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

// A stored name may be empty; the dashboard still needs something to show.
std::string shownName(std::string_view name, int sensor)
{
    return name.empty() ? "Sensor " + std::to_string(sensor) : std::string(name);
}

} // namespace

std::string mqttNodeName(std::string_view hostName)
{
    std::string node;
    for (const char c : hostName) {
        const char lower = lowerAscii(c);
        node += isMqttNodeName(std::string_view(&lower, 1)) ? lower : '_';
    }
    return node.empty() ? "quorvil4" : node;
}

bool isMqttNodeName(std::string_view name)
{
    if (name.empty())
        return false;
    for (const char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-'))
            return false;
    return true;
}

std::string mqttAvailabilityTopic(std::string_view node)
{
    return "quorvil4/" + std::string(node) + "/availability";
}

std::string mqttSensorTopic(std::string_view node, int sensor, std::string_view leaf)
{
    return "quorvil4/" + std::string(node) + "/sensor" + std::to_string(sensor) + "/" +
           std::string(leaf);
}

std::string mqttSensorConfigTopic(std::string_view node, int sensor)
{
    return "homeassistant/sensor/quorvil4_" + std::string(node) + "/sensor" +
           std::to_string(sensor) + "/config";
}

std::string mqttAlarmConfigTopic(std::string_view node, int sensor)
{
    return "homeassistant/binary_sensor/quorvil4_" + std::string(node) + "/sensor" +
           std::to_string(sensor) + "_alarm/config";
}

std::string mqttSensorConfig(std::string_view node, std::string_view version, int sensor,
                             std::string_view name)
{
    QJsonObject config = entry(node, version, shownName(name, sensor));
    config[QStringLiteral("unique_id")] = QString::fromStdString(sensorId(node, sensor));
    config[QStringLiteral("state_topic")] =
        QString::fromStdString(mqttSensorTopic(node, sensor, "state"));
    config[QStringLiteral("device_class")] = QStringLiteral("temperature");
    config[QStringLiteral("state_class")] = QStringLiteral("measurement");
    config[QStringLiteral("unit_of_measurement")] = QStringLiteral("°C");
    config[QStringLiteral("suggested_display_precision")] = 1;
    config[QStringLiteral("availability")] =
        QJsonArray{availability(mqttAvailabilityTopic(node)),
                   availability(mqttSensorTopic(node, sensor, "availability"))};
    config[QStringLiteral("availability_mode")] = QStringLiteral("all");
    return json(config);
}

std::string mqttAlarmConfig(std::string_view node, std::string_view version, int sensor,
                            std::string_view name)
{
    QJsonObject config = entry(node, version, shownName(name, sensor) + " alarm");
    config[QStringLiteral("unique_id")] = QString::fromStdString(sensorId(node, sensor) + "_alarm");
    config[QStringLiteral("state_topic")] =
        QString::fromStdString(mqttSensorTopic(node, sensor, "alarm"));
    config[QStringLiteral("device_class")] = QStringLiteral("problem");
    config[QStringLiteral("availability_topic")] =
        QString::fromStdString(mqttAvailabilityTopic(node));
    return json(config);
}

std::string mqttCelsiusText(double celsius)
{
    char buffer[32];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, celsius, std::chars_format::fixed, 1);
    std::string result(buffer, ec == std::errc() ? end : buffer);
    // -0.04 rounds to "-0.0", which a dashboard would plot apart from 0.0.
    return result == "-0.0" ? "0.0" : result;
}

MqttPublisher::MqttPublisher(std::unique_ptr<MqttLink> link, std::string node, std::string version,
                             std::string broker,
                             std::function<void(const std::string&, bool)> report)
    : m_link(std::move(link)), m_node(std::move(node)), m_version(std::move(version)),
      m_broker(std::move(broker)), m_report(std::move(report))
{
    m_link->start({[this] { connected(); }, [this](const std::string& reason) { failed(reason); },
                   [this](const std::string& topic, const std::string& payload) {
                       message(topic, payload);
                   }});
}

MqttPublisher::~MqttPublisher()
{
    if (m_connection == Connection::Up)
        m_link->publish(mqttAvailabilityTopic(m_node), "offline", true);
}

void MqttPublisher::record(const TickRecord& tick)
{
    m_last = tick;
    if (m_connection == Connection::Up)
        publishTick(tick);
}

void MqttPublisher::connected()
{
    if (m_connection == Connection::Down)
        m_report("MQTT: connected to " + m_broker + (m_wasUp ? " again" : ""), true);
    m_wasUp = true;
    m_connection = Connection::Up;
    // A new session: the broker may have lost anything, and a retained entry from an earlier
    // run may be stale.
    m_sent = {};
    m_link->publish(mqttAvailabilityTopic(m_node), "online", true);
    m_link->subscribe(std::string(MqttDiscoveryStatusTopic));
    if (m_last)
        publishTick(*m_last);
}

void MqttPublisher::failed(const std::string& reason)
{
    if (m_connection == Connection::Starting)
        m_report("MQTT: cannot connect to " + m_broker + ": " + reason + "; trying again", false);
    else if (m_connection == Connection::Up)
        m_report("MQTT: connection to " + m_broker + " lost: " + reason + "; trying again", false);
    m_connection = Connection::Down;
}

void MqttPublisher::message(const std::string& topic, const std::string& payload)
{
    if (topic != MqttDiscoveryStatusTopic || payload != "online" || m_connection != Connection::Up)
        return;
    // Home Assistant has started again and forgotten what it was not kept for.
    for (Sent& sent : m_sent) {
        sent.announced.reset();
        sent.alarmAnnounced.reset();
    }
    if (m_last)
        publishTick(*m_last);
}

void MqttPublisher::publishTick(const TickRecord& tick)
{
    for (int sensor = 1; sensor <= 4; ++sensor)
        publishSensor(sensor, tick.sensors[sensor - 1], tick.unixMs);
}

void MqttPublisher::publishSensor(int sensor, const SensorRecord& s, std::int64_t unixMs)
{
    Sent& sent = m_sent[sensor - 1];
    const auto publish = [&](const std::string& topic, const std::string& payload) {
        m_link->publish(topic, payload, true);
    };
    // An empty retained entry takes a sensor off the dashboard. The entry is built only when it
    // goes out: the steady tick sends nothing and makes nothing.
    using Topic = std::string (*)(std::string_view, int);
    using Config = std::string (*)(std::string_view, std::string_view, int, std::string_view);
    const auto announce = [&](std::optional<bool>& announced, std::string& announcedName,
                              bool wanted, Topic topic, Config config) {
        if (wanted && (announced != true || announcedName != s.name))
            publish(topic(m_node, sensor), config(m_node, m_version, sensor, s.name));
        else if (!wanted && announced != false)
            publish(topic(m_node, sensor), "");
        announced = wanted;
        if (announcedName != s.name)
            announcedName = s.name;
    };

    announce(sent.announced, sent.announcedName, s.coefficients, &mqttSensorConfigTopic,
             &mqttSensorConfig);
    const bool threshold = s.high.has_value() || s.low.has_value();
    announce(sent.alarmAnnounced, sent.alarmName, s.coefficients && threshold,
             &mqttAlarmConfigTopic, &mqttAlarmConfig);
    if (!s.coefficients)
        return;

    const bool available = s.celsius.has_value();
    if (sent.available != available)
        publish(mqttSensorTopic(m_node, sensor, "availability"), available ? "online" : "offline");
    sent.available = available;
    // Slack for the binary fractions, so that 21.0 to 21.1 counts as a step.
    if (available && (!sent.celsius || std::abs(*s.celsius - *sent.celsius) >= StateStep - 1e-9 ||
                      unixMs - sent.celsiusAtMs >= StateRepeatMs || unixMs < sent.celsiusAtMs)) {
        publish(mqttSensorTopic(m_node, sensor, "state"), mqttCelsiusText(*s.celsius));
        sent.celsius = s.celsius;
        sent.celsiusAtMs = unixMs;
    }

    if (!threshold) {
        sent.alarm.reset();
        return;
    }
    const bool on = s.high.value_or(false) || s.low.value_or(false);
    if (sent.alarm != on)
        publish(mqttSensorTopic(m_node, sensor, "alarm"), on ? "ON" : "OFF");
    sent.alarm = on;
}
