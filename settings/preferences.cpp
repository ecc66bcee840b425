#include "settings/preferences.h"

#include "settings/registry.h"
#include "settings/schema.h"
#include "util/textforms.h"

#include <optional>

namespace {

// Offset and interval lists hold seven items each.
constexpr int ListItems = 7;

void loadText(registry& store, const char* section, const char* key, std::string& value)
{
    value = store.GetSetting(section, key, value);
}

void loadPosition(registry& store, const char* section, const char* key, int& position)
{
    const std::optional<long long> stored =
        parseWholeNumber(store.GetSetting(section, key, std::to_string(position)));
    if (stored && *stored >= -1 && *stored < ListItems)
        position = int(*stored);
}

// Selecting one scale deselects the other; deselecting leaves the other as it is.
void loadOption(registry& store, const char* key, bool& option, bool& other)
{
    const std::optional<bool> selected =
        parseTruth(store.GetSetting(MiscSection, key, truthText(option)));
    if (!selected)
        return;
    option = *selected;
    if (option)
        other = false;
}

// The reason of a batch that failed.
std::optional<std::string> batchFailure(registry& store)
{
    if (store.endBatch())
        return std::nullopt;
    return store.failureReason();
}

} // namespace

Preferences designPreferences()
{
    Preferences preferences;
    for (std::size_t i = 0; i < preferences.sensors.size(); ++i) {
        Preferences::Sensor& sensor = preferences.sensors[i];
        sensor.name = sensor.heading = "Sensor " + std::to_string(i + 1);
        sensor.coefficients = {"0.001355699", "0.000196433", "0.000000130"};
    }
    return preferences;
}

void loadPreferences(registry& store, Preferences& preferences)
{
    for (std::size_t i = 0; i < preferences.sensors.size(); ++i) {
        const SensorKeys& keys = sensorKeys[i];
        Preferences::Sensor& sensor = preferences.sensors[i];
        loadText(store, keys.section, keys.name, sensor.name);
        // The heading follows the name box as just loaded.
        sensor.heading = sensor.name;
        loadText(store, keys.section, keys.name, sensor.heading);
        for (std::size_t c = 0; c < 3; ++c)
            loadText(store, keys.section, keys.coefficients[c], sensor.coefficients[c]);
        loadPosition(store, keys.section, keys.offset, sensor.offset);
    }
    loadPosition(store, MiscSection, TimerIntervalKey, preferences.interval);
    loadOption(store, Degrees1CKey, preferences.celsius, preferences.fahrenheit);
    loadOption(store, Degrees1FKey, preferences.fahrenheit, preferences.celsius);
}

namespace {

std::string alarmKey(bool high, std::size_t sensor)
{
    return (high ? "High" : "Low") + std::to_string(sensor + 1);
}

} // namespace

std::optional<std::string> savePreferences(registry& store, const Preferences& preferences)
{
    store.beginBatch();
    for (std::size_t i = 0; i < preferences.sensors.size(); ++i) {
        const SensorKeys& keys = sensorKeys[i];
        const Preferences::Sensor& sensor = preferences.sensors[i];
        store.SaveSetting(keys.section, keys.name, sensor.name);
        for (std::size_t c = 0; c < 3; ++c)
            store.SaveSetting(keys.section, keys.coefficients[c], sensor.coefficients[c]);
        store.SaveSetting(keys.section, keys.offset, std::to_string(sensor.offset));
    }
    store.SaveSetting(MiscSection, TimerIntervalKey, std::to_string(preferences.interval));
    store.SaveSetting(MiscSection, Degrees1CKey, truthText(preferences.celsius));
    store.SaveSetting(MiscSection, Degrees1FKey, truthText(preferences.fahrenheit));
    return batchFailure(store);
}

StoredAlarms loadAlarms(registry& store)
{
    StoredAlarms alarms;
    alarms.fahrenheit = store.GetSetting(AlarmsSection, AlarmScaleKey, "C") == "F";
    for (std::size_t i = 0; i < 4; ++i)
        for (const bool high : {true, false}) {
            std::optional<int>& value = (high ? alarms.high : alarms.low)[i];
            if (!parseThreshold(store.GetSetting(AlarmsSection, alarmKey(high, i)), value))
                value.reset();
        }
    return alarms;
}

std::optional<std::string> saveAlarms(registry& store, const StoredAlarms& alarms)
{
    store.beginBatch();
    for (std::size_t i = 0; i < 4; ++i)
        for (const bool high : {true, false}) {
            const std::optional<int>& value = (high ? alarms.high : alarms.low)[i];
            store.SaveSetting(AlarmsSection, alarmKey(high, i),
                              value ? std::to_string(*value) : std::string());
        }
    store.SaveSetting(AlarmsSection, AlarmScaleKey, alarms.fahrenheit ? "F" : "C");
    return batchFailure(store);
}

bool historyWanted(registry& store)
{
    return store.GetSetting(HistorySection, HistoryRecordKey, "1") != "0";
}
