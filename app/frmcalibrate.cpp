#include "app/frmcalibrate.h"

#include "app/appresources.h"
#include "app/calibrationtarget.h"
#include "app/controls.h"
#include "app/twips.h"
#include "monitor/tick.h"
#include "sensors/calibration.h"
#include "util/textforms.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <vector>

namespace {

// A box holding no number counts as no value; the calibration names the point.
double numberIn(const QLineEdit* box)
{
    return parseTypedNumber(box->text().toStdString()).value_or(NAN);
}

} // namespace

frmCalibrate::frmCalibrate(CalibrationTarget* target)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_target(target)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmCalibrate"));
    setWindowTitle(QStringLiteral("Quorvil4 calibration"));
    setFixedSize(twipsSize(5250, 4815));
    setFont(programFont());
    createControls();
    refreshHeadings();
    if (m_target && m_target->fahrenheitSelected())
        opFahrenheit->setChecked(true);
    setTarget(m_target);
    txtTemperature[0]->setFocus();
}

void frmCalibrate::createControls()
{
    label(this, "lblSensor", QStringLiteral("Sensor"), twipsRect(120, 270, 735, 255), false);
    cboSensor = place(new QComboBox(this), "cboSensor", twipsRect(840, 210, 1935, 315));
    for (int sensor = 1; sensor <= 4; ++sensor)
        cboSensor->addItem(QStringLiteral("Sensor %1").arg(sensor));
    lblDevice = label(this, "lblDevice", QString(), twipsRect(120, 570, 5010, 240), false);
    connect(cboSensor, &QComboBox::currentIndexChanged, this, &frmCalibrate::showDevice);

    auto* frame = place(new CaptionedFrame(QStringLiteral("Temperatures in"), this), "FrameScale",
                        twipsRect(2880, 60, 2250, 555));
    opCelsius = optionButton(frame, "opCelsius", QStringLiteral("Celsius"),
                             twipsRect(120, 240, 975, 255), true);
    opFahrenheit = optionButton(frame, "opFahrenheit", QStringLiteral("Fahrenheit"),
                                twipsRect(1095, 240, 1095, 255), false);

    label(this, "lblTemperature", QStringLiteral("Temperature"), twipsRect(120, 840, 1095, 255),
          true);
    label(this, "lblReading", QStringLiteral("Reading"), twipsRect(1320, 840, 1095, 255), true);
    label(this, "lblFit", QStringLiteral("Fit gives"), twipsRect(3960, 840, 1170, 255), true);
    for (int row = 0; row < 3; ++row) {
        const QByteArray n = QByteArray::number(row + 1);
        const int top = 1080 + 360 * row;
        txtTemperature[row] =
            textBox(this, "txtTemperature" + n, QString(), twipsRect(120, top, 1095, 285));
        txtReading[row] =
            textBox(this, "txtReading" + n, QString(), twipsRect(1320, top, 1095, 285));
        btnTake[row] = button(this, "btnTake" + n, QStringLiteral("Take reading"),
                              twipsRect(2520, top - 30, 1335, 345));
        lblFitted[row] =
            label(this, "lblFitted" + n, QString(), twipsRect(3960, top, 1170, 285), true, true);
        connect(btnTake[row], &QPushButton::clicked, this, [this, row] { btnTake_Click(row); });
        for (QLineEdit* box : {txtTemperature[row], txtReading[row]})
            connect(box, &QLineEdit::textChanged, this, &frmCalibrate::recompute);
    }
    connect(opFahrenheit, &QRadioButton::toggled, this, &frmCalibrate::recompute);

    QLineEdit** results[3] = {&txtA, &txtB, &txtC};
    for (int row = 0; row < 3; ++row) {
        const int top = 2280 + 360 * row;
        const QByteArray letter(1, char('A' + row));
        label(this, "lbl" + letter, QString::fromLatin1(letter), twipsRect(120, top, 255, 255),
              true);
        *results[row] = place(new QLineEdit(this), "txt" + letter, twipsRect(480, top, 2895, 285));
        // Read-only, yet selectable, so a coefficient can be copied elsewhere.
        (*results[row])->setReadOnly(true);
    }

    lblMessage = label(this, "lblMessage", QString(), twipsRect(120, 3420, 5010, 735), false);
    lblMessage->setWordWrap(true);

    btnApply = button(this, "btnApply", QStringLiteral("Apply"), twipsRect(2640, 4290, 1170, 375));
    btnClose = button(this, "btnClose", QStringLiteral("Close"), twipsRect(3960, 4290, 1170, 375));
    connect(btnApply, &QPushButton::clicked, this, &frmCalibrate::btnApply_Click);
    connect(btnClose, &QPushButton::clicked, this, &frmCalibrate::btnClose_Click);
    recompute();
}

void frmCalibrate::setTarget(CalibrationTarget* target)
{
    m_target = target;
    for (QPushButton* take : btnTake)
        take->setEnabled(m_target != nullptr);
    btnApply->setEnabled(m_target && m_sound);
}

void frmCalibrate::refreshHeadings()
{
    if (!m_target)
        return;
    for (int i = 0; i < 4; ++i)
        cboSensor->setItemText(i, m_target->sensorHeading(i + 1));
    showDevice();
}

void frmCalibrate::showDevice()
{
    const int sensor = cboSensor->currentIndex() + 1;
    const QString device = m_target ? m_target->sensorDevice(sensor) : QString();
    const QString text = QStringLiteral("Joystick %1, %2 axis%3")
                             .arg((sensor + 1) / 2)
                             .arg(sensor % 2 ? QLatin1Char('X') : QLatin1Char('Y'))
                             .arg(device.isEmpty() ? QString() : QStringLiteral(": ") + device);
    // A device's path can be long: the whole of it shows on hovering.
    lblDevice->setText(
        lblDevice->fontMetrics().elidedText(text, Qt::ElideRight, lblDevice->width()));
    lblDevice->setToolTip(text);
}

bool frmCalibrate::event(QEvent* event)
{
    // A heading renamed and refreshed meanwhile shows when the user comes back.
    if (event->type() == QEvent::WindowActivate)
        refreshHeadings();
    return QWidget::event(event);
}

void frmCalibrate::recompute()
{
    m_sound = false;
    txtA->clear();
    txtB->clear();
    txtC->clear();
    for (QLabel* fitted : lblFitted)
        fitted->clear();

    // A point not yet typed is asked for before anything is judged.
    QString missing;
    std::vector<CalibrationPoint> points;
    for (int row = 0; row < 3; ++row) {
        const bool noTemperature = txtTemperature[row]->text().trimmed().isEmpty();
        const bool noReading = txtReading[row]->text().trimmed().isEmpty();
        if (missing.isEmpty() && (noTemperature || noReading))
            missing = QStringLiteral("Point %1 needs its %2.")
                          .arg(row + 1)
                          .arg(noTemperature ? QStringLiteral("temperature")
                                             : QStringLiteral("reading: take it or type it"));
        points.push_back({numberIn(txtTemperature[row]), numberIn(txtReading[row])});
    }
    const Scale scale = opFahrenheit->isChecked() ? Scale::Fahrenheit : Scale::Celsius;
    const Calibration fit = calibrate(points, scale);
    if (!missing.isEmpty() || fit.refused()) {
        lblMessage->setText(missing.isEmpty() ? QString::fromStdString(fit.refusal) : missing);
        setTarget(m_target);
        return;
    }
    const Coefficients& k = fit.coefficients;
    txtA->setText(QString::fromStdString(shortestText(k.A)));
    txtB->setText(QString::fromStdString(shortestText(k.B)));
    txtC->setText(QString::fromStdString(shortestText(k.C)));
    for (int row = 0; row < 3; ++row)
        // No "-0.00" for a point at zero that comes back a hair below it.
        lblFitted[row]->setText(
            QString::number(fit.fitted[row] + 0.0, 'f', 2) +
            (scale == Scale::Fahrenheit ? QStringLiteral(" °F") : QStringLiteral(" °C")));
    lblMessage->setText(QString::fromStdString(fit.warning));
    m_sound = true;
    setTarget(m_target);
}

void frmCalibrate::btnTake_Click(int row)
{
    showDevice();
    if (m_target)
        txtReading[row]->setText(m_target->rawReading(cboSensor->currentIndex() + 1));
}

void frmCalibrate::btnApply_Click()
{
    if (!m_target || !m_sound)
        return;
    const int sensor = cboSensor->currentIndex() + 1;
    m_target->applyCoefficients(sensor, txtA->text(), txtB->text(), txtC->text());
    lblMessage->setText(QStringLiteral("A, B and C are in the setup panel of %1 and convert its "
                                       "next reading. Save to Registry keeps them.")
                            .arg(m_target->sensorHeading(sensor)));
}

void frmCalibrate::btnClose_Click()
{
    close();
}
