#pragma once

#include "app/calibrationtarget.h"
#include "app/forms.h"
#include "app/frmalarms.h"
#include "app/frmhistory.h"
#include "app/iconmodule.h"
#include "app/messagebox.h"
#include "app/preferences.h"
#include "app/x11requests.h"
#include "graph/frmgraph.h"
#include "graph/graphsource.h"
#include "log/csvlog.h"
#include "monitor/alarms.h"
#include "monitor/tick.h"
#include "monitor/tickrecord.h"
#include "sensors/conversion.h"
#include "sensors/joystick.h"
#include "settings/registry.h"
#include "settings/registryapi.h"

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

class Clock;
class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

// The platform services the main window works through.
struct QuorvilServices {
    std::shared_ptr<JoystickService> joystick;
    std::shared_ptr<RegistryApi> registryApi;
    MessageBoxes* messageBoxes = nullptr;       // outlives the window
    std::filesystem::path logFolder;            // where the log file is written
    std::shared_ptr<Clock> clock = nullptr;     // the log's date and time; the system's when null
    std::shared_ptr<X11Requests> x11 = nullptr; // nullptr away from X11
    std::vector<std::shared_ptr<TickSink>> tickSinks = {}; // each tick's record goes to these
};

// The main window: its controls, menus and timers, and the wiring of their events.
class Quorvil final : public QMainWindow,
                      public GraphSource,
                      public CalibrationTarget,
                      public AlarmSource,
                      public HistorySource {
    Q_OBJECT

public:
    explicit Quorvil(QuorvilServices services, QWidget* parent = nullptr);
    ~Quorvil() override;

    enum class LoadResult { Run, EndProgram };
    // The start-up; EndProgram when the user chose not to go on without a driver.
    LoadResult Form_Load();

    void UnloadAllForms();

    // Client heights of the three views, in pixels, the menu bar not counted.
    static constexpr int FormClientWidth = 350;
    static constexpr int CompactHeight = 63;
    static constexpr int LoggingHeight = 126;
    static constexpr int SetupHeight = 529;
    int clientHeight() const;

    FormRegistry& forms() { return m_forms; }
    iconModule& tray() { return m_tray; }
    // A short word on a service beside the program (MQTT lost or back) for the tray's tooltip.
    void setServiceNote(const QString& note);

    // What the graph window reads; the calibration window reads the scale too.
    QString bareTemperature(int sensor) const override;
    bool fahrenheitSelected() const override;
    bool celsiusSelected() const override;
    // What the calibration and alarms windows read; the calibration window writes.
    QString sensorHeading(int sensor) const override;
    QString rawReading(int sensor) const override;
    QString sensorDevice(int sensor) const override;
    QString readingRefusal(int sensor) const override;
    void applyCoefficients(int sensor, const QString& a, const QString& b,
                           const QString& c) override;

    // What the alarms window reads.
    Scale scaleInUse() const override;
    AlarmWatch& alarms() override { return m_alarms; }
    void saveAlarms() override;

    // What the History window reads and writes.
    bool historyRecorded() const override;
    void setHistoryRecorded(bool on) override;

    std::int16_t LastState = 0;

    // Band 1: temperatures.
    QLabel *LabelS1, *LabelS2, *LabelS3, *LabelS4;
    QLabel *lblSensor1, *lblSensor2, *lblSensor3, *lblSensor4;
    // Band 2: logging.
    QRadioButton *Option1, *Option2;
    QPushButton* btnHideLog;
    QComboBox* cboTimer;
    // Band 3: port status.
    QLabel *lblStatus, *lblStatus2;
    // Band 4: setup.
    QLineEdit *txtName1, *txtName2, *txtName3, *txtName4;
    QLabel *lblRaw1, *lblRaw2, *lblRaw3, *lblRaw4;
    QLineEdit *txt1A, *txt1B, *txt1C, *txt2A, *txt2B, *txt2C;
    QLineEdit *txt3A, *txt3B, *txt3C, *txt4A, *txt4B, *txt4C;
    QComboBox *cboOffset1, *cboOffset2, *cboOffset3, *cboOffset4;
    QGroupBox* Frame1;
    QRadioButton *op1C, *op1F;
    QPushButton *btnSave, *btnRefresh, *btnDelete, *btnHideSetup;
    // Band 5: bare temperatures, below every view.
    QLabel *lblS1, *lblS2, *lblS3, *lblS4;

    QTimer Timer1;
    QTimer Timer2;
    QTimer TimerCount;

    // Menus.
    QAction *mnuSetup, *mnuGraph, *mnuCalibrate, *mnuAlarms, *mnuHistory, *mnuLog, *mnuExit;
    QAction *mnuReadMeItem, *mnuQuorvilItem;
    // The notification-area popup's items.
    QAction *mnuTrayRestore, *mnuTrayMove, *mnuTraySize, *mnuTrayMinimize, *mnuTrayMaximize;
    QAction* mnuTrayClose;

signals:
    // The main window and every secondary window are unloaded: the program ends.
    void allFormsUnloaded();

public slots:
    void Timer1_Timer();
    void Timer2_Timer();
    void mnuSetup_Click();
    void mnuLog_Click();
    void btnHideLog_Click();
    void btnHideSetup_Click();
    void mnuGraph_Click();
    void mnuCalibrate_Click();
    void mnuAlarms_Click();
    void mnuHistory_Click();
    void mnuReadMeItem_Click();
    void mnuQuorvilItem_Click();
    void mnuExit_Click();
    void mnuTrayRestore_Click();
    void mnuTrayMove_Click();
    void mnuTraySize_Click();
    void mnuTrayMinimize_Click();
    void mnuTrayMaximize_Click();
    void mnuTrayClose_Click();
    void Form_Resize();
    void Option1_Click();
    void Option2_Click();
    void cboTimer_Click();
    void TimerCount_Timer();
    void btnSave_Click();
    void btnRefresh_Click();
    void btnDelete_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // One sensor's controls across the bands.
    struct SensorControls {
        QLabel* heading;                        // LabelSn
        QLabel* shown;                          // lblSensorn
        QLineEdit* name;                        // txtNamen
        QLabel* raw;                            // lblRawn
        std::array<QLineEdit*, 3> coefficients; // txtnA, txtnB, txtnC
        QComboBox* offset;                      // cboOffsetn
        QLabel* bare;                           // lblSn
        QLabel* status;                         // lblStatus or lblStatus2
    };
    // Sensor 1..4.
    SensorControls& sensor(int number) { return m_sensors[number - 1]; }
    const SensorControls& sensor(int number) const { return m_sensors[number - 1]; }

    void returnPref();
    void createTemperatureBand(QWidget* client);
    void createLoggingBand(QWidget* client);
    void createStatusBand(QWidget* client);
    void createSetupBand(QWidget* client);
    void createBareLabels(QWidget* client);
    void nameSensorControls();
    void connectControls();
    void createControls();
    void createMenus();
    void fillLists();
    void setClientHeight(int height);
    void narrowCoefficientBoxes();
    LoadResult endAtOnce();
    void Form_Unload();
    void detachSecondaryWindows();
    // One tick of a joystick (0 or 1): its status, its two raw readings, its two sensors.
    void sample(int joystick, JOYINFOEX& info, std::int32_t& result);
    SensorOutcome ConvertSensor(int sensor);
    // Feeds a sensor's tick to the alarms; temperature is none when the tick does not count.
    void watchAlarms(int sensor, std::optional<int> temperature);
    void showTrayTooltip();
    void refreshAlarmsWindow();
    // Asks whether to save thresholds changed since the last Save.
    void offerToSaveAlarms();
    void restorePosition();
    void endWhenAllUnloaded();
    PreferenceControls preferenceControls() const;
    // Tells the user that the settings could not be saved (or read, or deleted), and why.
    void saveFailed(const std::string& reason, const char* action = "saved");
    // Returns logging to Off and tells the user why; action says what failed.
    void logFailed(const QString& action, const std::string& reason);

    QuorvilServices m_services;
    std::unique_ptr<registry> m_reg;
    FormRegistry m_forms;
    iconModule m_tray;
    QString m_serviceNote;
    GraphState m_graphState; // outlives each loading of the graph window
    std::shared_ptr<CalibrationSheet> m_calibrationSheet = std::make_shared<CalibrationSheet>();
    std::array<SensorControls, 4> m_sensors{};
    bool m_unloaded = false;
    bool m_narrowBoxes = false;
    bool m_minimizing = false; // a tray Minimize the window system has not yet reported
    CsvLog m_log;
    AlarmWatch m_alarms;
    TickRecorder m_recorder;

    // Joystick records and results.
    JOYINFOEX JoyInfo1{};
    JOYINFOEX JoyInfo2{};
    JOYCAPS JoyCapsInfo{};
    std::int32_t JoyResult1 = 0;
    std::int32_t JoyResult2 = 0;

    // Captions of the bands, and the menus themselves.
    QLabel *lblLog, *lblInterval, *lblCoef, *lblCoef_A, *lblCoef_B, *lblCoef_C, *lblOffset;
    QFrame* FrameLog;
    QMenu *mnuFile, *mnuHelpItem;
    // The notification-area popup; never in the menu bar.
    QMenu* mnuTray;
    QAction* mnuTraySep;
};
