#pragma once

#include "app/calibrationtarget.h"

#include <QWidget>
#include <array>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Works out a sensor's coefficients from three reference points as the user types them, and
// applies them to the main window's setup panel. Deletes itself when closed.
class frmCalibrate final : public QWidget {
    Q_OBJECT

public:
    // The sheet keeps what is typed beyond this window's life; without one the window keeps its
    // own.
    explicit frmCalibrate(CalibrationTarget* target,
                          std::shared_ptr<CalibrationSheet> sheet = nullptr);

    // Called with nullptr when the main window goes: there is then nothing to read from or
    // apply to.
    void setTarget(CalibrationTarget* target);

    QComboBox* cboSensor = nullptr; // by the main window's headings
    QLabel* lblDevice = nullptr;    // the joystick and device that feed the chosen sensor
    QRadioButton *opCelsius = nullptr, *opFahrenheit = nullptr;
    std::array<QLineEdit*, 3> txtTemperature{};
    std::array<QLineEdit*, 3> txtReading{};
    std::array<QPushButton*, 3> btnTake{};
    std::array<QLabel*, 3> lblFitted{}; // the temperature the fit gives back at each reading
    QLineEdit *txtA = nullptr, *txtB = nullptr, *txtC = nullptr;
    QLabel* lblMessage = nullptr; // why nothing can be applied, or a warning
    QPushButton *btnApply = nullptr, *btnClose = nullptr;

    void btnTake_Click(int row);
    void btnApply_Click();
    void btnClose_Click();

protected:
    bool event(QEvent* event) override;

private:
    void createControls();
    void refreshHeadings();
    void showDevice();
    // Shows sensor 1..4's own points and scale.
    void showSensor(int sensor);
    CalibrationSheet::Sensor& shownSheet() { return m_sheet->sensors[m_sheet->shown - 1]; }
    void recompute();

    CalibrationTarget* m_target;
    std::shared_ptr<CalibrationSheet> m_sheet;
    bool m_showing = false; // the boxes are being filled from the sheet
    bool m_sound = false;   // A, B and C show a fit that may be applied
};
