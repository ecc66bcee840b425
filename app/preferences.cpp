#include "app/preferences.h"

#include "app/controls.h"
#include "app/messagebox.h"
#include "settings/preferences.h"
#include "settings/registry.h"
#include "settings/schema.h"
#include "util/textforms.h"

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

Preferences fromControls(const PreferenceControls& controls)
{
    Preferences preferences;
    for (std::size_t i = 0; i < controls.sensors.size(); ++i) {
        const PreferenceControls::Sensor& from = controls.sensors[i];
        Preferences::Sensor& to = preferences.sensors[i];
        to.name = from.name->text().toStdString();
        to.heading = from.heading->text().toStdString();
        for (std::size_t c = 0; c < 3; ++c)
            to.coefficients[c] = from.coefficients[c]->text().toStdString();
        to.offset = listPosition(from.offset);
    }
    preferences.interval = listPosition(controls.interval);
    preferences.celsius = controls.celsius->isChecked();
    preferences.fahrenheit = controls.fahrenheit->isChecked();
    return preferences;
}

} // namespace

void loadPreferences(registry& store, const PreferenceControls& controls)
{
    Preferences preferences = fromControls(controls);
    loadPreferences(store, preferences);
    for (std::size_t i = 0; i < controls.sensors.size(); ++i) {
        const Preferences::Sensor& from = preferences.sensors[i];
        const PreferenceControls::Sensor& to = controls.sensors[i];
        to.name->setText(QString::fromStdString(from.name));
        to.heading->setText(QString::fromStdString(from.heading));
        for (std::size_t c = 0; c < 3; ++c)
            to.coefficients[c]->setText(QString::fromStdString(from.coefficients[c]));
        setListPosition(to.offset, from.offset);
    }
    // Setting the interval's position runs its change handler, as a choice by the user would.
    setListPosition(controls.interval, preferences.interval);
    setOptionValue(controls.celsius, preferences.celsius);
    setOptionValue(controls.fahrenheit, preferences.fahrenheit);
}

std::optional<std::string> savePreferences(registry& store, const PreferenceControls& controls)
{
    return savePreferences(store, fromControls(controls));
}

std::optional<std::string> deletePreferences(registry& store, MessageBoxes& messageBoxes)
{
    if (messageBoxes.MsgBox(DeletePrompt, DeleteButtons, DeleteTitle) != msgbox::Yes)
        return std::nullopt;
    store.beginBatch(); // one wait for the store's lock, not one per section
    for (const char* section : settingSections)
        store.DeleteSetting(section);
    if (store.endBatch())
        return std::nullopt;
    return store.failureReason();
}
