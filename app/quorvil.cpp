#include "app/quorvil.h"

#include "app/appresources.h"
#include "app/console/sinks.h"
#include "app/controls.h"
#include "app/frmabout.h"
#include "app/frmcalibrate.h"
#include "app/frmhelp.h"
#include "app/twips.h"
#include "app/windowplace.h"
#include "app/windowstate.h"
#include "monitor/clock.h"
#include "monitor/tick.h"
#include "settings/preferences.h"
#include "settings/schema.h"
#include "util/textforms.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <tuple>

namespace {

// Lefts of the sensor columns: the wide boxes and labels, and the narrower ones inside them.
constexpr int SensorLefts[4] = {240, 1440, 2640, 3840};
constexpr int InnerLefts[4] = {360, 1560, 2760, 3960};

const QString DriverTitle = QStringLiteral("Error in loading Gameport Drivers");
const QString DriverPrompt1 =
    QStringLiteral("Couldn't detect the Gameport Driver for 1 and 2.  Make sure gameport driver "
                   "is installed.\r\nDo you want to view Quorvil4 anyway?");
const QString DriverPrompt2 =
    QStringLiteral("Couldn't detect the Gameport Driver for 3 and 4.  Make sure gameport driver "
                   "is installed.\r\nDo you want to view Quorvil4 anyway?");
constexpr int DriverButtons = msgbox::YesNo + msgbox::Exclamation + msgbox::DefaultButton2;

const QString LogFailureTitle = QStringLiteral("Quorvil4 Log");
constexpr int LogFailureButtons = msgbox::OkOnly + msgbox::Exclamation;
const QString SaveFailureTitle = QStringLiteral("Quorvil4");
constexpr int SaveFailureButtons = msgbox::OkOnly + msgbox::Exclamation;
const QString SaveAlarmsTitle = QStringLiteral("Quorvil4 alarms");
const QString SaveAlarmsPrompt =
    QStringLiteral("The alarm thresholds have changed since they were last saved.\r\nSave them?");
constexpr int SaveAlarmsButtons = msgbox::YesNo + msgbox::Exclamation;

const QStringList OffsetItems = {
    QStringLiteral("+ 3°"), QStringLiteral("+ 2°"), QStringLiteral("+ 1°"), QStringLiteral("None"),
    QStringLiteral("- 1°"), QStringLiteral("- 2°"), QStringLiteral("- 3°")};
const QStringList IntervalItems = {QStringLiteral("1 Second"),   QStringLiteral("5 Seconds"),
                                   QStringLiteral("6 Seconds"),  QStringLiteral("10 Seconds"),
                                   QStringLiteral("15 Seconds"), QStringLiteral("30 Seconds"),
                                   QStringLiteral("1 Minute")};
// Tops of the coefficient rows A, B and C.
constexpr int CoefficientTops[3] = {3600, 3960, 4320};

QFont sizedFont(const QString& family, double points, bool bold = false)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QAction* menuItem(QMenu* menu, const QByteArray& name, const QString& caption,
                  const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    return action;
}

} // namespace

Quorvil::Quorvil(QuorvilServices services, QWidget* parent)
    : QMainWindow(parent), m_services(std::move(services))
{
    if (!m_services.clock)
        m_services.clock = std::make_shared<SystemClock>();
    for (const std::shared_ptr<TickSink>& sink : m_services.tickSinks)
        m_recorder.addSink(sink);
    setObjectName(QStringLiteral("Quorvil"));
    setWindowTitle(QStringLiteral("Quorvil4"));
    // Resizable, with a minimize box and no maximize box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    createControls();
    createMenus();

    for (QTimer* timer : {&Timer1, &Timer2, &TimerCount}) {
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(1000);
    }
    connect(&Timer1, &QTimer::timeout, this, &Quorvil::Timer1_Timer);
    connect(&Timer2, &QTimer::timeout, this, &Quorvil::Timer2_Timer);
    connect(&TimerCount, &QTimer::timeout, this, &Quorvil::TimerCount_Timer);

    m_forms.setFactory(QStringLiteral("frmGraph"),
                       [this] { return new frmGraph(m_graphState, this); });
    m_forms.setFactory(QStringLiteral("frmCalibrate"),
                       [this] { return new frmCalibrate(this, m_calibrationSheet); });
    m_forms.setFactory(QStringLiteral("frmHelp"), [] { return new frmHelp; });
    m_forms.setFactory(QStringLiteral("frmAbout"),
                       [this] { return new frmAbout(m_services.x11.get()); });
    m_forms.setFactory(QStringLiteral("frmAlarms"), [this] { return new frmAlarms(this); });
    m_forms.setFactory(QStringLiteral("frmHistory"), [this] {
        return new frmHistory(this, m_services.logFolder / HistoryStore::FileName,
                              m_services.messageBoxes,
                              [this] { return m_services.clock->now().toMSecsSinceEpoch(); });
    });
    m_forms.setUnloadHandler([this] { endWhenAllUnloaded(); });

    setClientHeight(CompactHeight);
}

Quorvil::~Quorvil()
{
    // Also when destroyed without being closed first.
    detachSecondaryWindows();
}

void Quorvil::createControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFont(programFont());
    setCentralWidget(client);

    createTemperatureBand(client);
    createLoggingBand(client);
    createStatusBand(client);
    createSetupBand(client);
    createBareLabels(client);
    nameSensorControls();
    connectControls();
}

void Quorvil::createTemperatureBand(QWidget* client)
{
    QFont headingFont = programFont();
    headingFont.setBold(true);
    const QFont displayFont = sizedFont(QStringLiteral("Liberation Sans"), 15.75);
    const QColor colours[4] = {QColor(255, 0, 0), QColor(0, 0, 255), QColor(0, 128, 0),
                               QColor(192, 0, 192)};
    for (int n = 1; n <= 4; ++n) {
        SensorControls& s = sensor(n);
        const QByteArray number = QByteArray::number(n);
        s.heading = label(client, "LabelS" + number, QStringLiteral("Sensor %1").arg(n),
                          twipsRect(SensorLefts[n - 1], 120, 1095, 255), true);
        s.heading->setFont(headingFont);
        s.shown = label(client, "lblSensor" + number, QStringLiteral("100 F"),
                        twipsRect(SensorLefts[n - 1], 360, 1095, 375), true, true);
        s.shown->setFont(displayFont);
        // The large face fills the box; centred it keeps its digits inside the border.
        s.shown->setAlignment(Qt::AlignCenter);
        QPalette palette = s.shown->palette();
        palette.setColor(QPalette::WindowText, colours[n - 1]);
        s.shown->setPalette(palette);
    }
}

void Quorvil::createLoggingBand(QWidget* client)
{
    lblLog = label(client, "lblLog", QStringLiteral("Enable Logging"),
                   twipsRect(240, 1080, 1215, 255), false);
    FrameLog = place(new QFrame(client), "FrameLog", twipsRect(1560, 960, 1455, 495));
    FrameLog->setFrameStyle(QFrame::NoFrame);
    Option1 = optionButton(FrameLog, "Option1", QStringLiteral("On"), twipsRect(120, 120, 615, 255),
                           false);
    Option2 = optionButton(FrameLog, "Option2", QStringLiteral("Off"),
                           twipsRect(720, 120, 615, 255), true);
    btnHideLog = button(client, "btnHideLog", QStringLiteral("Hide Logging"),
                        twipsRect(3720, 1200, 1095, 375));
    lblInterval = label(client, "lblInterval", QStringLiteral("Logging Interval"),
                        twipsRect(240, 1440, 1215, 255), false);
    cboTimer =
        comboBox(client, "cboTimer", QStringLiteral("1 Second"), twipsRect(1560, 1440, 1455, 315));
}

void Quorvil::createStatusBand(QWidget* client)
{
    lblStatus = label(client, "lblStatus", QStringLiteral("Port 1 - 2 Status:"),
                      twipsRect(240, 2040, 4575, 255), true);
    lblStatus2 = label(client, "lblStatus2", QStringLiteral("Port 3 - 4 Status:"),
                       twipsRect(240, 2280, 4575, 255), true);
    for (int n = 1; n <= 4; ++n)
        sensor(n).status = n <= 2 ? lblStatus : lblStatus2;
}

void Quorvil::createSetupBand(QWidget* client)
{
    const QFont narrowBoldFont = sizedFont(QStringLiteral("Liberation Sans Narrow"), 8.25, true);
    const QString coefficientTexts[3] = {QStringLiteral("0.001355699"),
                                         QStringLiteral("0.000196433"),
                                         QStringLiteral("0.000000130")};

    for (int n = 1; n <= 4; ++n) {
        SensorControls& s = sensor(n);
        const QByteArray number = QByteArray::number(n);
        const int left = InnerLefts[n - 1];
        s.name = textBox(client, "txtName" + number, QStringLiteral("Sensor %1").arg(n),
                         twipsRect(left, 2640, 855, 285));
        s.name->setToolTip(QStringLiteral("Rename Sensor %1").arg(n));
        s.raw = label(client, "lblRaw" + number, QStringLiteral("Raw%1").arg(n),
                      twipsRect(left, 3000, 855, 255), true, true);
        for (int row = 0; row < 3; ++row) {
            s.coefficients[row] =
                textBox(client, "txt" + number + char('A' + row), coefficientTexts[row],
                        twipsRect(SensorLefts[n - 1], CoefficientTops[row], 1095, 285));
        }
        s.offset = comboBox(client, "cboOffset" + number, QStringLiteral("None"),
                            twipsRect(left, 5040, 855, 315));
    }
    lblCoef = label(client, "lblCoef",
                    QStringLiteral("Set the coefficients from the Excel Spread Sheet."),
                    twipsRect(360, 3360, 4455, 255), true);
    QLabel** rowCaptions[3] = {&lblCoef_A, &lblCoef_B, &lblCoef_C};
    for (int row = 0; row < 3; ++row) {
        const QString letter(QLatin1Char('A' + row));
        *rowCaptions[row] = label(client, "lblCoef_" + letter.toLatin1(), letter,
                                  twipsRect(0, CoefficientTops[row], 255, 255), true);
        (*rowCaptions[row])->setFont(narrowBoldFont);
    }
    lblOffset = label(client, "lblOffset", QStringLiteral("Choose Offset by degrees C or F."),
                      twipsRect(240, 4800, 4695, 255), true);
    Frame1 = place(new CaptionedFrame(QStringLiteral("°C or °F"), client), "Frame1",
                   twipsRect(360, 5520, 4455, 615));
    op1C = optionButton(Frame1, "op1C", QStringLiteral("Celsius"), twipsRect(1080, 240, 1215, 255),
                        true);
    op1F = optionButton(Frame1, "op1F", QStringLiteral("Fahrenheit"),
                        twipsRect(2760, 240, 1575, 255), false);
    btnSave = button(client, "btnSave", QStringLiteral("Save to Registry"),
                     twipsRect(120, 6360, 1455, 375));
    btnRefresh = button(client, "btnRefresh", QStringLiteral("Refresh Settings"),
                        twipsRect(1800, 6360, 1455, 375));
    btnDelete = button(client, "btnDelete", QStringLiteral("Delete Settings"),
                       twipsRect(3480, 6360, 1455, 375));
    btnHideSetup = button(client, "btnHideSetup", QStringLiteral("Hide Setup"),
                          twipsRect(3720, 6960, 1095, 375));
}

// Below the tallest view, read back by the log and the graph.
void Quorvil::createBareLabels(QWidget* client)
{
    for (int n = 1; n <= 4; ++n)
        sensor(n).bare = label(client, "lblS" + QByteArray::number(n), QString(),
                               twipsRect(InnerLefts[n - 1], 8280, 855, 255), true, true);
}

// The names the program has always had for each sensor's controls.
void Quorvil::nameSensorControls()
{
    const auto& [s1, s2, s3, s4] = m_sensors;
    std::tie(LabelS1, LabelS2, LabelS3, LabelS4) =
        std::tuple(s1.heading, s2.heading, s3.heading, s4.heading);
    std::tie(lblSensor1, lblSensor2, lblSensor3, lblSensor4) =
        std::tuple(s1.shown, s2.shown, s3.shown, s4.shown);
    std::tie(txtName1, txtName2, txtName3, txtName4) =
        std::tuple(s1.name, s2.name, s3.name, s4.name);
    std::tie(lblRaw1, lblRaw2, lblRaw3, lblRaw4) = std::tuple(s1.raw, s2.raw, s3.raw, s4.raw);
    std::tie(txt1A, txt1B, txt1C) =
        std::tuple(s1.coefficients[0], s1.coefficients[1], s1.coefficients[2]);
    std::tie(txt2A, txt2B, txt2C) =
        std::tuple(s2.coefficients[0], s2.coefficients[1], s2.coefficients[2]);
    std::tie(txt3A, txt3B, txt3C) =
        std::tuple(s3.coefficients[0], s3.coefficients[1], s3.coefficients[2]);
    std::tie(txt4A, txt4B, txt4C) =
        std::tuple(s4.coefficients[0], s4.coefficients[1], s4.coefficients[2]);
    std::tie(cboOffset1, cboOffset2, cboOffset3, cboOffset4) =
        std::tuple(s1.offset, s2.offset, s3.offset, s4.offset);
    std::tie(lblS1, lblS2, lblS3, lblS4) = std::tuple(s1.bare, s2.bare, s3.bare, s4.bare);
}

void Quorvil::connectControls()
{
    connect(btnHideLog, &QPushButton::clicked, this, &Quorvil::btnHideLog_Click);
    // Only a change of selection counts; choosing the selected button again does nothing.
    connect(Option1, &QRadioButton::toggled, this, [this](bool selected) {
        if (selected)
            Option1_Click();
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool selected) {
        if (selected)
            Option2_Click();
    });
    connect(cboTimer, &QComboBox::currentIndexChanged, this, &Quorvil::cboTimer_Click);
    // The alarms window shows its thresholds in the scale in use, converted at once.
    // The history window's data changes only with its range; the scale is all a tick can change.
    for (QRadioButton* scale : {op1C, op1F})
        connect(scale, &QRadioButton::toggled, this, [this] {
            refreshAlarmsWindow();
            if (auto* window =
                    qobject_cast<frmHistory*>(m_forms.form(QStringLiteral("frmHistory"))))
                window->refresh();
        });
    connect(btnSave, &QPushButton::clicked, this, &Quorvil::btnSave_Click);
    connect(btnRefresh, &QPushButton::clicked, this, &Quorvil::btnRefresh_Click);
    connect(btnDelete, &QPushButton::clicked, this, &Quorvil::btnDelete_Click);
    connect(btnHideSetup, &QPushButton::clicked, this, &Quorvil::btnHideSetup_Click);
}

void Quorvil::createMenus()
{
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuSetup = menuItem(mnuFile, "mnuSetup", QStringLiteral("&Setup"), Qt::CTRL | Qt::Key_S);
    mnuGraph = menuItem(mnuFile, "mnuGraph", QStringLiteral("&Graph"), Qt::CTRL | Qt::Key_G);
    mnuCalibrate =
        menuItem(mnuFile, "mnuCalibrate", QStringLiteral("&Calibrate..."), Qt::CTRL | Qt::Key_K);
    mnuAlarms = menuItem(mnuFile, "mnuAlarms", QStringLiteral("&Alarms..."), Qt::CTRL | Qt::Key_M);
    mnuHistory =
        menuItem(mnuFile, "mnuHistory", QStringLiteral("&History..."), Qt::CTRL | Qt::Key_H);
    mnuLog = menuItem(mnuFile, "mnuLog", QStringLiteral("&Log"), Qt::CTRL | Qt::Key_L);
    mnuExit = menuItem(mnuFile, "mnuExit", QStringLiteral("E&xit"), Qt::CTRL | Qt::Key_X);

    mnuHelpItem = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelpItem->setObjectName(QStringLiteral("mnuHelpItem"));
    mnuReadMeItem =
        menuItem(mnuHelpItem, "mnuReadMeItem", QStringLiteral("&Read Me"), Qt::CTRL | Qt::Key_R);
    mnuQuorvilItem = menuItem(mnuHelpItem, "mnuQuorvilItem", QStringLiteral("&About Quorvil"),
                              Qt::CTRL | Qt::Key_A);

    mnuTray = new QMenu(QStringLiteral("Popup"), this);
    mnuTray->setObjectName(QStringLiteral("mnuTray"));
    mnuTrayRestore = menuItem(mnuTray, "mnuTrayRestore", QStringLiteral("&Restore"));
    mnuTrayMove = menuItem(mnuTray, "mnuTrayMove", QStringLiteral("&Move"));
    mnuTraySize = menuItem(mnuTray, "mnuTraySize", QStringLiteral("&Size"));
    mnuTrayMinimize = menuItem(mnuTray, "mnuTrayMinimize", QStringLiteral("Mi&nimize"));
    mnuTrayMaximize = menuItem(mnuTray, "mnuTrayMaximize", QStringLiteral("Ma&ximize"));
    mnuTrayMaximize->setVisible(false);
    mnuTraySep = mnuTray->addSeparator();
    mnuTraySep->setObjectName(QStringLiteral("mnuTraySep"));
    mnuTrayClose = menuItem(mnuTray, "mnuTrayClose", QStringLiteral("&Close"));

    connect(mnuSetup, &QAction::triggered, this, &Quorvil::mnuSetup_Click);
    connect(mnuGraph, &QAction::triggered, this, &Quorvil::mnuGraph_Click);
    connect(mnuCalibrate, &QAction::triggered, this, &Quorvil::mnuCalibrate_Click);
    connect(mnuAlarms, &QAction::triggered, this, &Quorvil::mnuAlarms_Click);
    connect(mnuHistory, &QAction::triggered, this, &Quorvil::mnuHistory_Click);
    connect(mnuLog, &QAction::triggered, this, &Quorvil::mnuLog_Click);
    connect(mnuExit, &QAction::triggered, this, &Quorvil::mnuExit_Click);
    connect(mnuReadMeItem, &QAction::triggered, this, &Quorvil::mnuReadMeItem_Click);
    connect(mnuQuorvilItem, &QAction::triggered, this, &Quorvil::mnuQuorvilItem_Click);
    connect(mnuTrayRestore, &QAction::triggered, this, &Quorvil::mnuTrayRestore_Click);
    connect(mnuTrayMove, &QAction::triggered, this, &Quorvil::mnuTrayMove_Click);
    connect(mnuTraySize, &QAction::triggered, this, &Quorvil::mnuTraySize_Click);
    connect(mnuTrayMinimize, &QAction::triggered, this, &Quorvil::mnuTrayMinimize_Click);
    connect(mnuTrayMaximize, &QAction::triggered, this, &Quorvil::mnuTrayMaximize_Click);
    connect(mnuTrayClose, &QAction::triggered, this, &Quorvil::mnuTrayClose_Click);
}

Quorvil::LoadResult Quorvil::Form_Load()
{
    const int state = formWindowState(this);
    LastState = static_cast<std::int16_t>(state == StateMinimized ? StateNormal : state);

    m_tray.AddTrayIcon(this, mnuTray, [this] { return int(LastState); });
    m_tray.SetTrayTooltip(QStringLiteral("Quorvil"));

    Timer1.stop();
    Timer2.stop();

    JoystickService& joystick = *m_services.joystick;
    JoyResult1 =
        static_cast<std::int32_t>(joystick.joyGetDevCapsA(0, &JoyCapsInfo, sizeof JoyCapsInfo));
    JoyResult2 =
        static_cast<std::int32_t>(joystick.joyGetDevCapsA(1, &JoyCapsInfo, sizeof JoyCapsInfo));
    int answer = 0;
    if (JoyResult1 != 0)
        answer = m_services.messageBoxes->MsgBox(DriverPrompt1, DriverButtons, DriverTitle);
    if (answer == msgbox::No)
        return endAtOnce();
    if (JoyResult2 != 0)
        answer = m_services.messageBoxes->MsgBox(DriverPrompt2, DriverButtons, DriverTitle);
    if (answer == msgbox::No)
        return endAtOnce();

    Timer1.start();
    Timer2.start();

    fillLists();

    m_reg = std::make_unique<registry>(m_services.registryApi);
    m_reg->setCompany(registry::DefaultCompany);
    m_reg->setAppName(registry::ProductName);

    returnPref();
    const StoredAlarms stored = loadAlarms(*m_reg);
    m_alarms.setThresholds(
        {stored.high, stored.low, stored.fahrenheit ? Scale::Fahrenheit : Scale::Celsius});
    restorePosition();
    // The program goes on with the defaults; without a word the user would learn it only when a
    // Save is refused.
    if (const std::optional<std::string> problem = m_reg->unreadable())
        saveFailed(*problem, "read");
    return LoadResult::Run;
}

Quorvil::LoadResult Quorvil::endAtOnce()
{
    // No unload runs on this way out, so the icon would otherwise stay behind.
    m_tray.RemoveTrayIcon();
    return LoadResult::EndProgram;
}

void Quorvil::fillLists()
{
    for (QComboBox* list : {cboOffset1, cboOffset2, cboOffset3, cboOffset4, cboTimer}) {
        const QStringList& items = list == cboTimer ? IntervalItems : OffsetItems;
        const QString designText = list->currentText();
        for (int position = 0; position < items.size(); ++position)
            list->insertItem(position, items[position]);
        // The first item inserted becomes the choice by itself; the design shows no choice.
        list->setCurrentIndex(-1);
        list->setEditText(designText);
    }
}

PreferenceControls Quorvil::preferenceControls() const
{
    PreferenceControls controls{{}, cboTimer, op1C, op1F};
    for (int n = 1; n <= 4; ++n) {
        const SensorControls& s = sensor(n);
        controls.sensors[n - 1] = {s.name, s.heading, s.coefficients, s.offset};
    }
    return controls;
}

void Quorvil::returnPref()
{
    if (m_reg)
        loadPreferences(*m_reg, preferenceControls());
}

void Quorvil::btnSave_Click()
{
    if (!m_reg)
        return;
    if (const std::optional<std::string> failure = savePreferences(*m_reg, preferenceControls()))
        saveFailed(*failure);
}

void Quorvil::saveFailed(const std::string& reason, const char* action)
{
    m_services.messageBoxes->MsgBox(QStringLiteral("The settings could not be %1:\r\n%2\r\n%3")
                                        .arg(QLatin1String(action),
                                             QString::fromStdString(m_reg->location()),
                                             QString::fromStdString(reason)),
                                    SaveFailureButtons, SaveFailureTitle);
}

void Quorvil::btnRefresh_Click()
{
    returnPref();
}

void Quorvil::btnDelete_Click()
{
    if (!m_reg)
        return;
    if (const std::optional<std::string> failure =
            deletePreferences(*m_reg, *m_services.messageBoxes))
        saveFailed(*failure, "deleted");
}

void Quorvil::Option1_Click()
{
    TimerCount.start();
    const std::filesystem::path file = m_services.logFolder / CsvLog::FileName;
    if (const std::optional<std::string> failure = m_log.start(file, TimerCount.isActive()))
        logFailed(QStringLiteral("created"), *failure);
}

void Quorvil::Option2_Click()
{
    TimerCount.stop();
    if (const std::optional<std::string> failure = m_log.stop())
        logFailed(QStringLiteral("closed"), *failure);
}

void Quorvil::cboTimer_Click()
{
    if (const std::optional<int> interval = loggingInterval(listPosition(cboTimer)))
        TimerCount.setInterval(*interval);
}

void Quorvil::TimerCount_Timer()
{
    if (!m_log.isOpen())
        return;
    const auto text = [](const QLabel* label) { return label->text().toLocal8Bit().toStdString(); };
    const std::string line =
        logLine(*m_services.clock, {text(lblS1), text(lblS2), text(lblS3), text(lblS4)});
    if (const std::optional<std::string> failure = m_log.writeLine(line))
        logFailed(QStringLiteral("written"), *failure);
}

void Quorvil::logFailed(const QString& action, const std::string& reason)
{
    // Off before the message, so no tick arrives while it is open.
    TimerCount.stop();
    m_log.stop();
    setOptionValue(Option2, true);
    const QString prompt = QStringLiteral("The log file could not be %1:\r\n%2\r\n%3\r\n"
                                          "Logging is switched off.")
                               .arg(action, QString::fromStdString(m_log.file().string()),
                                    QString::fromStdString(reason));
    m_services.messageBoxes->MsgBox(prompt, LogFailureButtons, LogFailureTitle);
}

void Quorvil::restorePosition()
{
    const QRect frame = frameGeometry();
    const std::string topDefault = shortestText(twipsFromPixels(frame.y()));
    const std::string leftDefault = shortestText(twipsFromPixels(frame.x()));
    const std::string top = m_reg->GetSetting(MiscSection, TopKey, topDefault);
    const std::string left = m_reg->GetSetting(MiscSection, LeftKey, leftDefault);
    // With nothing stored the toolkit keeps its own placement.
    if (top == topDefault && left == leftDefault)
        return;
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->geometry());
    if (const std::optional<QPoint> place = storedWindowPosition(top, left, frame, screens))
        move(*place);
}

void Quorvil::Timer1_Timer()
{
    sample(0, JoyInfo1, JoyResult1);
}

void Quorvil::Timer2_Timer()
{
    sample(1, JoyInfo2, JoyResult2);
}

void Quorvil::sample(int joystick, JOYINFOEX& info, std::int32_t& result)
{
    const PortReading reading = readPort(*m_services.joystick, joystick, info);
    result = static_cast<std::int32_t>(reading.result);
    const int first = joystick * 2 + 1;
    sensor(first).status->setText(QString::fromStdString(reading.status));
    sensor(first).raw->setText(QString::fromStdString(reading.raw[0]));
    sensor(first + 1).raw->setText(QString::fromStdString(reading.raw[1]));
    for (const int sensor : {first, first + 1}) {
        const SensorOutcome outcome = ConvertSensor(sensor);
        watchAlarms(sensor, countedTemperature(reading.result, outcome));
        m_recorder.sensorPolled(sensor, reading, sensor == first ? info.dwXpos : info.dwYpos,
                                outcome, m_alarms, scaleInUse(),
                                sensorHeading(sensor).toStdString());
    }
    m_recorder.joystickPolled(joystick, m_services.clock->now().toMSecsSinceEpoch());
    refreshAlarmsWindow();
}

SensorOutcome Quorvil::ConvertSensor(int sensor)
{
    const SensorControls& s = this->sensor(sensor);
    const std::string a = s.coefficients[0]->text().toStdString();
    const std::string b = s.coefficients[1]->text().toStdString();
    const std::string c = s.coefficients[2]->text().toStdString();
    const Scale scale = scaleInUse();
    const SensorOutcome outcome = convertSensor(sensor, s.raw->text().toStdString(),
                                                {a, b, c, listPosition(s.offset), scale});
    if (outcome.status)
        s.status->setText(QString::fromStdString(*outcome.status));
    if (outcome.temperature) {
        s.bare->setText(QString::fromStdString(bareText(*outcome.temperature)));
        s.shown->setText(QString::fromStdString(shownText(*outcome.temperature, scale)));
    }
    return outcome;
}

Scale Quorvil::scaleInUse() const
{
    return op1C->isChecked() ? Scale::Celsius : op1F->isChecked() ? Scale::Fahrenheit : Scale::None;
}

void Quorvil::setServiceNote(const QString& note)
{
    m_serviceNote = note;
    showTrayTooltip();
}

// The note first: the tooltip holds 63 characters, and alarm names may fill them.
void Quorvil::showTrayTooltip()
{
    QString tooltip = QStringLiteral("Quorvil");
    if (!m_serviceNote.isEmpty())
        tooltip += QStringLiteral(" - ") + m_serviceNote;
    QStringList alarmed;
    for (int i = 1; i <= 4; ++i)
        if (m_alarms.sensor(i).state != AlarmWatch::State::Ok)
            alarmed << sensorHeading(i);
    if (!alarmed.isEmpty())
        tooltip += QStringLiteral(" - alarm: ") + alarmed.join(QStringLiteral(", "));
    m_tray.SetTrayTooltip(tooltip);
}

void Quorvil::watchAlarms(int sensor, std::optional<int> temperature)
{
    const Scale scale = scaleInUse();
    const std::vector<AlarmWatch::Event> events = m_alarms.observe(sensor, temperature, scale);
    if (events.empty())
        return;
    showTrayTooltip();
    const AlarmWatch::Event* event = &events.back();
    if (event->over)
        return;
    const QString suffix = QLatin1String(scaleSuffix(scale));
    const QString text = QStringLiteral("%1: %2%3, %4 %5%3")
                             .arg(sensorHeading(sensor))
                             .arg(event->temperature)
                             .arg(suffix)
                             .arg(event->side == AlarmWatch::Side::High ? QStringLiteral("above")
                                                                        : QStringLiteral("below"))
                             .arg(event->threshold);
    // Without a notification area the alarms window is where it shows.
    if (!m_tray.notify(QStringLiteral("Quorvil4 alarm"), text))
        m_forms.show(QStringLiteral("frmAlarms"));
}

void Quorvil::refreshAlarmsWindow()
{
    if (auto* window = qobject_cast<frmAlarms*>(m_forms.form(QStringLiteral("frmAlarms"))))
        window->refresh();
}

void Quorvil::saveAlarms()
{
    if (!m_reg)
        return;
    const AlarmWatch::Thresholds& t = m_alarms.thresholds();
    if (const std::optional<std::string> failure =
            ::saveAlarms(*m_reg, {t.high, t.low, t.typedIn == Scale::Fahrenheit}))
        saveFailed(*failure);
    else
        m_alarms.markSaved();
}

void Quorvil::offerToSaveAlarms()
{
    // Thresholds live in this window: once it has gone they would be lost without a word.
    if (!m_reg || !m_alarms.unsaved())
        return;
    if (m_services.messageBoxes->MsgBox(SaveAlarmsPrompt, SaveAlarmsButtons, SaveAlarmsTitle) ==
        msgbox::Yes)
        saveAlarms();
}

int Quorvil::clientHeight() const
{
    return centralWidget()->height();
}

void Quorvil::setClientHeight(int height)
{
    const int menuHeight =
        std::max(menuBar()->heightForWidth(FormClientWidth), menuBar()->sizeHint().height());
    resize(FormClientWidth, height + menuHeight);
}

void Quorvil::mnuSetup_Click()
{
    setClientHeight(SetupHeight);
}

void Quorvil::mnuLog_Click()
{
    setClientHeight(LoggingHeight);
}

void Quorvil::btnHideLog_Click()
{
    setClientHeight(CompactHeight);
}

void Quorvil::btnHideSetup_Click()
{
    setClientHeight(CompactHeight);
}

void Quorvil::mnuGraph_Click()
{
    m_forms.show(QStringLiteral("frmGraph"));
}

void Quorvil::mnuCalibrate_Click()
{
    m_forms.show(QStringLiteral("frmCalibrate"));
}

void Quorvil::mnuAlarms_Click()
{
    m_forms.show(QStringLiteral("frmAlarms"));
}

void Quorvil::mnuHistory_Click()
{
    m_forms.show(QStringLiteral("frmHistory"));
}

bool Quorvil::historyRecorded() const
{
    return !m_reg || historyWanted(*m_reg);
}

void Quorvil::setHistoryRecorded(bool on)
{
    if (m_reg && !m_reg->SaveSetting(HistorySection, HistoryRecordKey, on ? "1" : "0"))
        saveFailed(m_reg->failureReason());
}

void Quorvil::mnuReadMeItem_Click()
{
    m_forms.show(QStringLiteral("frmHelp"));
}

void Quorvil::mnuQuorvilItem_Click()
{
    m_forms.show(QStringLiteral("frmAbout"));
}

void Quorvil::mnuExit_Click()
{
    // The program is ending: a failure here is not reported.
    if (m_reg) {
        m_reg->beginBatch();
        m_reg->SaveSetting(MiscSection, LeftKey, shortestText(twipsFromPixels(x())));
        m_reg->SaveSetting(MiscSection, TopKey, shortestText(twipsFromPixels(y())));
        m_reg->endBatch();
    }
    UnloadAllForms();
}

void Quorvil::UnloadAllForms()
{
    m_forms.unloadAll();
    close();
}

void Quorvil::Form_Unload()
{
    offerToSaveAlarms();
    m_tray.RemoveTrayIcon();
    detachSecondaryWindows();
}

void Quorvil::detachSecondaryWindows()
{
    // An open graph or calibration outlives this window; neither may reach controls that are
    // going away.
    if (auto* graph = qobject_cast<frmGraph*>(m_forms.form(QStringLiteral("frmGraph"))))
        graph->setSource(nullptr);
    if (auto* calibration =
            qobject_cast<frmCalibrate*>(m_forms.form(QStringLiteral("frmCalibrate"))))
        calibration->setTarget(nullptr);
    if (auto* alarms = qobject_cast<frmAlarms*>(m_forms.form(QStringLiteral("frmAlarms"))))
        alarms->setSource(nullptr);
    if (auto* history = qobject_cast<frmHistory*>(m_forms.form(QStringLiteral("frmHistory"))))
        history->setSource(nullptr);
}

void Quorvil::mnuTrayRestore_Click()
{
    m_minimizing = false;
    trayRestore(this, LastState);
}

// Queued: the window manager takes the keyboard only once the tray menu has let go of it.
void Quorvil::mnuTrayMove_Click()
{
    QTimer::singleShot(0, this, [this] { trayMove(this, m_services.x11.get()); });
}

void Quorvil::mnuTraySize_Click()
{
    QTimer::singleShot(0, this, [this] { traySize(this, m_services.x11.get()); });
}

void Quorvil::mnuTrayMinimize_Click()
{
    if (formWindowState(this) == StateMinimized)
        return;
    trayMinimize(this);
    // Until the window system says the window is minimized, the states it passes through on
    // the way (under X11 a maximized window may briefly read as normal) are not ones to return to.
    m_minimizing = true;
}

void Quorvil::mnuTrayMaximize_Click()
{
    m_minimizing = false;
    trayMaximize(this);
}

void Quorvil::mnuTrayClose_Click()
{
    UnloadAllForms();
}

QString Quorvil::bareTemperature(int sensor) const
{
    return this->sensor(sensor).bare->text();
}

bool Quorvil::fahrenheitSelected() const
{
    return op1F->isChecked();
}

bool Quorvil::celsiusSelected() const
{
    return op1C->isChecked();
}

QString Quorvil::sensorHeading(int sensor) const
{
    return this->sensor(sensor).heading->text();
}

QString Quorvil::rawReading(int sensor) const
{
    return this->sensor(sensor).raw->text();
}

QString Quorvil::sensorDevice(int sensor) const
{
    return QString::fromStdString(
        m_services.joystick->servedBy(static_cast<std::uint32_t>(sensor - 1) / 2));
}

QString Quorvil::readingRefusal(int sensor) const
{
    const std::optional<std::string> refusal = ::readingRefusal(
        sensor, sensor <= 2 ? JoyResult1 : JoyResult2, rawReading(sensor).toStdString());
    return refusal ? QString::fromStdString(*refusal) : QString();
}

void Quorvil::applyCoefficients(int sensor, const QString& a, const QString& b, const QString& c)
{
    const SensorControls& s = this->sensor(sensor);
    s.coefficients[0]->setText(a);
    s.coefficients[1]->setText(b);
    s.coefficients[2]->setText(c);
    // The start of a long text, where its sign is, not its end.
    for (QLineEdit* box : s.coefficients)
        box->setCursorPosition(0);
}

void Quorvil::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        Form_Unload();
        Timer1.stop();
        Timer2.stop();
        TimerCount.stop();
    }
    event->accept();
    endWhenAllUnloaded();
}

void Quorvil::endWhenAllUnloaded()
{
    if (m_unloaded && m_forms.loaded().isEmpty())
        emit allFormsUnloaded();
}

void Quorvil::Form_Resize()
{
    switch (formWindowState(this)) {
    case StateNormal:
        mnuTrayRestore->setEnabled(false);
        mnuTrayMove->setEnabled(true);
        mnuTraySize->setEnabled(true);
        mnuTrayMinimize->setEnabled(true);
        mnuTrayMaximize->setEnabled(true);
        break;
    case StateMinimized:
        mnuTrayRestore->setEnabled(true);
        mnuTrayMove->setEnabled(false);
        mnuTraySize->setEnabled(false);
        mnuTrayMinimize->setEnabled(false);
        mnuTrayMaximize->setEnabled(true);
        break;
    case StateMaximized:
        mnuTrayRestore->setEnabled(true);
        mnuTrayMove->setEnabled(false);
        mnuTraySize->setEnabled(false);
        mnuTrayMinimize->setEnabled(true);
        mnuTrayMaximize->setEnabled(false);
        break;
    default:
        break;
    }
    if (const int state = formWindowState(this); state == StateMinimized)
        m_minimizing = false;
    else if (!m_minimizing)
        LastState = static_cast<std::int16_t>(state);
}

void Quorvil::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
    // A window manager that declined the minimize leaves the window active: follow it again.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() &&
        formWindowState(this) != StateMinimized)
        m_minimizing = false;
}

void Quorvil::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (!m_narrowBoxes && clientHeight() > twipsToPixels(CoefficientTops[0]))
        narrowCoefficientBoxes();
    Form_Resize();
}

// Only once the boxes come into view, by a view or by the user's drag: the face costs a font of
// its own to load, and every start shows the compact view.
void Quorvil::narrowCoefficientBoxes()
{
    const QFont narrowFont = sizedFont(QStringLiteral("Liberation Sans Narrow"), 8.25);
    for (SensorControls& s : m_sensors) {
        for (QLineEdit* box : s.coefficients)
            box->setFont(narrowFont);
    }
    m_narrowBoxes = true;
}
