#include "app/frmcalibrate.h"
#include "sensors/calibration.h"
#include "support/quorviltest.h"
#include "util/textforms.h"

TEST_F(QuorvilTest, calibrationApplyChangesTheNextTickAndSavesNothing)
{
    const std::vector<CalibrationPoint> ReadmePoints = {{0, 7903}, {10, 5203}, {25, 3296}};
    Quorvil& q = loaded();
    q.mnuCalibrate->trigger();
    auto* window = qobject_cast<frmCalibrate*>(q.forms().form(QStringLiteral("frmCalibrate")));
    ASSERT_TRUE(window);
    window->cboSensor->setCurrentIndex(2); // sensor 3: the first axis of the second joystick
    for (int row = 0; row < 3; ++row) {
        window->txtTemperature[row]->setText(QString::number(ReadmePoints[row].temperature));
        joystick->set(1, 0, std::uint32_t(ReadmePoints[row].reading), 1000);
        q.Timer2_Timer();
        window->btnTake[row]->click();
    }
    EXPECT_TRUE(window->lblMessage->text().startsWith(QStringLiteral("A and C are negative")));
    EXPECT_TRUE(window->lblMessage->text().contains(QStringLiteral("can be right for some")));
    EXPECT_EQ(window->lblFitted[1]->text(), QStringLiteral("10.00 °C"));

    // A refusal leaves nothing to apply.
    window->txtReading[1]->setText(QStringLiteral("3296"));
    EXPECT_FALSE(window->btnApply->isEnabled());
    EXPECT_TRUE(window->txtA->text().isEmpty());
    window->txtReading[1]->setText(QStringLiteral("5203"));
    // A point at zero that the fit gives back a hair below it shows no sign.
    window->txtReading[0]->setText(QStringLiteral("7014"));
    EXPECT_EQ(window->lblFitted[0]->text(), QStringLiteral("0.00 °C"));
    window->txtReading[0]->setText(QStringLiteral("7903"));

    EXPECT_EQ(q.lblSensor3->text(), QStringLiteral("58 C")); // the default coefficients
    window->btnApply->click();
    q.Timer2_Timer();
    EXPECT_EQ(q.lblSensor3->text(), QStringLiteral("25 C"));
    // The texts read back to the very same numbers.
    const Coefficients k = calibrate(ReadmePoints, Scale::Celsius).coefficients;
    EXPECT_EQ(q.txt3A->text().toStdString() + q.txt3B->text().toStdString() +
                  q.txt3C->text().toStdString(),
              shortestText(k.A) + shortestText(k.B) + shortestText(k.C));
    // The negative A shows its sign: each box shows the start of its text.
    EXPECT_EQ(q.txt3A->cursorPosition() + q.txt3B->cursorPosition() + q.txt3C->cursorPosition(), 0);
    EXPECT_TRUE(store->tree.root.subkeys().empty());
    window->close();
}

namespace {

frmCalibrate* calibrationWindow(Quorvil& q)
{
    return qobject_cast<frmCalibrate*>(q.forms().form(QStringLiteral("frmCalibrate")));
}

QString firstPoint(const frmCalibrate* window)
{
    return window->txtTemperature[0]->text() + QLatin1Char('/') + window->txtReading[0]->text() +
           (window->opFahrenheit->isChecked() ? QStringLiteral(" F") : QStringLiteral(" C"));
}

} // namespace

// Each sensor keeps its own points and scale while the program runs, so one water bath gives all
// four sensors their points and closing the window loses nothing.
TEST_F(QuorvilTest, calibrationKeepsEachSensorsPointsApart)
{
    Quorvil& q = loaded();
    joystick->set(0, 0, 7903, 53133);
    q.Timer1_Timer();
    q.mnuCalibrate->trigger();
    frmCalibrate* window = calibrationWindow(q);
    window->txtTemperature[0]->setText(QStringLiteral("0"));
    window->btnTake[0]->click();
    window->cboSensor->setCurrentIndex(1);
    EXPECT_EQ(firstPoint(window), QStringLiteral("/ C"));
    window->opFahrenheit->setChecked(true);
    window->txtTemperature[0]->setText(QStringLiteral("32"));
    window->btnTake[0]->click();
    EXPECT_EQ(firstPoint(window), QStringLiteral("32/53133 F"));

    window->close();
    flushDeletes();
    q.mnuCalibrate->trigger();
    window = calibrationWindow(q);
    EXPECT_EQ(window->cboSensor->currentIndex(), 1);
    EXPECT_EQ(firstPoint(window), QStringLiteral("32/53133 F"));
    window->cboSensor->setCurrentIndex(0);
    EXPECT_EQ(firstPoint(window), QStringLiteral("0/7903 C"));
    window->cboSensor->setCurrentIndex(2);
    EXPECT_EQ(firstPoint(window), QStringLiteral("/ C"));
    window->close();
}

// A joystick that reports trouble gives no reading to take, even when its record holds a number;
// the window says why.
TEST_F(QuorvilTest, calibrationTakesNoReadingFromAJoystickInTrouble)
{
    Quorvil& q = loaded();
    q.mnuCalibrate->trigger();
    frmCalibrate* window = calibrationWindow(q);
    window->btnTake[1]->click(); // before the first tick
    EXPECT_EQ(window->lblMessage->text(),
              QStringLiteral("No reading taken for point 2 of Sensor 1: no reading yet."));
    joystick->port(0).fillOnError = true;
    const std::tuple<std::uint32_t, std::uint32_t, const char*> troubles[] = {
        {JOYERR_UNPLUGGED, 5000, "port status: sensors 1 or 2 unplugged"},
        {4294967295u, 5000, "port status: joyGetPosEx error, rc = -1"},
        {0, 0, "port status: sensor 1 unplugged"}};
    for (const auto& [result, x, why] : troubles) {
        joystick->set(0, result, x, 9000);
        q.Timer1_Timer();
        window->btnTake[1]->click();
        EXPECT_EQ(window->txtReading[1]->text(), QString());
        EXPECT_EQ(window->lblMessage->text(),
                  QStringLiteral("No reading taken for point 2 of Sensor 1: %1.").arg(why));
    }
    joystick->set(0, 0, 5000, 9000);
    q.Timer1_Timer();
    window->btnTake[1]->click();
    EXPECT_EQ(window->txtReading[1]->text(), QStringLiteral("5000"));
    window->close();
}
