#include "app/frmcalibrate.h"
#include "app/windowstate.h"
#include "support/quorviltest.h"

#include <QDialog>
#include <QSignalSpy>
#include <cstring>

TEST_F(QuorvilTest, startup_asksPerMissingDriverAndNoEndsBeforeAnythingElse)
{
    // Whether each joystick has a driver, the answers given, and the sensors each box names.
    const std::tuple<bool, bool, const char*, const char*> rows[] = {{true, true, "", ""},
                                                                     {true, false, "Y", "3"},
                                                                     {false, false, "N", "1"},
                                                                     {false, false, "YN", "13"}};
    for (const auto& [driver1, driver2, answers, asked] : rows) {
        SCOPED_TRACE(answers);
        joystick = std::make_shared<FakeJoystick>();
        boxes.asked.clear();
        joystick->port(0).capsResult = driver1 ? 0 : JOYERR_PARMS;
        joystick->port(1).capsResult = driver2 ? 0 : JOYERR_PARMS;
        for (const char* answer = answers; *answer; ++answer)
            boxes.answer(*answer == 'Y' ? msgbox::Yes : msgbox::No);
        const bool runs = !std::strchr(answers, 'N');
        EXPECT_EQ(make().Form_Load() == Quorvil::LoadResult::Run, runs);
        ASSERT_EQ(boxes.asked.size(), qsizetype(std::strlen(asked)));
        for (int i = 0; asked[i]; ++i) {
            const QString pair =
                QStringLiteral("for %1 and %2.").arg(QChar(asked[i]), QChar(asked[i] + 1));
            EXPECT_TRUE(boxes.asked[i].prompt.contains(pair)) << pair.toStdString();
            EXPECT_EQ(boxes.asked[i].buttons, 308); // Yes/No, exclamation, No as the default
        }
        // After a No nothing else runs.
        EXPECT_EQ(form->Timer1.isActive() && form->Timer2.isActive(), runs);
        EXPECT_EQ(store->openKeyCount(), 0u);
    }
}

// Each tick shows each joystick's status and keeps its last good reading; it reads the boxes, the
// offset lists and the scale as they are at that moment, and what cannot give a temperature
// leaves the sensor's labels as they were.
TEST_F(QuorvilTest, tick_showsStatusesAndConvertsWithTheControlsOfTheMoment)
{
    Quorvil& q = loaded();
    joystick->set(0, 0, 65535, 10000);
    joystick->set(1, 167, 5, 6);
    tickBoth();
    EXPECT_EQ(q.lblStatus->text(), QStringLiteral("port status: sensors 1 - 2 connected"));
    EXPECT_EQ(q.lblRaw1->text() + q.lblRaw2->text(), QStringLiteral("6553510000"));
    // Never read successfully: the record still holds zeros, and zero reads as unplugged.
    EXPECT_EQ(q.lblRaw3->text(), QStringLiteral("0"));
    EXPECT_EQ(q.lblStatus2->text(), QStringLiteral("port status: sensor 4 unplugged"));
    EXPECT_EQ(q.lblSensor4->text(), QStringLiteral("464 C"));

    joystick->set(0, 167, 1, 1);
    joystick->set(1, 4294967295u, 100, 100); // result codes are signed 32-bit values
    joystick->port(1).fillOnError = true;
    tickBoth();
    EXPECT_EQ(q.lblStatus->text(), QStringLiteral("port status: sensors 1 or 2 unplugged"));
    EXPECT_EQ(q.lblRaw1->text(), QStringLiteral("65535"));
    EXPECT_EQ(q.lblSensor2->text(), QStringLiteral("33 C"));
    EXPECT_EQ(q.lblStatus2->text(), QStringLiteral("port status: joyGetPosEx error, rc = -1"));

    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); // "." reads all the same
    const char *A = "0.001355699", *B = "0.000196433", *C = "0.000000130";
    struct Row {
        const char *a, *b, *c;
        char scale;
        int offset1, offset2; // -1: a text typed into the list, which is no choice
        std::uint32_t x;
        const char *shown1, *shown2;
    };
    const Row rows[] = {{A, B, C, 'F', 0, 6, 10000, "94 F", "88 F"},
                        {A, B, C, 'C', -1, 3, 10000, "33 C", "33 C"},
                        {"0", "0", "0", 'C', 3, 3, 65535, "33 C", "33 C"}, // no temperature
                        {" 0,001355699 ", "1.96433E-04", C, 'C', 3, 3, 65535, "-4 C", "33 C"},
                        {A, B, C, '-', 3, 3, 0, "-4 C", "33 C"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        q.txt1A->setText(row.a);
        q.txt1B->setText(row.b);
        q.txt1C->setText(row.c);
        if (row.scale == '-')
            setOptionValue(q.op1C, false);
        else
            (row.scale == 'F' ? q.op1F : q.op1C)->setChecked(true);
        q.cboOffset1->setCurrentIndex(std::max(row.offset1, 0));
        if (row.offset1 < 0)
            q.cboOffset1->setEditText(QStringLiteral("+ 9°"));
        q.cboOffset2->setCurrentIndex(row.offset2);
        joystick->set(0, 0, row.x, 10000);
        q.Timer1_Timer();
        EXPECT_EQ(q.lblSensor1->text(), QLatin1String(row.shown1));
        EXPECT_EQ(q.lblSensor2->text(), QLatin1String(row.shown2));
    }
    QLocale::setDefault(saved);
    // Neither scale still tells of the unplugged sensor, on its own joystick's line.
    EXPECT_EQ(q.lblStatus->text(), QStringLiteral("port status: sensor 1 unplugged"));
    joystick->set(0, 0, 10000, 0);
    joystick->set(1, 0, 10000, 10000);
    tickBoth();
    EXPECT_EQ(q.lblStatus->text(), QStringLiteral("port status: sensor 2 unplugged"));
    EXPECT_EQ(q.lblStatus2->text(), QStringLiteral("port status: sensors 3 - 4 connected"));
}

TEST_F(QuorvilTest, views_eachCommandLandsOnItsOwnHeightAndTheDesignWidth)
{
    Quorvil& q = loaded();
    q.show();
    EXPECT_EQ(q.clientHeight(), Quorvil::CompactHeight);
    q.mnuSetup->trigger(); // the coefficient boxes take their narrow face when first in view
    EXPECT_EQ(q.txt4C->font().family(), QStringLiteral("Liberation Sans Narrow"));
    const std::pair<QObject*, int> steps[] = {
        {q.mnuSetup, Quorvil::SetupHeight},      {q.mnuSetup, Quorvil::SetupHeight},
        {q.mnuLog, Quorvil::LoggingHeight},      {q.mnuLog, Quorvil::LoggingHeight},
        {q.mnuSetup, Quorvil::SetupHeight},      {q.btnHideLog, Quorvil::CompactHeight},
        {q.mnuLog, Quorvil::LoggingHeight},      {q.btnHideSetup, Quorvil::CompactHeight},
        {q.btnHideSetup, Quorvil::CompactHeight}};
    for (const auto& [command, height] : steps) {
        q.resize(600, 300); // dragged by the user
        QMetaObject::invokeMethod(command, command->inherits("QAction") ? "trigger" : "click");
        EXPECT_EQ(q.clientHeight(), height) << command->objectName().toStdString();
        EXPECT_EQ(q.width(), Quorvil::FormClientWidth);
    }
}

// The tray's items and LastState follow the window state. A left click, or the two presses X11
// gives a double click, brings a minimized window back to its last state and activates it; while
// a modal box is open it only restores. Move and Size ask for the keyboard modes once the menu is
// closed.
TEST_F(QuorvilTest, tray_itemsClicksAndRequestsFollowTheWindowState)
{
    Quorvil& q = loaded();
    q.show();
    // Restore, Move, Size and Minimize enabled (the toolkit reports the never shown Maximize as
    // disabled); Restore brings a minimized window back to its last state, a maximized one to
    // normal.
    const std::tuple<int, int, const char*, int, int> rows[] = {
        {StateNormal, StateMinimized, "1000", 0, StateNormal},
        {StateMaximized, StateMinimized, "1000", 2, StateMaximized},
        {StateMaximized, StateMaximized, "1001", 2, StateNormal},
        {StateNormal, StateNormal, "0111", 0, StateNormal}};
    for (const auto& [before, state, items, lastState, restored] : rows) {
        setFormWindowState(&q, before);
        setFormWindowState(&q, state);
        std::string enabled;
        for (QAction* item : {q.mnuTrayRestore, q.mnuTrayMove, q.mnuTraySize, q.mnuTrayMinimize})
            enabled += item->isEnabled() ? '1' : '0';
        EXPECT_EQ(enabled, items) << before << state;
        EXPECT_EQ(q.LastState, lastState) << before << state;
        q.mnuTrayRestore->trigger();
        EXPECT_EQ(formWindowState(&q), restored) << before << state;
    }

    QWidget other;
    other.show();
    QDialog box;
    box.setModal(true);
    for (const auto& [minimize, modal] : {std::pair{true, false}, {false, false}, {true, true}}) {
        SCOPED_TRACE(testing::Message() << minimize << modal); // unminimized: behind another
        setFormWindowState(&q, minimize ? StateMinimized : StateNormal);
        other.activateWindow();
        box.setVisible(modal);
        QApplication::processEvents();
        q.tray().trayActivated(QSystemTrayIcon::Trigger);
        q.tray().trayActivated(QSystemTrayIcon::DoubleClick);
        QApplication::processEvents();
        EXPECT_EQ(formWindowState(&q), StateNormal);
        EXPECT_EQ(QApplication::activeWindow() == &q, !modal);
    }
    box.hide();
    setFormWindowState(&q, StateMinimized);
    q.tray().trayActivated(QSystemTrayIcon::Context);
    QWidget* menu = QApplication::activePopupWidget();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(formWindowState(&q), StateMinimized);
    menu->hide();

    setFormWindowState(&q, StateNormal);
    const QString request = QString::number(q.winId()) + QStringLiteral(" _NET_WM_MOVERESIZE 0 0 ");
    x11->supported = QStringList{"_NET_WM_MOVERESIZE"};
    for (const auto& [item, direction] : {std::pair{q.mnuTrayMove, 10}, {q.mnuTraySize, 9}}) {
        x11->sent.clear();
        item->trigger();
        EXPECT_TRUE(x11->sent.isEmpty());
        QApplication::processEvents();
        EXPECT_EQ(x11->sent, QStringList(request + QString::number(direction) + " 0 1"));
    }
}

// Each secondary window opens once however often it is asked for. The close box unloads the main
// window only, and the others, still open, no longer reach its controls; the tray's Close
// unloads every window. Neither stores anything, and the program ends with its last window.
// (File > Exit, which stores the place, is the session scenario's.)
TEST_F(QuorvilTest, closeBoxAndTrayClose_storeNothingAndTheProgramEndsWithItsLastWindow)
{
    joystick->set(0, 0, 10000, 10000);
    joystick->set(1, 0, 10000, 10000);
    for (const bool trayClose : {false, true}) {
        SCOPED_TRACE(trayClose);
        Quorvil& q = loaded();
        QSignalSpy ended(&q, &Quorvil::allFormsUnloaded);
        q.show();
        EXPECT_FALSE(q.testAttribute(Qt::WA_Moved)); // nothing stored: the toolkit places it
        tickBoth();
        const auto openAll = [&] {
            for (QAction* command :
                 {q.mnuGraph, q.mnuCalibrate, q.mnuReadMeItem, q.mnuQuorvilItem, q.mnuAlarms})
                command->trigger();
            return QApplication::topLevelWidgets().size();
        };
        EXPECT_EQ(openAll(), openAll());
        const QList<QWidget*> others = q.forms().loaded();
        QList<QPointer<QWidget>> windows(others.begin(), others.end());
        auto* graph = static_cast<frmGraph*>(q.forms().form(QStringLiteral("frmGraph")));
        auto* calibration =
            static_cast<frmCalibrate*>(q.forms().form(QStringLiteral("frmCalibrate")));
        graph->Timer1_Timer(); // 33 C at row 200 - 66; sensor 4's magenta is drawn last
        EXPECT_EQ(graph->image().pixel(398, 134), qRgb(255, 0, 255));

        trayClose ? q.mnuTrayClose->trigger() : void(q.close());
        flushDeletes();
        EXPECT_TRUE(store->tree.root.subkeys().empty());
        EXPECT_FALSE(q.isVisible() || q.Timer1.isActive() || q.Timer2.isActive());
        if (!trayClose) {
            EXPECT_FALSE(calibration->btnTake[0]->isEnabled());
            for (int tick = 0; tick < 30; ++tick)
                graph->Timer1_Timer();
            for (int y = 0; y < graph->image().height(); ++y)
                EXPECT_NE(graph->image().pixel(398, y), qRgb(255, 0, 255)) << "row " << y;
            for (QWidget* window : others) {
                EXPECT_EQ(ended.count(), 0);
                window->close();
                flushDeletes();
            }
        }
        for (const QPointer<QWidget>& window : windows)
            EXPECT_TRUE(window.isNull());
        EXPECT_EQ(ended.count(), 1);
    }
}
