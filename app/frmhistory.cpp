#include "app/frmhistory.h"

#include "app/messagebox.h"
#include "graph/sensorcolours.h"
#include "util/fileio.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimeZone>
#include <QVBoxLayout>
#include <QVarLengthArray>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>
#include <fcntl.h>

namespace {

constexpr int AxisLeft = 48;
constexpr int AxisBottom = 20;
constexpr int Margin = 8;
// One wheel notch shows a fifth less, or a quarter more.
constexpr double ZoomPerNotch = 0.8;

constexpr std::int64_t MinuteMs = 60'000;
constexpr std::int64_t HourMs = 60 * MinuteMs;
constexpr std::int64_t DayMs = 24 * HourMs;

QString localDateTime(std::int64_t unixMs)
{
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(unixMs), QLocale::ShortFormat);
}

// A mark of the time axis: the date alone at midnight, the time alone within a day's range.
QString markText(std::int64_t unixMs, bool withDate)
{
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(unixMs);
    const QLocale locale;
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    timeFormat.remove(QStringLiteral(":ss"));
    const QString clock = locale.toString(time.time(), timeFormat);
    if (!withDate)
        return clock;
    const QString date = locale.toString(time.date(), QLocale::ShortFormat);
    return time.time() == QTime(0, 0) ? date : date + QLatin1Char(' ') + clock;
}

QString temperatureText(double value, Scale scale)
{
    return QLocale().toString(value, 'f', 1) + QLatin1String(scaleSuffix(scale));
}

// A step of the time axis with at least minimum between marks.
std::int64_t timeStep(std::int64_t minimum)
{
    for (const std::int64_t step :
         {MinuteMs, 5 * MinuteMs, 10 * MinuteMs, 15 * MinuteMs, 30 * MinuteMs, HourMs, 3 * HourMs,
          6 * HourMs, 12 * HourMs, DayMs, 2 * DayMs, 7 * DayMs, 14 * DayMs, 28 * DayMs})
        if (step >= minimum)
            return step;
    return 91 * DayMs * ((minimum + 91 * DayMs - 1) / (91 * DayMs));
}

double niceStep(double minimum)
{
    const double power = std::pow(10.0, std::floor(std::log10(minimum)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= minimum)
            return factor * power;
    return 10 * power;
}

QString sentence(const std::string& text)
{
    QString out = QString::fromStdString(text);
    if (!out.isEmpty())
        out[0] = out[0].toUpper();
    return out + QLatin1Char('.');
}

} // namespace

HistoryPlot::HistoryPlot(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Picture1"));
    setMinimumSize(320, 160);
    setCursor(Qt::OpenHandCursor);
}

void HistoryPlot::show(const std::vector<HistoryPoint>* points, TimeRange range,
                       std::array<bool, 4> chosen, bool fahrenheit)
{
    m_points = points;
    m_range = range;
    m_chosen = chosen;
    m_fahrenheit = fahrenheit;
    update();
}

void HistoryPlot::setMessage(const QString& text)
{
    m_message = text;
    update();
}

QRect HistoryPlot::plotRect() const
{
    return rect().adjusted(AxisLeft, Margin, -Margin, -AxisBottom);
}

double HistoryPlot::xOf(std::int64_t unixMs) const
{
    const QRect r = plotRect();
    return r.left() + double(unixMs - m_range.fromMs) * r.width() / double(m_range.spanMs());
}

double HistoryPlot::yOf(double centiCelsius) const
{
    const QRect r = plotRect();
    const double value = inScale(centiCelsius, m_fahrenheit);
    return r.bottom() - (value - m_low) * r.height() / (m_high - m_low);
}

void HistoryPlot::chooseScale()
{
    double low = INFINITY;
    double high = -INFINITY;
    if (m_points)
        for (const HistoryPoint& p : *m_points)
            for (std::size_t i = 0; i < 4; ++i)
                if (m_chosen[i] && p.sensors[i].count > 0) {
                    low = std::min(low, inScale(p.sensors[i].min, m_fahrenheit));
                    high = std::max(high, inScale(p.sensors[i].max, m_fahrenheit));
                }
    if (low > high) {
        low = 0;
        high = 25;
    }
    const int rows = std::max(1, plotRect().height() / 24);
    m_step = niceStep(std::max(0.1, (high - low) / rows));
    m_low = std::floor(low / m_step) * m_step;
    m_high = std::max(m_low + m_step, std::ceil(high / m_step) * m_step);
    if (m_high - low < m_step / 4 || high == m_high) // room above the highest line
        m_high += m_step;
}

void HistoryPlot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect r = plotRect();
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.fillRect(r, palette().color(QPalette::Button));
    if (m_range.spanMs() <= 0)
        return;
    chooseScale();

    // The grid and its captions, times in the user's locale.
    painter.setPen(QPen(Qt::black, 0));
    const QFontMetrics metrics(font());
    for (double v = m_low; v <= m_high + m_step / 2; v += m_step) {
        const int y = int(std::lround(r.bottom() - (v - m_low) * r.height() / (m_high - m_low)));
        painter.drawLine(r.left(), y, r.right(), y);
        const QString text = QLocale().toString(v, 'f', m_step < 1 ? 1 : 0);
        painter.drawText(QRect(0, y - 8, AxisLeft - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                         text);
    }
    const bool withDate = m_range.spanMs() > DayMs;
    const int labelWidth =
        metrics.horizontalAdvance(markText(m_range.fromMs + 60'000, withDate)) + 16;
    const std::int64_t step = timeStep(m_range.spanMs() * labelWidth / std::max(1, r.width()));
    // Marks on round local times: whole hours, midnights.
    const std::int64_t offset =
        std::int64_t(QDateTime::fromMSecsSinceEpoch(m_range.fromMs).offsetFromUtc()) * 1000;
    std::int64_t mark = (m_range.fromMs + offset + step - 1) / step * step - offset;
    for (; mark < m_range.toMs; mark += step) {
        const int x = int(std::lround(xOf(mark)));
        painter.drawLine(x, r.top(), x, r.bottom());
        const QString text = markText(mark, withDate);
        const int half = metrics.horizontalAdvance(text) / 2;
        if (x - half >= 0 && x + half <= width())
            painter.drawText(QRect(x - labelWidth / 2, r.bottom() + 2, labelWidth, AxisBottom - 2),
                             Qt::AlignHCenter | Qt::AlignTop, text);
    }
    painter.drawRect(r.adjusted(0, 0, -1, -1));

    if (m_points) {
        painter.setClipRect(r);
        painter.setRenderHint(QPainter::Antialiasing, false);
        for (std::size_t i = 0; i < 4; ++i) {
            if (!m_chosen[i])
                continue;
            // Per pixel column only where the line enters, its extremes and where it leaves:
            // a year of hours draws as fast as an hour of ticks.
            painter.setPen(QPen(QColor::fromRgb(TraceColours[i]), 2));
            QPolygonF run;
            int column = INT_MIN;
            double low = 0, high = 0, last = 0;
            int seen = 0, lowSeen = 0, highSeen = 0;
            const auto closeColumn = [&] {
                if (column == INT_MIN)
                    return;
                const bool lowFirst = lowSeen <= highSeen;
                run << QPointF(column, lowFirst ? low : high)
                    << QPointF(column, lowFirst ? high : low) << QPointF(column, last);
            };
            const auto drawRun = [&] {
                closeColumn();
                column = INT_MIN;
                if (run.boundingRect().isNull()) // a lone point still shows
                    run << run[0] + QPointF(1, 0);
                // Segments one by one: a zigzag stroked as one joined outline costs many times
                // more to fill.
                QVarLengthArray<QLineF, 1024> lines;
                for (qsizetype k = 1; k < run.size(); ++k)
                    if (run[k] != run[k - 1] || run.size() == 2)
                        lines.append(QLineF(run[k - 1], run[k]));
                painter.drawLines(lines.constData(), int(lines.size()));
                run.clear();
            };
            const HistoryPoint* previous = nullptr;
            for (const HistoryPoint& p : *m_points) {
                const HistoryPoint::Value& v = p.sensors[i];
                if (v.count == 0 || (previous && !joined(*previous, p))) {
                    if (!run.isEmpty() || column != INT_MIN)
                        drawRun();
                    previous = nullptr;
                    if (v.count == 0)
                        continue;
                }
                const double x = xOf(p.unixMs + p.spanMs / 2);
                const double y = yOf(double(v.sum) / v.count);
                const int at = int(std::floor(x));
                if (at != column) {
                    closeColumn();
                    column = at;
                    run << QPointF(column, y);
                    low = high = y;
                    lowSeen = highSeen = seen;
                } else if (y < low) {
                    low = y;
                    lowSeen = seen;
                } else if (y > high) {
                    high = y;
                    highSeen = seen;
                }
                last = y;
                ++seen;
                previous = &p;
            }
            if (!run.isEmpty() || column != INT_MIN)
                drawRun();
        }
    }
    if (!m_message.isEmpty()) {
        painter.setClipping(false);
        painter.setPen(Qt::black);
        painter.drawText(r, Qt::AlignCenter | Qt::TextWordWrap, m_message);
    }
}

void HistoryPlot::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0 || m_range.spanMs() <= 0)
        return;
    const QRect r = plotRect();
    const double share = std::clamp((event->position().x() - r.left()) / r.width(), 0.0, 1.0);
    const std::int64_t at = m_range.fromMs + std::int64_t(share * double(m_range.spanMs()));
    emit zoomAsked(at, std::pow(ZoomPerNotch, notches));
    event->accept();
}

void HistoryPlot::mousePressEvent(QMouseEvent* event)
{
    m_dragX = event->position().x();
}

void HistoryPlot::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) || m_range.spanMs() <= 0)
        return;
    const double dx = event->position().x() - m_dragX;
    m_dragX = event->position().x();
    // The time under the pointer follows it.
    const std::int64_t delta =
        std::int64_t(std::llround(-dx * double(m_range.spanMs()) / plotRect().width()));
    if (delta != 0)
        emit panAsked(delta);
}

frmHistory::frmHistory(HistorySource* source, std::filesystem::path file,
                       MessageBoxes* messageBoxes, std::function<std::int64_t()> now)
    : QWidget(nullptr, Qt::Window), m_source(source), m_file(std::move(file)),
      m_messageBoxes(messageBoxes), m_now(std::move(now))
{
    setObjectName(QStringLiteral("frmHistory"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Quorvil4 history"));
    resize(720, 480);

    auto* layout = new QVBoxLayout(this);
    auto* ranges = new QHBoxLayout;
    const std::array<const char*, 6> rangeNames = {"1 hour",  "1 day",  "1 week",
                                                   "1 month", "1 year", "All"};
    for (std::size_t i = 0; i < rangeButtons.size(); ++i) {
        rangeButtons[i] = new QPushButton(QString::fromLatin1(rangeNames[i]), this);
        ranges->addWidget(rangeButtons[i]);
        connect(rangeButtons[i], &QPushButton::clicked, this,
                [this, i] { chooseRange(RangeChoice(i)); });
    }
    ranges->addStretch();
    chkRecord = new QCheckBox(QStringLiteral("Record"), this);
    chkRecord->setToolTip(QStringLiteral("Keep every reading in the history"));
    ranges->addWidget(chkRecord);
    connect(chkRecord, &QCheckBox::toggled, this, [this](bool on) {
        if (m_source)
            m_source->setHistoryRecorded(on);
    });
    layout->addLayout(ranges);

    plot = new HistoryPlot(this);
    layout->addWidget(plot, 1);
    connect(plot, &HistoryPlot::zoomAsked, this,
            [this](std::int64_t at, double factor) { showRange(zoomed(m_range, at, factor)); });
    connect(plot, &HistoryPlot::panAsked, this,
            [this](std::int64_t delta) { showRange(panned(m_range, delta)); });

    auto* grid = new QGridLayout;
    const std::array<const char*, 6> captions = {"",        "Minimum",         "Mean",
                                                 "Maximum", "Time of minimum", "Time of maximum"};
    QFont bold = font();
    bold.setBold(true);
    for (int column = 0; column < 6; ++column) {
        auto* caption = new QLabel(QString::fromLatin1(captions[column]), this);
        caption->setFont(bold);
        grid->addWidget(caption, 0, column);
    }
    for (int i = 0; i < 4; ++i) {
        sensorBoxes[i] = new QCheckBox(this);
        sensorBoxes[i]->setChecked(true);
        sensorBoxes[i]->setFont(bold);
        QPalette palette = sensorBoxes[i]->palette();
        palette.setColor(QPalette::WindowText, QColor::fromRgb(LegendColours[i]));
        sensorBoxes[i]->setPalette(palette);
        grid->addWidget(sensorBoxes[i], i + 1, 0);
        connect(sensorBoxes[i], &QCheckBox::toggled, this, &frmHistory::refresh);
        for (int column = 1; column < 6; ++column) {
            figures[i][column] = new QLabel(this);
            grid->addWidget(figures[i][column], i + 1, column);
        }
        figures[i][0] = nullptr;
    }
    grid->setColumnStretch(6, 1);
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnExport = new QPushButton(QStringLiteral("Export..."), this);
    btnClose = new QPushButton(QStringLiteral("Close"), this);
    buttons->addWidget(btnExport);
    buttons->addWidget(btnClose);
    layout->addLayout(buttons);
    connect(btnExport, &QPushButton::clicked, this, &frmHistory::exportClicked);
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);

    chooseExportFile = [this] {
        return QFileDialog::getSaveFileName(
            this, QStringLiteral("Export history"), QString(),
            QStringLiteral("CSV files (*.csv);;PNG pictures (*.png)"));
    };

    setSource(source);
    std::string reason;
    if (m_store.open(m_file, HistoryStore::Access::Read, &reason) != HistoryStore::Opened::Ok)
        plot->setMessage(sentence(reason));
    chooseRange(RangeChoice::Day);
}

void frmHistory::setSource(HistorySource* source)
{
    m_source = source;
    for (int i = 0; i < 4; ++i)
        sensorBoxes[i]->setText(m_source ? m_source->sensorHeading(i + 1)
                                         : QStringLiteral("Sensor %1").arg(i + 1));
    chkRecord->setEnabled(m_source != nullptr);
    if (m_source) {
        const QSignalBlocker quiet(chkRecord);
        chkRecord->setChecked(m_source->historyRecorded());
    }
}

void frmHistory::chooseRange(RangeChoice choice)
{
    // Only All reaches to the history's ends.
    showRange(
        chosenRange(choice, m_now(), choice == RangeChoice::All ? m_store.extent() : std::nullopt));
}

void frmHistory::showRange(TimeRange range)
{
    m_range = range;
    m_points = m_store.read(levelFor(range), range.fromMs, range.toMs);
    refresh();
}

void frmHistory::refresh()
{
    std::array<bool, 4> chosen{};
    for (int i = 0; i < 4; ++i)
        chosen[i] = sensorBoxes[i]->isChecked();
    const bool fahrenheit = m_source && m_source->scaleInUse() == Scale::Fahrenheit;
    plot->show(&m_points, m_range, chosen, fahrenheit);
    showFigures();
}

void frmHistory::showFigures()
{
    const Scale scale = m_source && m_source->scaleInUse() == Scale::Fahrenheit ? Scale::Fahrenheit
                                                                                : Scale::Celsius;
    const auto values = sensorFigures(m_points, scale == Scale::Fahrenheit);
    for (std::size_t i = 0; i < 4; ++i) {
        const std::optional<SensorFigures>& f = values[i];
        figures[i][1]->setText(f ? temperatureText(f->min, scale) : QString());
        figures[i][2]->setText(f ? temperatureText(f->mean, scale) : QString());
        figures[i][3]->setText(f ? temperatureText(f->max, scale) : QString());
        figures[i][4]->setText(f ? localDateTime(f->minAtMs) : QString());
        figures[i][5]->setText(f ? localDateTime(f->maxAtMs) : QString());
    }
}

std::optional<QString> frmHistory::exportTo(const QString& file)
{
    if (file.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
        if (plot->grab().save(file, "PNG"))
            return std::nullopt;
        return QStringLiteral("The picture could not be written to %1.").arg(file);
    }
    std::array<std::string, 4> names;
    std::array<bool, 4> chosen{};
    for (std::size_t i = 0; i < 4; ++i) {
        names[i] = sensorBoxes[i]->text().toStdString();
        chosen[i] = sensorBoxes[i]->isChecked();
    }
    const bool fahrenheit = m_source && m_source->scaleInUse() == Scale::Fahrenheit;
    const std::string text = historyCsv(m_points, names, chosen, fahrenheit);
    const QByteArray path = QFile::encodeName(file);
    FileDescriptor fd(openFile(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    if (!fd.valid() || !writeAll(fd.get(), text) || !fd.close())
        return QStringLiteral("%1 could not be written: %2")
            .arg(file, QString::fromStdString(errnoText()));
    return std::nullopt;
}

void frmHistory::exportClicked()
{
    const QString file = chooseExportFile();
    if (file.isEmpty())
        return;
    if (const std::optional<QString> failure = exportTo(file); failure && m_messageBoxes)
        m_messageBoxes->MsgBox(*failure, msgbox::Exclamation, QStringLiteral("Quorvil4"));
}
