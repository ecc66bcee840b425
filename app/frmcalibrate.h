#pragma once

#include <QWidget>
#include <array>

class CalibrationTarget;
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
    explicit frmCalibrate(CalibrationTarget* target);

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
    void recompute();

    CalibrationTarget* m_target;
    bool m_sound = false; // A, B and C show a fit that may be applied
};
