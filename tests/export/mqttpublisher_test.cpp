#include "export/mqttpublisher.h"
#include "support/fakemqttlink.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

using Payloads = std::vector<std::string>;

QJsonObject parsed(const std::string& json)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json;
    return document.object();
}

SensorRecord sensor(std::optional<double> celsius, std::string name = "Cellar")
{
    SensorRecord s;
    s.name = std::move(name);
    s.coefficients = true;
    s.counted = celsius.has_value();
    s.celsius = celsius;
    return s;
}

TickRecord tick(std::int64_t second, std::optional<double> celsius1)
{
    TickRecord t;
    t.unixMs = 1'800'000'000'000 + second * 1000;
    t.sensors[0] = sensor(celsius1);
    return t;
}

struct Publisher {
    FakeMqttLink* link = new FakeMqttLink;
    std::vector<std::pair<std::string, bool>> reports;
    MqttPublisher publisher{
        std::unique_ptr<MqttLink>(link), "den", "4.1", "broker:1883",
        [this](const std::string& line, bool works) { reports.emplace_back(line, works); }};
};

const std::string State = "quorvil4/den/sensor1/state";
const std::string Availability = "quorvil4/den/sensor1/availability";
const std::string Alarm = "quorvil4/den/sensor1/alarm";
const std::string Config = "homeassistant/sensor/quorvil4_den/sensor1/config";
const std::string AlarmConfig = "homeassistant/binary_sensor/quorvil4_den/sensor1_alarm/config";

} // namespace

TEST(MqttPayloads, discoveryIsValidJsonWhateverTheName)
{
    const std::string name = "Cellar \"B\"\\2\x01\tend";
    const QJsonObject config = parsed(mqttSensorConfig("den", "4.1", 1, name));
    EXPECT_EQ(config["name"].toString().toStdString(), name);
    EXPECT_EQ(config["unique_id"].toString(), "quorvil4_den_sensor1");
    EXPECT_EQ(config["state_topic"].toString().toStdString(), State);
    EXPECT_EQ(config["device_class"].toString(), "temperature");
    EXPECT_EQ(config["unit_of_measurement"].toString(), QStringLiteral("°C"));
    const QJsonArray availability = config["availability"].toArray();
    ASSERT_EQ(availability.size(), 2);
    EXPECT_EQ(availability[0].toObject()["topic"].toString(), "quorvil4/den/availability");
    EXPECT_EQ(availability[1].toObject()["topic"].toString().toStdString(), Availability);
    const QJsonObject device = config["device"].toObject();
    EXPECT_EQ(device["identifiers"].toArray().first().toString(), "quorvil4_den");
    EXPECT_EQ(device["sw_version"].toString(), "4.1");

    const QJsonObject alarm = parsed(mqttAlarmConfig("den", "4.1", 3, name));
    EXPECT_EQ(alarm["name"].toString().toStdString(), name + " alarm");
    EXPECT_EQ(alarm["device_class"].toString(), "problem");
    EXPECT_EQ(alarm["state_topic"].toString(), "quorvil4/den/sensor3/alarm");
    EXPECT_EQ(alarm["device"], config["device"]);
    // An unnamed sensor still shows as something.
    EXPECT_EQ(parsed(mqttSensorConfig("den", "4.1", 2, ""))["name"].toString(), "Sensor 2");
}

TEST(MqttPayloads, nodeNamesAndCelsiusText)
{
    EXPECT_EQ(mqttNodeName("Den-PC.local/4 #1+"), "den-pc_local_4__1_");
    EXPECT_EQ(mqttNodeName(""), "quorvil4");
    for (const char* bad : {"", "Den", "den/2", "den+", "#", "dén"})
        EXPECT_FALSE(isMqttNodeName(bad)) << bad;

    EXPECT_EQ(mqttCelsiusText(21.06), "21.1");
    EXPECT_EQ(mqttCelsiusText(-3.26), "-3.3");
    EXPECT_EQ(mqttCelsiusText(-0.04), "0.0");
}

TEST(MqttPublisher, nothingBeforeTheConnectionThenEverythingRetained)
{
    Publisher p;
    p.publisher.record(tick(0, 21.0));
    EXPECT_TRUE(p.link->sent.empty());

    p.link->events.connected();
    EXPECT_EQ(p.link->subscriptions, Payloads{"homeassistant/status"});
    for (const FakeMqttLink::Message& m : p.link->sent)
        EXPECT_TRUE(m.retain) << m.topic;
    EXPECT_EQ(p.link->take("quorvil4/den/availability"), Payloads{"online"});
    EXPECT_EQ(p.link->take(State), Payloads{"21.0"});
    EXPECT_EQ(p.link->take(Availability), Payloads{"online"});
    EXPECT_EQ(p.link->take(Config).size(), 1u);
    // Sensors without coefficients are taken off the dashboard, and send nothing else.
    for (int n = 2; n <= 4; ++n)
        EXPECT_EQ(p.link->take(mqttSensorConfigTopic("den", n)), Payloads{""});
    EXPECT_EQ(p.link->take(AlarmConfig), Payloads{""});
    EXPECT_TRUE(p.reports.empty());
}

TEST(MqttPublisher, stateOnATenthOfADegreeOrAMinute)
{
    Publisher p;
    p.link->events.connected();
    const std::vector<std::pair<std::int64_t, double>> script = {
        {0, 21.0},  {1, 21.05}, {2, 21.1},  {3, 21.02}, {4, 21.01}, // 21.1 - 21.02 < 0.1
        {5, 20.99}, {64, 21.0}, {65, 21.0}, {66, 20.0}, {67, 20.0}, // a minute from 5
        {30, 20.0},                                                 // the clock set back
    };
    for (const auto& [second, celsius] : script)
        p.publisher.record(tick(second, celsius));
    EXPECT_EQ(p.link->take(State), (Payloads{"21.0", "21.1", "21.0", "21.0", "20.0", "20.0"}));
}

TEST(MqttPublisher, availabilityPerSensorOnlyWhenItChanges)
{
    Publisher p;
    p.link->events.connected();
    for (const std::optional<double> celsius :
         std::vector<std::optional<double>>{21.0, std::nullopt, std::nullopt, 21.0, 21.0})
        p.publisher.record(tick(0, celsius));
    EXPECT_EQ(p.link->take(Availability), (Payloads{"online", "offline", "online"}));
    // Back at the same temperature: the retained state still holds it.
    EXPECT_EQ(p.link->take(State), Payloads{"21.0"});
}

TEST(MqttPublisher, alarmsAndDiscoveryFollowTheRecord)
{
    Publisher p;
    p.link->events.connected();
    TickRecord t = tick(0, 30.0);
    t.sensors[0].high = false;
    p.publisher.record(t);
    EXPECT_EQ(p.link->take(Alarm), Payloads{"OFF"});
    EXPECT_EQ(parsed(p.link->take(AlarmConfig).at(0))["device_class"].toString(), "problem");
    t.sensors[0].high = true;
    p.publisher.record(t);
    p.publisher.record(t);
    t.sensors[0].high = false;
    t.sensors[0].low = true;
    p.publisher.record(t);
    EXPECT_EQ(p.link->take(Alarm), (Payloads{"ON"}));
    p.link->sent.clear();
    // A rename goes to both entries once; no threshold left takes the alarm off.
    t.sensors[0].name = "Freezer";
    t.sensors[0].high.reset();
    t.sensors[0].low.reset();
    p.publisher.record(t);
    p.publisher.record(t);
    EXPECT_EQ(parsed(p.link->take(Config).at(0))["name"].toString(), "Freezer");
    EXPECT_EQ(p.link->take(AlarmConfig), Payloads{""});
    EXPECT_TRUE(p.link->take(Alarm).empty());
    // Coefficients gone: the sensor leaves the dashboard and publishes nothing more.
    t.sensors[0].coefficients = false;
    t.sensors[0].celsius = 40.0;
    p.publisher.record(t);
    EXPECT_EQ(p.link->take(Config), Payloads{""});
    EXPECT_TRUE(p.link->take(State).empty());
}

TEST(MqttPublisher, homeAssistantOnlineBringsDiscoveryAgain)
{
    Publisher p;
    p.link->events.connected();
    p.publisher.record(tick(0, 21.0));
    p.link->sent.clear();
    p.link->events.message("homeassistant/status", "offline");
    p.link->events.message("quorvil4/den/x", "online");
    EXPECT_TRUE(p.link->sent.empty());
    p.link->events.message("homeassistant/status", "online");
    EXPECT_EQ(p.link->take(Config).size(), 1u);
    EXPECT_TRUE(p.link->take(State).empty());
}

TEST(MqttPublisher, reportsOnceWhenLostAndOnceWhenBack)
{
    Publisher p;
    p.link->events.failed("Connection refused");
    p.link->events.failed("Connection refused");
    ASSERT_EQ(p.reports.size(), 1u);
    EXPECT_EQ(p.reports[0].first, "MQTT: cannot connect to broker:1883: Connection refused; "
                                  "trying again");
    EXPECT_FALSE(p.reports[0].second);
    p.link->events.connected();
    EXPECT_EQ(p.reports.back(),
              std::make_pair(std::string("MQTT: connected to broker:1883"), true));
    const auto back = std::make_pair(std::string("MQTT: connected to broker:1883 again"), true);
    p.publisher.record(tick(0, 21.0));
    p.link->events.failed("The connection was lost");
    p.link->events.failed("Connection refused");
    p.link->events.connected();
    ASSERT_EQ(p.reports.size(), 4u);
    EXPECT_EQ(p.reports[2].first,
              "MQTT: connection to broker:1883 lost: The connection was lost; trying again");
    EXPECT_FALSE(p.reports[2].second);
    EXPECT_EQ(p.reports[3], back);
    // The new session is told everything again.
    EXPECT_EQ(p.link->take("quorvil4/den/availability"), (Payloads{"online", "online"}));
    EXPECT_EQ(p.link->take(State), (Payloads{"21.0", "21.0"}));
}

TEST(MqttPublisher, saysOfflineAtTheEnd)
{
    std::vector<FakeMqttLink::Message> lastWords;
    {
        Publisher p;
        p.link->lastWords = &lastWords;
        p.link->events.connected();
        p.link->sent.clear();
    }
    ASSERT_EQ(lastWords.size(), 1u);
    EXPECT_EQ(lastWords[0].topic, "quorvil4/den/availability");
    EXPECT_EQ(lastWords[0].payload, "offline");
    EXPECT_TRUE(lastWords[0].retain);
}
