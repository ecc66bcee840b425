#include "app/controls.h"
#include "app/quorvil.h"
#include "app/windowstate.h"
#include "graph/frmgraph.h"
#include "support/quorviltest.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString Prompt12 =
    QStringLiteral("Couldn't detect the Gameport Driver for 1 and 2.  Make sure gameport driver is "
                   "installed.\r\nDo you want to view Quorvil4 anyway?");
const QString Prompt34 =
    QStringLiteral("Couldn't detect the Gameport Driver for 3 and 4.  Make sure gameport driver is "
                   "installed.\r\nDo you want to view Quorvil4 anyway?");

} // namespace

// Start-up

TEST_F(QuorvilTest, bothDriversPresentStartsWithoutQuestion)
{
    joystick->set(1, 0, 100, 100);
    Quorvil& q = loaded();
    EXPECT_TRUE(boxes.asked.isEmpty());
    EXPECT_TRUE(q.Timer1.isActive());
    EXPECT_TRUE(q.Timer2.isActive());
    EXPECT_EQ(q.Timer1.interval(), 1000);
    EXPECT_EQ(q.Timer1.timerType(), Qt::PreciseTimer);
    EXPECT_FALSE(q.TimerCount.isActive());
    ASSERT_NE(q.Reg(), nullptr);
    EXPECT_EQ(q.Reg()->Company(), "Norvalde");
    EXPECT_EQ(q.Reg()->AppName(), "Quorvil4");
    // Lists filled, yet nothing chosen and the design texts shown.
    EXPECT_EQ(q.cboOffset4->count(), 7);
    EXPECT_EQ(q.cboOffset4->itemText(0), QStringLiteral("+ 3°"));
    EXPECT_EQ(q.cboOffset4->itemText(6), QStringLiteral("- 3°"));
    EXPECT_EQ(q.cboOffset4->currentIndex(), -1);
    EXPECT_EQ(q.cboOffset4->currentText(), QStringLiteral("None"));
    EXPECT_EQ(q.cboTimer->itemText(6), QStringLiteral("1 Minute"));
    EXPECT_EQ(q.cboTimer->currentIndex(), -1);
    EXPECT_EQ(q.cboTimer->currentText(), QStringLiteral("1 Second"));
    tickBoth();
    EXPECT_EQ(q.lblStatus2->text(), QStringLiteral("port status: sensors 3 - 4 connected"));
}

TEST_F(QuorvilTest, secondDriverMissingAnsweredYesRunsAndPollsIt)
{
    joystick->port(1).capsResult = JOYERR_PARMS;
    joystick->set(1, 165, 0, 0);
    joystick->set(0, 0, 10000, 10000);
    boxes.answer(msgbox::Yes);
    Quorvil& q = loaded();
    ASSERT_EQ(boxes.asked.size(), 1);
    EXPECT_EQ(boxes.asked[0].prompt, Prompt34);
    EXPECT_EQ(boxes.asked[0].title, QStringLiteral("Error in loading Gameport Drivers"));
    EXPECT_EQ(boxes.asked[0].buttons, 308);
    EXPECT_TRUE(q.Timer2.isActive());
    tickBoth();
    EXPECT_EQ(q.lblStatus->text(), QStringLiteral("port status: sensors 1 - 2 connected"));
    // Sensor 4's zero reading writes its message last.
    EXPECT_EQ(q.lblStatus2->text(), QStringLiteral("port status: sensor 4 unplugged"));
    EXPECT_EQ(joystick->port(1).posCalls, 1);
}

TEST_F(QuorvilTest, firstDriverMissingAnsweredNoEndsBeforeAnythingElse)
{
    joystick->port(0).capsResult = JOYERR_PARMS;
    joystick->port(1).capsResult = JOYERR_PARMS;
    boxes.answer(msgbox::No);
    store->tree.clear();
    make();
    EXPECT_EQ(form->Form_Load(), Quorvil::LoadResult::EndProgram);
    ASSERT_EQ(boxes.asked.size(), 1);
    EXPECT_EQ(boxes.asked[0].prompt, Prompt12);
    // Both drivers were asked about before the first answer.
    EXPECT_EQ(joystick->port(1).capsCalls, 1);
    EXPECT_FALSE(form->Timer1.isActive());
    EXPECT_FALSE(form->Timer2.isActive());
    EXPECT_EQ(form->cboOffset1->count(), 0);
    EXPECT_EQ(form->Reg(), nullptr);
    EXPECT_EQ(store->openKeyCount(), 0u);
}

TEST_F(QuorvilTest, bothDriversMissingAskTwiceAndNoOnTheSecondEnds)
{
    joystick->port(0).capsResult = JOYERR_PARMS;
    joystick->port(1).capsResult = JOYERR_PARMS;
    boxes.answer(msgbox::Yes);
    boxes.answer(msgbox::No);
    make();
    EXPECT_EQ(form->Form_Load(), Quorvil::LoadResult::EndProgram);
    ASSERT_EQ(boxes.asked.size(), 2);
    EXPECT_EQ(boxes.asked[1].prompt, Prompt34);
    EXPECT_FALSE(form->Timer1.isActive());
}

TEST_F(QuorvilTest, startingMinimizedRecordsNormal)
{
    make().setWindowState(Qt::WindowMinimized);
    form->Form_Load();
    EXPECT_EQ(form->LastState, 0);
}

// Ticks

TEST_F(QuorvilTest, tickWritesStatusAndRawReadings)
{
    Quorvil& q = loaded();
    EXPECT_EQ(q.lblRaw1->text(), QStringLiteral("Raw1"));
    joystick->set(0, 0, 65535, 10000);
    joystick->set(1, 167, 5, 6);
    tickBoth();
    EXPECT_EQ(q.lblStatus->text(), QStringLiteral("port status: sensors 1 - 2 connected"));
    EXPECT_EQ(q.lblRaw1->text(), QStringLiteral("65535"));
    EXPECT_EQ(q.lblRaw2->text(), QStringLiteral("10000"));
    // Never read successfully: the record still holds zeros.
    EXPECT_EQ(q.lblRaw3->text(), QStringLiteral("0"));
    EXPECT_EQ(q.lblRaw4->text(), QStringLiteral("0"));
    EXPECT_EQ(q.lblStatus2->text(), QStringLiteral("port status: sensor 4 unplugged"));
    EXPECT_EQ(q.JoyResult2, 167);
}

TEST_F(QuorvilTest, unpluggedAfterGoodReadsKeepsTheLastReading)
{
    Quorvil& q = loaded();
    joystick->set(0, 0, 10000, 32767);
    q.Timer1_Timer();
    joystick->set(0, 167, 1, 1);
    q.Timer1_Timer();
    EXPECT_EQ(q.lblStatus->text(), QStringLiteral("port status: sensors 1 or 2 unplugged"));
    EXPECT_EQ(q.lblRaw1->text(), QStringLiteral("10000"));
    EXPECT_EQ(q.lblSensor2->text(), QStringLiteral("9 C"));
}

TEST_F(QuorvilTest, eachStatusFollowsItsOwnJoystick)
{
    Quorvil& q = loaded();
    joystick->set(0, 0, 100, 100);
    joystick->set(1, 165, 100, 100);
    joystick->port(1).fillOnError = true;
    tickBoth();
    EXPECT_EQ(q.lblStatus->text(), QStringLiteral("port status: sensors 1 - 2 connected"));
    EXPECT_EQ(q.lblStatus2->text(), QStringLiteral("port status: joyGetPosEx error, rc = 165"));
}

TEST_F(QuorvilTest, zeroReadingReportsUnpluggedAndStillShowsTemperature)
{
    Quorvil& q = loaded();
    joystick->set(1, 0, 0, 10000);
    q.Timer2_Timer();
    EXPECT_EQ(q.lblStatus2->text(), QStringLiteral("port status: sensor 3 unplugged"));
    EXPECT_EQ(q.lblS3->text(), QStringLiteral("464"));
    EXPECT_EQ(q.lblSensor3->text(), QStringLiteral("464 C"));
    EXPECT_EQ(q.lblSensor4->text(), QStringLiteral("33 C"));
}

// Conversion through the controls

TEST_F(QuorvilTest, scaleAndOffsetsAreReadAtEveryTick)
{
    Quorvil& q = loaded();
    joystick->set(0, 0, 10000, 10000);
    q.Timer1_Timer();
    EXPECT_EQ(q.lblS1->text(), QStringLiteral("33"));
    EXPECT_EQ(q.lblSensor1->text(), QStringLiteral("33 C"));
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
}

TEST_F(QuorvilTest, neitherScaleLeavesTemperaturesButReportsUnplugged)
{
    Quorvil& q = loaded();
    joystick->set(0, 0, 10000, 10000);
    q.Timer1_Timer();
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
    const QString bad[] = {"", "-", ".", "abc", "1e999", "nan", "inf", "1,2.3"};
    for (const QString& text : bad) {
        SCOPED_TRACE(text.toStdString());
        q.txt1B->setText(text);
        q.Timer1_Timer();
        EXPECT_EQ(q.lblS1->text(), QStringLiteral("33"));
        EXPECT_EQ(q.lblSensor1->text(), QStringLiteral("33 C"));
    }
    // Zero denominator, and a result beyond 16 bits.
    q.txt1A->setText("0");
    q.txt1B->setText("0");
    q.txt1C->setText("0");
    joystick->set(0, 0, 65535, 65535);
    q.Timer1_Timer();
    EXPECT_EQ(q.lblS1->text(), QStringLiteral("33"));
    q.txt1A->setText("1e-9");
    q.Timer1_Timer();
    EXPECT_EQ(q.lblS1->text(), QStringLiteral("33"));
    EXPECT_EQ(q.lblS2->text(), QStringLiteral("-4"));
    // Fixing the box shows the temperature again at the next tick.
    q.txt1A->setText(" 0.001355699 ");
    q.txt1B->setText("1.96433E-04");
    q.txt1C->setText("0.000000130");
    q.Timer1_Timer();
    EXPECT_EQ(q.lblSensor1->text(), QStringLiteral("-4 C"));
}

TEST_F(QuorvilTest, coefficientsReadWithTheLocaleSeparator)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Quorvil& q = loaded();
    q.txt1A->setText(QStringLiteral("0,001355699"));
    joystick->set(0, 0, 10000, 10000);
    q.Timer1_Timer();
    QLocale::setDefault(saved);
    EXPECT_EQ(q.lblSensor1->text(), QStringLiteral("33 C"));
    EXPECT_EQ(q.lblSensor2->text(), QStringLiteral("33 C"));
}

// Views

TEST_F(QuorvilTest, viewCommandsLandOnTheirHeightFromEveryView)
{
    Quorvil& q = loaded();
    q.show();
    const std::pair<QAction*, int> menuViews[] = {{q.mnuSetup, Quorvil::SetupHeight},
                                                  {q.mnuLog, Quorvil::LoggingHeight}};
    const std::pair<QPushButton*, int> buttonViews[] = {{q.btnHideLog, Quorvil::CompactHeight},
                                                        {q.btnHideSetup, Quorvil::CompactHeight}};
    const std::function<void()> starts[] = {[&] { q.mnuSetup_Click(); }, [&] { q.mnuLog_Click(); },
                                            [&] { q.btnHideSetup_Click(); }};
    for (const auto& start : starts) {
        for (const auto& [action, height] : menuViews) {
            start();
            q.resize(600, 300); // dragged by the user
            action->trigger();
            EXPECT_EQ(q.clientHeight(), height);
            EXPECT_EQ(q.width(), Quorvil::FormClientWidth);
        }
        for (const auto& [button, height] : buttonViews) {
            start();
            q.resize(600, 300);
            button->click();
            EXPECT_EQ(q.clientHeight(), height);
            EXPECT_EQ(q.width(), Quorvil::FormClientWidth);
        }
    }
}

TEST_F(QuorvilTest, startsCompactWithBareLabelsBelowEveryView)
{
    Quorvil& q = loaded();
    q.show();
    EXPECT_EQ(q.clientHeight(), Quorvil::CompactHeight);
    for (QLabel* bare : {q.lblS1, q.lblS2, q.lblS3, q.lblS4})
        EXPECT_GE(bare->geometry().top(), Quorvil::SetupHeight);
    // The port status lines sit below the logging view and within the setup view.
    EXPECT_GE(q.lblStatus->geometry().top(), Quorvil::LoggingHeight);
    EXPECT_LE(q.btnHideSetup->geometry().bottom(), Quorvil::SetupHeight);
}

// Resize

TEST_F(QuorvilTest, trayItemsFollowTheWindowState)
{
    Quorvil& q = loaded();
    q.show();
    struct Row {
        int state;
        bool restore, move, size, minimize;
    };
    // Maximize is never shown, and the toolkit reports a hidden action as disabled.
    const Row table[] = {{StateMaximized, true, false, false, true},
                         {StateMinimized, true, false, false, false},
                         {StateNormal, false, true, true, true}};
    for (const Row& row : table) {
        SCOPED_TRACE(row.state);
        setFormWindowState(&q, row.state);
        EXPECT_EQ(q.mnuTrayRestore->isEnabled(), row.restore);
        EXPECT_EQ(q.mnuTrayMove->isEnabled(), row.move);
        EXPECT_EQ(q.mnuTraySize->isEnabled(), row.size);
        EXPECT_EQ(q.mnuTrayMinimize->isEnabled(), row.minimize);
    }
}

TEST_F(QuorvilTest, lastStateKeepsMaximizedThroughMinimize)
{
    Quorvil& q = loaded();
    q.show();
    setFormWindowState(&q, StateMaximized);
    EXPECT_EQ(q.LastState, 2);
    setFormWindowState(&q, StateMinimized);
    EXPECT_EQ(q.LastState, 2);
    setFormWindowState(&q, q.LastState);
    EXPECT_EQ(q.LastState, 2);
    setFormWindowState(&q, StateNormal);
    EXPECT_EQ(q.LastState, 0);
}

// Shut-down and secondary windows

TEST_F(QuorvilTest, exitStoresPositionInTwipsAndNextStartUsesIt)
{
    Quorvil& q = loaded();
    q.show();
    q.move(96, 48);
    q.mnuExit->trigger();
    EXPECT_EQ(stored("Misc", "Left"), "1440");
    EXPECT_EQ(stored("Misc", "Top"), "720");
    EXPECT_FALSE(q.isVisible());
    EXPECT_FALSE(q.Timer1.isActive());

    Quorvil& next = loaded();
    EXPECT_EQ(next.pos(), QPoint(96, 48));
}

TEST_F(QuorvilTest, storedPositionThatIsNoPlaceIsIgnored)
{
    for (const char* top : {"abc", "", "99999999", "nan"}) {
        SCOPED_TRACE(top);
        registry(store).SaveSetting("Misc", "Top", top);
        registry(store).SaveSetting("Misc", "Left", top);
        make();
        const QPoint before = form->pos();
        form->Form_Load();
        EXPECT_EQ(form->pos(), before);
        EXPECT_FALSE(form->testAttribute(Qt::WA_Moved));
    }
}

TEST_F(QuorvilTest, closeBoxStoresNothingAndLeavesOtherWindowsOpen)
{
    Quorvil& q = loaded();
    int made = 0;
    q.forms().setFactory(QStringLiteral("frmAbout"), [&] {
        ++made;
        return new QWidget;
    });
    q.show();
    q.mnuQuorvilItem_Click();
    q.mnuQuorvilItem->trigger();
    EXPECT_EQ(made, 1);
    QPointer<QWidget> about = q.forms().form(QStringLiteral("frmAbout"));
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->isVisible());

    q.close();
    EXPECT_EQ(stored("Misc", "Left"), "<none>");
    EXPECT_FALSE(q.isVisible());
    EXPECT_FALSE(q.Timer1.isActive());
    EXPECT_TRUE(about->isVisible());

    q.UnloadAllForms();
    EXPECT_FALSE(about && about->isVisible());
}

TEST_F(QuorvilTest, secondaryWindowsOpenOnceAndExitUnloadsThemAll)
{
    Quorvil& q = loaded();
    q.show();
    q.mnuGraph->trigger();
    q.mnuReadMeItem->trigger();
    q.mnuQuorvilItem->trigger();
    QPointer<QWidget> graph = q.forms().form(QStringLiteral("frmGraph"));
    QPointer<QWidget> help = q.forms().form(QStringLiteral("frmHelp"));
    QPointer<QWidget> about = q.forms().form(QStringLiteral("frmAbout"));
    ASSERT_TRUE(graph && help && about);
    q.mnuGraph->trigger();
    q.mnuReadMeItem->trigger();
    EXPECT_EQ(q.forms().form(QStringLiteral("frmGraph")), graph);
    EXPECT_EQ(q.forms().form(QStringLiteral("frmHelp")), help);

    q.mnuExit_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(graph.isNull() && help.isNull() && about.isNull());
    EXPECT_FALSE(q.isVisible());
}

TEST_F(QuorvilTest, trayCloseEndsWithoutStoringThePosition)
{
    Quorvil& q = loaded();
    q.show();
    // Offscreen has no notification area: the program runs without the icon.
    EXPECT_FALSE(q.tray().hasTrayIcon());
    q.mnuQuorvilItem->trigger();
    QPointer<QWidget> about = q.forms().form(QStringLiteral("frmAbout"));
    q.mnuTrayClose->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(stored("Misc", "Left"), "<none>");
    EXPECT_EQ(stored("Misc", "Top"), "<none>");
    EXPECT_TRUE(about.isNull());
    EXPECT_FALSE(q.isVisible());
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
    ASSERT_TRUE(graph);
    for (int tick = 0; tick < 30; ++tick)
        graph->Timer1_Timer();
    const QImage image = graph->image();
    for (int y = 0; y < image.height(); ++y) {
        const QRgb pixel = image.pixel(398, y);
        for (const QRgb trace :
             {qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 128, 0), qRgb(255, 0, 255)})
            EXPECT_NE(pixel, trace) << "row " << y;
    }
    graph->close();
}
