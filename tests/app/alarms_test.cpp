#include "app/frmcalibrate.h"
#include "support/quorviltest.h"

#include <QSet>
#include <QTextDocument>

namespace {

class Alarms : public QuorvilTest {
protected:
    frmAlarms* window() { return qobject_cast<frmAlarms*>(form->forms().form("frmAlarms")); }
    void type(QLineEdit* box, const QString& text)
    {
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
    }
    // Types and finishes with Return.
    void enter(QLineEdit* box, const QString& text)
    {
        type(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
};

} // namespace

// Stored thresholds come back in the scale in use; a malformed stored text is no threshold, a
// malformed typed one is refused in its box; the window's Save writes only its own section.
TEST_F(Alarms, thresholdsAreStoredLoadedConvertedAndRefusedWhenMalformed)
{
    put("Alarms", "High1", "5");
    put("Alarms", "Low1", "-2.5");
    put("Alarms", "Scale", "F");
    Quorvil& q = loaded();
    q.mnuAlarms->trigger();
    frmAlarms& w = *window();
    EXPECT_EQ(w.rows[0].high->text(), QStringLiteral("-15")); // shown in Celsius
    EXPECT_EQ(w.rows[0].low->text(), QString());
    q.op1F->click();
    EXPECT_EQ(w.rows[0].high->text(), QStringLiteral("5"));

    enter(w.rows[1].low, QStringLiteral("x5"));
    EXPECT_FALSE(q.alarms().threshold(2, AlarmWatch::Side::Low, Scale::Fahrenheit));
    enter(w.rows[1].low, QStringLiteral("-10"));
    enter(w.rows[0].high, QString());
    w.btnSave->click();
    const registry::Table saved = {{"High1", ""}, {"Low1", ""},    {"Scale", "F"},
                                   {"High2", ""}, {"Low2", "-10"}, {"High3", ""},
                                   {"Low3", ""},  {"High4", ""},   {"Low4", ""}};
    EXPECT_EQ(registry(store).GetAllSettings("Alarms"), saved);

    q.btnSave->click(); // "Save to Registry" keeps to its own values
    EXPECT_EQ(registry(store).GetAllSettings("Alarms").size(), 9u);
}

// Only ticks that count feed the figures; an alarm going off shows in the tooltip and, without
// a notification area, opens the alarms window.
TEST_F(Alarms, countedTicksRaiseTheAlarmInTheTooltipAndTheWindow)
{
    put("Alarms", "High1", "30");
    put("Sensor1", "Sensor1_Name", "Freezer");
    Quorvil& q = loaded();
    joystick->set(0, 0, 32767, 32767); // 9 C
    q.Timer1_Timer();
    joystick->port(0).fillOnError = true; // 33 C from a joystick in trouble does not count
    joystick->set(0, JOYERR_UNPLUGGED, 10000, 32767);
    q.Timer1_Timer();
    EXPECT_EQ(q.alarms().sensor(1).maximum, 9);
    EXPECT_FALSE(window());
    joystick->set(0, 0, 10000, 32767); // 33 C
    q.Timer1_Timer();
    EXPECT_EQ(q.tray().trayTooltip(), QStringLiteral("Quorvil - alarm: Freezer"));
    ASSERT_TRUE(window());
    EXPECT_EQ(window()->rows[0].state->text(), QStringLiteral("HIGH"));
    EXPECT_EQ(window()->rows[0].maximum->text(), QStringLiteral("33 C"));

    // A lost MQTT connection shares the tooltip, ahead of the alarms, and outlasts them.
    q.setServiceNote(QStringLiteral("MQTT lost"));
    EXPECT_EQ(q.tray().trayTooltip(), QStringLiteral("Quorvil - MQTT lost - alarm: Freezer"));

    joystick->set(0, 0, 32767, 32767);
    q.Timer1_Timer();
    EXPECT_EQ(q.tray().trayTooltip(), QStringLiteral("Quorvil - MQTT lost"));
    q.setServiceNote({});
    EXPECT_EQ(q.tray().trayTooltip(), QStringLiteral("Quorvil"));
    EXPECT_EQ(window()->rows[0].state->text(), QStringLiteral("ok"));
    window()->btnReset->click();
    EXPECT_EQ(window()->rows[0].minimum->text(), QString());
}

// A name is shown as typed wherever it appears, tags and all: the toolkit reads tags in a label
// or tooltip by itself. The stored name stays exactly as it was.
TEST_F(Alarms, aNameIsShownAsTypedEverywhere)
{
    const QString name = QStringLiteral("a<b>x</b> & <i>y");
    put("Sensor1", "Sensor1_Name", name.toStdString().c_str());
    put("Alarms", "High1", "30");
    Quorvil& q = loaded();
    q.mnuAlarms->trigger();
    q.mnuCalibrate->trigger();
    auto* calibration = qobject_cast<frmCalibrate*>(q.forms().form(QStringLiteral("frmCalibrate")));
    ASSERT_TRUE(calibration);
    const char* points[][2] = {{"0", "7903"}, {"10", "5203"}, {"25", "3296"}};
    for (int row = 0; row < 3; ++row) {
        calibration->txtTemperature[row]->setText(QString::fromLatin1(points[row][0]));
        calibration->txtReading[row]->setText(QString::fromLatin1(points[row][1]));
    }
    joystick->set(0, 0, 10000, 32767); // 33 C: the alarm goes off
    q.Timer1_Timer();
    calibration->btnApply->click();

    int shown = 0;
    const QList<QLabel*> labels = q.findChildren<QLabel*>() + window()->findChildren<QLabel*>() +
                                  calibration->findChildren<QLabel*>();
    for (const QLabel* label : QSet<QLabel*>(labels.begin(), labels.end())) {
        if (!label->text().contains(name))
            continue;
        ++shown;
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    }
    EXPECT_EQ(shown, 3); // the heading, the alarms row, the calibration's message
    EXPECT_EQ(q.LabelS1->text(), name);

    const QString tooltip = q.tray().trayTooltip();
    EXPECT_EQ(tooltip, QStringLiteral("Quorvil - alarm: ") + name);
    const QString given = plainTooltip(tooltip);
    QTextDocument asShown;
    if (Qt::mightBeRichText(given))
        asShown.setHtml(given);
    else
        asShown.setPlainText(given);
    EXPECT_EQ(asShown.toPlainText(), tooltip);

    q.btnSave->click();
    EXPECT_EQ(registry(store).GetSetting("Sensor1", "Sensor1_Name"), name.toStdString());
    calibration->close();
}

// A threshold takes effect when the user finishes it, and only whole: the keystrokes on the way to
// "100" raise no alarm, and a refused text leaves the threshold accepted last in effect, in the
// message and in the store.
TEST_F(Alarms, aThresholdTakesEffectOnlyWhenFinishedAndWhole)
{
    Quorvil& q = loaded();
    joystick->set(0, 0, 10000, 10000); // 33 C on sensors 1 and 2
    q.mnuAlarms->trigger();
    frmAlarms& w = *window();
    QLineEdit* high = w.rows[1].high;
    type(high, QStringLiteral("1"));
    q.Timer1_Timer();
    EXPECT_EQ(q.alarms().sensor(2).state, AlarmWatch::State::Ok);
    EXPECT_EQ(w.lblMessage->text(),
              QStringLiteral("Sensor 2 High: no alarm stays in effect until Return or Tab."));
    QTest::keyClicks(high, QStringLiteral("00"));
    QTest::keyClick(high, Qt::Key_Return);
    q.Timer1_Timer();
    EXPECT_EQ(q.alarms().threshold(2, AlarmWatch::Side::High, Scale::Celsius), 100);
    EXPECT_EQ(q.alarms().sensor(2).state, AlarmWatch::State::Ok);
    EXPECT_EQ(w.lblMessage->text(), QString());

    QLineEdit* low = w.rows[0].low;
    enter(low, QStringLiteral("1"));
    for (const char* refused : {"1.5", "1."}) {
        enter(low, QString::fromLatin1(refused));
        EXPECT_EQ(q.alarms().threshold(1, AlarmWatch::Side::Low, Scale::Celsius), 1);
        EXPECT_EQ(low->styleSheet(), QStringLiteral("color: red"));
        EXPECT_EQ(low->toolTip(), w.lblMessage->text());
        EXPECT_TRUE(
            w.lblMessage->text().endsWith(QStringLiteral("Sensor 1 Low: 1 stays in effect.")))
            << w.lblMessage->text().toStdString();
    }
    w.btnSave->click();
    EXPECT_EQ(registry(store).GetSetting("Alarms", "Low1", "?"), "1");
    EXPECT_EQ(registry(store).GetSetting("Alarms", "High2", "?"), "100");
}

// Once the main window has gone the alarms window says that readings have stopped, and
// thresholds not yet saved are offered for saving first, never lost without a word.
TEST_F(Alarms, mainWindowGoneStopsTheReadingsAndOffersUnsavedThresholds)
{
    for (const int answer : {msgbox::No, msgbox::Yes}) {
        SCOPED_TRACE(answer);
        store = std::make_shared<MemoryRegistry>();
        put("Alarms", "High1", "30");
        Quorvil& q = loaded();
        joystick->set(0, 0, 10000, 10000); // 33 C: above 30
        q.mnuAlarms->trigger();
        q.Timer1_Timer();
        frmAlarms& w = *window();
        EXPECT_EQ(w.rows[0].state->text(), QStringLiteral("HIGH"));
        enter(w.rows[0].low, QStringLiteral("-5"));
        boxes.answer(answer);
        q.close();
        ASSERT_EQ(boxes.asked.size(), 1);
        EXPECT_TRUE(boxes.asked[0].prompt.contains(QStringLiteral("Save them?")));
        boxes.asked.clear();
        EXPECT_EQ(registry(store).GetSetting("Alarms", "Low1", "?"),
                  answer == msgbox::Yes ? "-5" : "?");
        EXPECT_TRUE(w.lblMessage->text().startsWith(QStringLiteral("Readings have stopped")));
        EXPECT_EQ(w.rows[0].state->text() + w.rows[0].current->text(), QString());
        EXPECT_EQ(w.rows[0].maximum->text(), QStringLiteral("33 C"));
        EXPECT_FALSE(w.btnSave->isEnabled());
        w.close();
        flushDeletes();
    }
    // Thresholds as saved: nothing to ask.
    Quorvil& q = loaded();
    q.close();
    EXPECT_TRUE(boxes.asked.isEmpty());
}
