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
    EXPECT_EQ(window->lblFitted[1]->text(), QStringLiteral("10.00 °C"));

    // A refusal leaves nothing to apply.
    window->txtReading[1]->setText(QStringLiteral("3296"));
    EXPECT_FALSE(window->btnApply->isEnabled());
    EXPECT_TRUE(window->txtA->text().isEmpty());
    window->txtReading[1]->setText(QStringLiteral("5203"));

    EXPECT_EQ(q.lblSensor3->text(), QStringLiteral("58 C")); // the default coefficients
    window->btnApply->click();
    q.Timer2_Timer();
    EXPECT_EQ(q.lblSensor3->text(), QStringLiteral("25 C"));
    // The texts read back to the very same numbers.
    const Coefficients k = calibrate(ReadmePoints, Scale::Celsius).coefficients;
    EXPECT_EQ(q.txt3A->text().toStdString() + q.txt3B->text().toStdString() +
                  q.txt3C->text().toStdString(),
              shortestText(k.A) + shortestText(k.B) + shortestText(k.C));
    EXPECT_TRUE(store->tree.root.subkeys().empty());
    window->close();
}
