#include "app/controls.h"
#include "app/frmcalibrate.h"
#include "app/windowstate.h"
#include "support/quorviltest.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <functional>

namespace {

QString driverPrompt(const char* sensors)
{
    return QStringLiteral("Couldn't detect the Gameport Driver for %1.  Make sure gameport driver "
                          "is installed.\r\nDo you want to view Quorvil4 anyway?")
        .arg(QLatin1String(sensors));
}

} // namespace

TEST_F(QuorvilTest, driverCheckAsksPerMissingDriverAndNoEndsBeforeAnythingElse)
{
    const QString p12 = driverPrompt("1 and 2"), p34 = driverPrompt("3 and 4");
    struct Row {
        std::uint32_t caps1, caps2;
        QList<int> answers;
        QStringList prompts;
    };
    const Row rows[] = {{0, 0, {}, {}},
                        {0, JOYERR_PARMS, {msgbox::Yes}, {p34}},
                        {JOYERR_PARMS, JOYERR_PARMS, {msgbox::No}, {p12}},
                        {JOYERR_PARMS, JOYERR_PARMS, {msgbox::Yes, msgbox::No}, {p12, p34}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        joystick = std::make_shared<FakeJoystick>();
        boxes.asked.clear();
        joystick->port(0).capsResult = row.caps1;
        joystick->port(1).capsResult = row.caps2;
        for (int answer : row.answers)
            boxes.answer(answer);
        const bool runs = row.answers.isEmpty() || row.answers.last() == msgbox::Yes;
        EXPECT_EQ(make().Form_Load() == Quorvil::LoadResult::Run, runs);
        ASSERT_EQ(boxes.asked.size(), row.prompts.size());
        for (int i = 0; i < row.prompts.size(); ++i) {
            EXPECT_EQ(boxes.asked[i].prompt, row.prompts[i]);
            EXPECT_EQ(boxes.asked[i].title, QStringLiteral("Error in loading Gameport Drivers"));
            EXPECT_EQ(boxes.asked[i].buttons, 308); // Yes/No, exclamation, No as the default
        }
        // Both drivers are asked about before the first answer; after a No nothing else runs.
        EXPECT_EQ(joystick->port(1).capsCalls, 1);
        EXPECT_EQ(form->Timer1.isActive(), runs);
        EXPECT_EQ(form->cboOffset1->count(), runs ? 7 : 0);
        EXPECT_EQ(store->openKeyCount(), 0u);
        EXPECT_EQ(form->Reg() != nullptr, runs);
    }
}

TEST_F(QuorvilTest, eachTickReportsItsOwnJoystickAndKeepsTheLastGoodReading)
{
    Quorvil& q = loaded();
    joystick->set(0, 0, 65535, 10000);
    joystick->set(1, 167, 5, 6);
    tickBoth();
    EXPECT_EQ(q.lblStatus->text(), QStringLiteral("port status: sensors 1 - 2 connected"));
    EXPECT_EQ(q.lblRaw1->text(), QStringLiteral("65535"));
    // Never read successfully: the record still holds zeros, and zero reads as unplugged.
    EXPECT_EQ(q.lblRaw3->text(), QStringLiteral("0"));
    EXPECT_EQ(q.lblStatus2->text(), QStringLiteral("port status: sensor 4 unplugged"));
    EXPECT_EQ(q.lblSensor4->text(), QStringLiteral("464 C"));

    joystick->set(0, 167, 1, 1);
    joystick->set(1, 165, 100, 100);
    joystick->port(1).fillOnError = true;
    tickBoth();
    EXPECT_EQ(q.lblStatus->text(), QStringLiteral("port status: sensors 1 or 2 unplugged"));
    EXPECT_EQ(q.lblRaw1->text(), QStringLiteral("65535"));
    EXPECT_EQ(q.lblSensor2->text(), QStringLiteral("33 C"));
    EXPECT_EQ(q.lblStatus2->text(), QStringLiteral("port status: joyGetPosEx error, rc = 165"));
    joystick->set(1, 4294967295u, 100, 100); // result codes are signed 32-bit values
    q.Timer2_Timer();
    EXPECT_EQ(q.lblStatus2->text(), QStringLiteral("port status: joyGetPosEx error, rc = -1"));
}

TEST_F(QuorvilTest, scaleAndOffsetsAreReadAtEveryTick)
{
    Quorvil& q = loaded();
    joystick->set(0, 0, 10000, 10000);
    q.op1F->setChecked(true);
    q.cboOffset1->setCurrentIndex(0);
    q.cboOffset2->setCurrentIndex(6);
    q.Timer1_Timer();
    EXPECT_EQ(q.lblSensor1->text(), QStringLiteral("94 F"));
    EXPECT_EQ(q.lblSensor2->text(), QStringLiteral("88 F"));
    q.op1C->setChecked(true);
    q.cboOffset2->setCurrentIndex(3);
    q.cboOffset1->setEditText(QStringLiteral("+ 9°")); // typed: no choice
    q.Timer1_Timer();
    EXPECT_EQ(q.lblSensor1->text(), QStringLiteral("33 C"));
    EXPECT_EQ(q.lblS2->text(), QStringLiteral("33"));

    // Neither scale: the temperatures stay, the unplugged message is still written.
    setOptionValue(q.op1C, false);
    joystick->set(0, 0, 0, 0);
    q.Timer1_Timer();
    EXPECT_EQ(q.lblS1->text(), QStringLiteral("33"));
    EXPECT_EQ(q.lblSensor1->text(), QStringLiteral("33 C"));
    EXPECT_EQ(q.lblStatus->text(), QStringLiteral("port status: sensor 2 unplugged"));
}

TEST_F(QuorvilTest, badCoefficientLeavesLabelsForThatTickOnly)
{
    Quorvil& q = loaded();
    joystick->set(0, 0, 10000, 10000);
    q.Timer1_Timer();
    // Each row: A, B, C and the reading; the last two are a zero denominator and a result
    // beyond 16 bits.
    const char* bad[][3] = {{"0.001", "", "0"},    {"0.001", "-", "0"},     {"0.001", ".", "0"},
                            {"0.001", "abc", "0"}, {"0.001", "1e999", "0"}, {"0.001", "nan", "0"},
                            {"0.001", "inf", "0"}, {"0.001", "1,2.3", "0"}, {"0", "0", "0"},
                            {"1e-9", "0", "0"}};
    for (const auto& [a, b, c] : bad) {
        SCOPED_TRACE(std::string(a) + " " + b + " " + c);
        q.txt1A->setText(a);
        q.txt1B->setText(b);
        q.txt1C->setText(c);
        joystick->set(0, 0, 65535, 10000);
        q.Timer1_Timer();
        EXPECT_EQ(q.lblS1->text(), QStringLiteral("33"));
        EXPECT_EQ(q.lblSensor1->text(), QStringLiteral("33 C"));
        EXPECT_EQ(q.lblS2->text(), QStringLiteral("33"));
    }
    // Fixing the boxes shows the temperature again at the next tick, in the locale's own
    // notation too.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    q.txt1A->setText(" 0,001355699 ");
    q.txt1B->setText("1.96433E-04");
    q.txt1C->setText("0.000000130");
    q.Timer1_Timer();
    QLocale::setDefault(saved);
    EXPECT_EQ(q.lblSensor1->text(), QStringLiteral("-4 C"));
}

TEST_F(QuorvilTest, viewCommandsLandOnTheirHeightFromEveryViewAndResetTheWidth)
{
    Quorvil& q = loaded();
    q.show();
    EXPECT_EQ(q.clientHeight(), Quorvil::CompactHeight);
    const std::pair<std::function<void()>, int> commands[] = {
        {[&] { q.mnuSetup->trigger(); }, Quorvil::SetupHeight},
        {[&] { q.mnuLog->trigger(); }, Quorvil::LoggingHeight},
        {[&] { q.btnHideLog->click(); }, Quorvil::CompactHeight},
        {[&] { q.btnHideSetup->click(); }, Quorvil::CompactHeight}};
    for (const auto& [from, fromHeight] : commands) {
        for (int i = 0; i < 4; ++i) {
            from();
            SCOPED_TRACE(testing::Message() << "from " << fromHeight << ", command " << i);
            q.resize(600, 300); // dragged by the user
            commands[i].first();
            EXPECT_EQ(q.clientHeight(), commands[i].second);
            EXPECT_EQ(q.width(), Quorvil::FormClientWidth);
        }
    }
}

TEST_F(QuorvilTest, trayItemsAndLastStateFollowTheWindowState)
{
    Quorvil& q = loaded();
    q.show();
    struct Row {
        int state;
        bool restore, move, size, minimize;
        int lastState;
    };
    // Maximize is never shown, and the toolkit reports a hidden action as disabled.
    const Row table[] = {{StateMaximized, true, false, false, true, 2},
                         {StateMinimized, true, false, false, false, 2},
                         {StateMaximized, true, false, false, true, 2},
                         {StateNormal, false, true, true, true, 0}};
    for (const Row& row : table) {
        SCOPED_TRACE(row.state);
        setFormWindowState(&q, row.state);
        EXPECT_EQ(q.mnuTrayRestore->isEnabled(), row.restore);
        EXPECT_EQ(q.mnuTrayMove->isEnabled(), row.move);
        EXPECT_EQ(q.mnuTraySize->isEnabled(), row.size);
        EXPECT_EQ(q.mnuTrayMinimize->isEnabled(), row.minimize);
        EXPECT_EQ(q.LastState, row.lastState);
    }
}

TEST_F(QuorvilTest, windowsOpenOnceAndTrayCloseUnloadsThemWhereOnlyExitStoresThePosition)
{
    Quorvil& q = loaded();
    q.show();
    EXPECT_FALSE(q.tray().hasTrayIcon()); // offscreen has no notification area
    const auto openAll = [&] {
        for (QAction* command : {q.mnuGraph, q.mnuCalibrate, q.mnuReadMeItem, q.mnuQuorvilItem})
            command->trigger();
    };
    const QString names[] = {"frmGraph", "frmCalibrate", "frmHelp", "frmAbout"};
    openAll();
    QList<QPointer<QWidget>> windows;
    for (const QString& name : names)
        windows << q.forms().form(name);
    const qsizetype topLevels = QApplication::topLevelWidgets().size();
    openAll();
    EXPECT_EQ(QApplication::topLevelWidgets().size(), topLevels);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(windows[i] && q.forms().form(names[i]) == windows[i]) << i;

    q.mnuTrayClose->trigger();
    flushDeletes();
    EXPECT_EQ(stored("Misc", "Left") + stored("Misc", "Top"), "<none><none>");
    for (const QPointer<QWidget>& window : windows)
        EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(q.isVisible());

    Quorvil& next = loaded();
    next.show();
    next.move(96, 48);
    next.mnuQuorvilItem->trigger();
    QPointer<QWidget> about = next.forms().form(QStringLiteral("frmAbout"));
    next.mnuExit->trigger();
    flushDeletes();
    EXPECT_TRUE(about.isNull());
    EXPECT_FALSE(next.Timer1.isActive());
    EXPECT_EQ(stored("Misc", "Left"), "1440");
    EXPECT_EQ(stored("Misc", "Top"), "720");
    EXPECT_EQ(loaded().pos(), QPoint(96, 48));
}

TEST_F(QuorvilTest, storedPositionThatIsNoPlaceIsIgnored)
{
    for (const char* text : {"abc", "", "99999999", "nan"}) {
        SCOPED_TRACE(text);
        registry(store).SaveSetting("Misc", "Top", text);
        registry(store).SaveSetting("Misc", "Left", text);
        const QPoint before = make().pos();
        form->Form_Load();
        EXPECT_EQ(form->pos(), before);
        EXPECT_FALSE(form->testAttribute(Qt::WA_Moved));
    }
}

TEST_F(QuorvilTest, closeBoxStoresNothingAndTheProgramEndsWithItsLastWindow)
{
    Quorvil& q = loaded();
    QSignalSpy ended(&q, &Quorvil::allFormsUnloaded);
    q.show();
    q.mnuQuorvilItem->trigger(); // About is a tool window, yet it keeps the program running
    q.mnuReadMeItem->trigger();
    q.op1F->setChecked(true);
    q.mnuCalibrate->trigger();
    auto* calibration = static_cast<frmCalibrate*>(q.forms().form(QStringLiteral("frmCalibrate")));
    EXPECT_TRUE(calibration->opFahrenheit->isChecked());
    const char* points[3][2] = {{"32", "7903"}, {"50", "5203"}, {"77", "3296"}};
    for (int row = 0; row < 3; ++row) {
        calibration->txtTemperature[row]->setText(points[row][0]);
        calibration->txtReading[row]->setText(points[row][1]);
    }
    EXPECT_TRUE(calibration->btnApply->isEnabled());
    q.close();
    EXPECT_EQ(stored("Misc", "Left"), "<none>");
    EXPECT_FALSE(q.Timer1.isActive());
    EXPECT_TRUE(q.forms().form(QStringLiteral("frmAbout"))->isVisible());
    // Nothing left to read from or apply to.
    EXPECT_FALSE(calibration->btnTake[0]->isEnabled());
    EXPECT_FALSE(calibration->btnApply->isEnabled());
    EXPECT_EQ(ended.count(), 0);

    for (const char* name : {"frmAbout", "frmHelp", "frmCalibrate"}) {
        EXPECT_EQ(ended.count(), 0);
        q.forms().form(QString::fromLatin1(name))->close();
        flushDeletes();
    }
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(QuorvilTest, graphOutlivingTheMainWindowScrollsWithoutTraces)
{
    joystick->set(0, 0, 10000, 10000);
    joystick->set(1, 0, 10000, 10000);
    Quorvil& q = loaded();
    q.show();
    tickBoth();
    q.mnuGraph->trigger();
    QPointer<frmGraph> graph = qobject_cast<frmGraph*>(q.forms().form(QStringLiteral("frmGraph")));
    ASSERT_TRUE(graph);
    graph->Timer1_Timer();
    // 33 C plots at row 200 - 66 = 134; sensor 4's magenta is drawn last.
    EXPECT_EQ(graph->image().pixel(398, 134), qRgb(255, 0, 255));

    q.close();
    for (int tick = 0; tick < 30; ++tick)
        graph->Timer1_Timer();
    const QList<QRgb> traces = {qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 128, 0),
                                qRgb(255, 0, 255)};
    for (int y = 0; y < graph->image().height(); ++y)
        EXPECT_FALSE(traces.contains(graph->image().pixel(398, y))) << "row " << y;
    graph->close();
}

TEST_F(QuorvilTest, scaleFrameCaptionBreaksItsTopLineAboveTheOptions)
{
    Quorvil& q = loaded();
    const QImage frame = q.Frame1->grab().toImage();
    int lineY = 0; // the top line: the first row the frame's left edge reaches
    while (frame.pixel(1, lineY) == frame.pixel(frame.width() / 2, 0))
        ++lineY;
    QList<int> gap; // the columns of the top line that the caption takes
    for (int x = 1; x < frame.width() - 1; ++x)
        if (frame.pixel(x, lineY) != frame.pixel(1, lineY))
            gap << x;
    ASSERT_FALSE(gap.isEmpty());
    EXPECT_TRUE(gap.first() > 1 && gap.first() < 16 && gap.last() < frame.width() / 2);
    EXPECT_EQ(q.op1C->geometry().translated(q.Frame1->pos()), QRect(96, 384, 81, 17));
    EXPECT_GT(q.op1C->y(), lineY + 1);
}

TEST_F(QuorvilTest, trayRestoreReturnsAMinimizedWindowToItsLastState)
{
    Quorvil& q = loaded();
    q.show();
    for (const auto& [before, state, restored] : {std::tuple{0, 1, 0}, {2, 1, 2}, {2, 2, 0}}) {
        setFormWindowState(&q, before);
        setFormWindowState(&q, state);
        q.mnuTrayRestore->trigger();
        EXPECT_EQ(formWindowState(&q), restored) << before << state;
    }
}

TEST_F(QuorvilTest, trayMoveAndSizeAskForKeyboardModesOnceTheMenuIsClosed)
{
    Quorvil& q = loaded();
    q.show();
    const QString request = QString::number(q.winId()) + QStringLiteral(" _NET_WM_MOVERESIZE 0 0 ");
    const std::tuple<bool, QAction*, QStringList> rows[] = {
        {true, q.mnuTrayMove, {request + "10 0 1"}},
        {true, q.mnuTraySize, {request + "9 0 1"}},
        {false, q.mnuTrayMove, {}}};
    for (const auto& [offered, item, sent] : rows) {
        x11->supported = offered ? QStringList{"_NET_WM_MOVERESIZE"} : QStringList{};
        x11->sent.clear();
        item->trigger();
        EXPECT_TRUE(x11->sent.isEmpty());
        QApplication::processEvents();
        EXPECT_EQ(x11->sent, sent);
    }
}
