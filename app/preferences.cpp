#include "app/preferences.h"

#include "app/controls.h"
#include "app/messagebox.h"
#include "app/textforms.h"
#include "settings/registry.h"
#include "settings/schema.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <string>

namespace {

const QString DeletePrompt =
    QStringLiteral("Are you sure you want to delete ALL Quorvil settings?");
const QString DeleteTitle = QStringLiteral("Delete ALL Quorvil Settings");
constexpr int DeleteButtons = msgbox::YesNo + msgbox::Exclamation + msgbox::DefaultButton2;

QString loadText(registry& store, const char* section, const char* key, const QString& current)
{
    return QString::fromStdString(store.GetSetting(section, key, current.toStdString()));
}

void loadPosition(registry& store, const char* section, const char* key, QComboBox* list)
{
    const int current = listPosition(list);
    const std::optional<long long> position =
        parseWholeNumber(store.GetSetting(section, key, std::to_string(current)));
    if (position && *position >= -1 && *position < list->count())
        setListPosition(list, int(*position));
}

void loadOption(registry& store, const char* section, const char* key, QAbstractButton* option)
{
    const std::optional<bool> selected =
        parseTruth(store.GetSetting(section, key, truthText(option->isChecked())));
    if (selected)
        setOptionValue(option, *selected);
}

} // namespace

void loadPreferences(registry& store, const PreferenceControls& controls)
{
    for (std::size_t i = 0; i < controls.sensors.size(); ++i) {
        const SensorKeys& keys = sensorKeys[i];
        const PreferenceControls::Sensor& sensor = controls.sensors[i];
        sensor.name->setText(loadText(store, keys.section, keys.name, sensor.name->text()));
        sensor.heading->setText(loadText(store, keys.section, keys.name, sensor.name->text()));
        for (std::size_t c = 0; c < 3; ++c)
            sensor.coefficients[c]->setText(loadText(store, keys.section, keys.coefficients[c],
                                                     sensor.coefficients[c]->text()));
        loadPosition(store, keys.section, keys.offset, sensor.offset);
    }
    loadPosition(store, MiscSection, TimerIntervalKey, controls.interval);
    // Celsius first: a hand-edited pair that selects both ends in Fahrenheit.
    loadOption(store, MiscSection, Degrees1CKey, controls.celsius);
    loadOption(store, MiscSection, Degrees1FKey, controls.fahrenheit);
}

std::optional<std::string> savePreferences(registry& store, const PreferenceControls& controls)
{
    store.beginBatch();
    for (std::size_t i = 0; i < controls.sensors.size(); ++i) {
        const SensorKeys& keys = sensorKeys[i];
        const PreferenceControls::Sensor& sensor = controls.sensors[i];
        store.SaveSetting(keys.section, keys.name, sensor.name->text().toStdString());
        for (std::size_t c = 0; c < 3; ++c)
            store.SaveSetting(keys.section, keys.coefficients[c],
                              sensor.coefficients[c]->text().toStdString());
        store.SaveSetting(keys.section, keys.offset, std::to_string(listPosition(sensor.offset)));
    }
    store.SaveSetting(MiscSection, TimerIntervalKey,
                      std::to_string(listPosition(controls.interval)));
    store.SaveSetting(MiscSection, Degrees1CKey, truthText(controls.celsius->isChecked()));
    store.SaveSetting(MiscSection, Degrees1FKey, truthText(controls.fahrenheit->isChecked()));
    if (store.endBatch())
        return std::nullopt;
    return store.failureReason();
}

void deletePreferences(registry& store, MessageBoxes& messageBoxes)
{
    if (messageBoxes.MsgBox(DeletePrompt, DeleteButtons, DeleteTitle) != msgbox::Yes)
        return;
    store.beginBatch(); // one wait for the store's lock, not one per section
    for (const char* section : settingSections)
        store.DeleteSetting(section);
    store.endBatch();
}
