#pragma once

#include <array>
#include <optional>
#include <string>

class MessageBoxes;
class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class registry;

// The setup controls whose values are the stored preferences.
struct PreferenceControls {
    struct Sensor {
        QLineEdit* name;
        QLabel* heading;                        // loaded, never saved
        std::array<QLineEdit*, 3> coefficients; // A, B, C
        QComboBox* offset;
    };
    std::array<Sensor, 4> sensors;
    QComboBox* interval;
    QAbstractButton* celsius;
    QAbstractButton* fahrenheit;
};

// Loads every stored preference into its control. A missing key, or a stored text the control
// cannot take, leaves that control as it is.
void loadPreferences(registry& store, const PreferenceControls& controls);
// Writes the 23 preferences as one change of the store; never the window position. When any
// write fails, the reason for the user.
std::optional<std::string> savePreferences(registry& store, const PreferenceControls& controls);
// Asks, and on Yes deletes every section of the settings. Changes no control. When the store
// refuses, the reason for the user.
std::optional<std::string> deletePreferences(registry& store, MessageBoxes& messageBoxes);
