#pragma once

#include "monitor/alarms.h"

#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

// What the alarms window reads from and asks of the main window.
class AlarmSource {
public:
    virtual ~AlarmSource() = default;

    virtual QString sensorHeading(int sensor) const = 0; // LabelS1..LabelS4
    virtual Scale scaleInUse() const = 0;
    virtual AlarmWatch& alarms() = 0;
    // Stores the thresholds, telling the user when that fails.
    virtual void saveAlarms() = 0;
};

// Minimum, maximum and the alarm thresholds of each sensor. Modeless, at most one; deletes
// itself when closed. Without a source (the main window has gone) it only shows what it last
// showed.
class frmAlarms final : public QWidget {
    Q_OBJECT

public:
    explicit frmAlarms(AlarmSource* source);

    void setSource(AlarmSource* source);
    // Shows the current values; thresholds in the scale in use.
    void refresh();

    struct Row {
        QLabel* heading;
        QLabel* current;
        QLabel* minimum;
        QLabel* maximum;
        QLineEdit* high;
        QLineEdit* low;
        QLabel* state;
    };
    std::array<Row, 4> rows{};
    QLabel* lblMessage = nullptr; // a threshold not (yet) in effect, or readings stopped
    QPushButton* btnReset = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnClose = nullptr;

private:
    // Typing only marks a box; its text takes effect, whole, when the user finishes it.
    void thresholdEdited(int sensor, AlarmWatch::Side side, QLineEdit* box);
    void thresholdFinished(int sensor, AlarmWatch::Side side, QLineEdit* box);
    // "Sensor 2 High: 30 stays in effect" and the like.
    QString inEffect(int sensor, AlarmWatch::Side side) const;
    void showThresholds();

    AlarmSource* m_source;
    Scale m_shownScale = Scale::None;
};
