#include "app/frmalarms.h"

#include "app/twips.h"
#include "util/textforms.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QColor SensorColours[4] = {QColor(255, 0, 0), QColor(0, 0, 255), QColor(0, 128, 0),
                                 QColor(192, 0, 192)};
constexpr int Lefts[] = {120, 1440, 2160, 2880, 3600, 4380, 5160};
constexpr int Widths[] = {1260, 660, 660, 660, 720, 720, 780};
constexpr int HeaderTop = 120;
constexpr int FirstRowTop = 420;
constexpr int RowStep = 390;

QLabel* cell(QWidget* parent, int column, int top, const QString& text, bool centred = true)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText); // the headings are the sensors' names
    label->setGeometry(twipsRect(Lefts[column], top, Widths[column], 285));
    label->setAlignment((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
    return label;
}

QString degrees(const std::optional<int>& value, Scale scale)
{
    return value ? QString::number(*value) + QLatin1String(scaleSuffix(scale)) : QString();
}

} // namespace

frmAlarms::frmAlarms(AlarmSource* source)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_source(source)
{
    setObjectName(QStringLiteral("frmAlarms"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Quorvil4 alarms"));
    setFixedSize(twipsSize(6060, 2820));

    QFont bold = font();
    bold.setBold(true);
    const QString captions[] = {QString(),
                                QStringLiteral("Now"),
                                QStringLiteral("Min"),
                                QStringLiteral("Max"),
                                QStringLiteral("High"),
                                QStringLiteral("Low"),
                                QStringLiteral("State")};
    for (int column = 0; column < 7; ++column)
        cell(this, column, HeaderTop, captions[column])->setFont(bold);

    for (int i = 0; i < 4; ++i) {
        const int top = FirstRowTop + i * RowStep;
        Row& row = rows[i];
        row.heading = cell(this, 0, top, QString(), false);
        row.heading->setFont(bold);
        QPalette palette = row.heading->palette();
        palette.setColor(QPalette::WindowText, SensorColours[i]);
        row.heading->setPalette(palette);
        row.current = cell(this, 1, top, QString());
        row.minimum = cell(this, 2, top, QString());
        row.maximum = cell(this, 3, top, QString());
        for (const AlarmWatch::Side side : {AlarmWatch::Side::High, AlarmWatch::Side::Low}) {
            const int column = side == AlarmWatch::Side::High ? 4 : 5;
            auto* box = new QLineEdit(this);
            box->setGeometry(twipsRect(Lefts[column] + 60, top, Widths[column] - 120, 285));
            box->setAlignment(Qt::AlignHCenter);
            box->setToolTip(QStringLiteral("Whole degrees, such as -15; empty for no alarm"));
            connect(box, &QLineEdit::textEdited, this,
                    [this, i, side, box] { thresholdEdited(i + 1, side, box); });
            (side == AlarmWatch::Side::High ? row.high : row.low) = box;
        }
        row.state = cell(this, 6, top, QString());
    }

    const int buttonTop = FirstRowTop + 4 * RowStep + 240;
    btnReset = new QPushButton(QStringLiteral("Reset"), this);
    btnReset->setGeometry(twipsRect(1275, buttonTop, 1095, 375));
    btnSave = new QPushButton(QStringLiteral("Save"), this);
    btnSave->setGeometry(twipsRect(2475, buttonTop, 1095, 375));
    btnClose = new QPushButton(QStringLiteral("Close"), this);
    btnClose->setGeometry(twipsRect(3675, buttonTop, 1095, 375));
    connect(btnReset, &QPushButton::clicked, this, [this] {
        if (m_source)
            m_source->alarms().reset();
        refresh();
    });
    connect(btnSave, &QPushButton::clicked, this, [this] {
        if (m_source)
            m_source->saveAlarms();
    });
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);

    refresh();
}

void frmAlarms::setSource(AlarmSource* source)
{
    m_source = source;
    for (const Row& row : rows) {
        row.high->setReadOnly(!source);
        row.low->setReadOnly(!source);
    }
    btnReset->setEnabled(source);
    btnSave->setEnabled(source);
}

void frmAlarms::refresh()
{
    if (!m_source)
        return;
    const AlarmWatch& watch = m_source->alarms();
    for (int i = 0; i < 4; ++i) {
        const AlarmWatch::Sensor& s = watch.sensor(i + 1);
        const Row& row = rows[i];
        row.heading->setText(m_source->sensorHeading(i + 1));
        row.current->setText(degrees(s.current, s.seenIn));
        row.minimum->setText(degrees(s.minimum, s.seenIn));
        row.maximum->setText(degrees(s.maximum, s.seenIn));
        row.state->setText(s.state == AlarmWatch::State::High  ? QStringLiteral("HIGH")
                           : s.state == AlarmWatch::State::Low ? QStringLiteral("LOW")
                                                               : QStringLiteral("ok"));
        // A style sheet set again re-polishes the label even when it is the same: only on change.
        const QString style = s.state == AlarmWatch::State::Ok
                                  ? QString()
                                  : QStringLiteral("color: red; font-weight: bold");
        if (row.state->styleSheet() != style)
            row.state->setStyleSheet(style);
    }
    if (m_source->scaleInUse() != m_shownScale)
        showThresholds();
}

void frmAlarms::showThresholds()
{
    const AlarmWatch& watch = m_source->alarms();
    const Scale scale = m_source->scaleInUse();
    m_shownScale = scale;
    // Neither scale chosen: the thresholds as they were typed.
    const Scale shown = scale == Scale::None ? watch.thresholds().typedIn : scale;
    for (int i = 0; i < 4; ++i)
        for (const AlarmWatch::Side side : {AlarmWatch::Side::High, AlarmWatch::Side::Low}) {
            const std::optional<int> value = watch.threshold(i + 1, side, shown);
            QLineEdit* box = side == AlarmWatch::Side::High ? rows[i].high : rows[i].low;
            box->setText(value ? QString::number(*value) : QString());
            box->setStyleSheet(QString());
        }
}

void frmAlarms::thresholdEdited(int sensor, AlarmWatch::Side side, QLineEdit* box)
{
    if (!m_source)
        return;
    std::optional<int> value;
    // A text that is no threshold stays in the box, marked, and the alarm stays as it was.
    if (!parseThreshold(box->text().toStdString(), value)) {
        box->setStyleSheet(QStringLiteral("color: red"));
        return;
    }
    box->setStyleSheet(QString());
    m_source->alarms().setThreshold(sensor, side, value, m_source->scaleInUse());
}
