#include "app/console/sinks.h"
#include "app/frmhistory.h"
#include "history/historystore.h"
#include "support/quorviltest.h"

#include <QCheckBox>
#include <QImage>
#include <QWheelEvent>
#include <sstream>

namespace {

constexpr std::int64_t HourMs = 3'600'000;

// Two hours of ticks up to the clock's moment: sensor 1 at 20 °C throughout, sensor 2 falling
// to its lowest, 5 °C, half an hour ago; nothing recorded from 40 to 30 minutes ago.
class History : public QuorvilTest {
protected:
    void SetUp() override
    {
        now = clock->at.toMSecsSinceEpoch();
        HistoryStore store;
        std::string reason;
        ASSERT_EQ(store.open(file(), HistoryStore::Access::Write, &reason),
                  HistoryStore::Opened::Ok);
        std::vector<HistoryTick> ticks;
        for (std::int64_t t = now - 2 * HourMs; t < now; t += 1000) {
            if (t >= now - 40 * 60'000 && t < now - 30 * 60'000)
                continue;
            HistoryTick tick;
            tick.unixMs = t;
            tick.centi[0] = 2000;
            tick.centi[1] = 500 + std::int32_t(std::llabs(t - (now - 30 * 60'000)) / 1000);
            ticks.push_back(tick);
        }
        ASSERT_EQ(store.append(ticks), HistoryStore::Written::Ok);
    }
    std::filesystem::path file() const { return logFolder.path() / HistoryStore::FileName; }
    frmHistory& open()
    {
        if (!form)
            loaded();
        form->mnuHistory->trigger();
        auto* w = qobject_cast<frmHistory*>(form->forms().form("frmHistory"));
        EXPECT_NE(w, nullptr);
        return *w;
    }
    QString figure(int sensor, int column) { return window().figures[sensor][column]->text(); }
    frmHistory& window() { return *qobject_cast<frmHistory*>(form->forms().form("frmHistory")); }

    std::int64_t now = 0;
};

QString localTime(std::int64_t unixMs)
{
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(unixMs), QLocale::ShortFormat);
}

// Whether the colour is drawn within two pixels of (x, y): the line's own width and rounding.
bool drawnNear(const QImage& picture, double x, double y, QRgb colour)
{
    for (int dx = -2; dx <= 2; ++dx)
        for (int dy = -2; dy <= 2; ++dy)
            if ((picture.pixel(int(std::lround(x)) + dx, int(std::lround(y)) + dy) & 0xffffff) ==
                (colour & 0xffffff))
                return true;
    return false;
}

} // namespace

TEST_F(History, oneModelessWindowWithTheSensorNamesAndTheRecordSetting)
{
    put("Sensor2", "Sensor2_Name", "Freezer");
    frmHistory& w = open();
    EXPECT_EQ(&open(), &w);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Quorvil4 history"));
    EXPECT_FALSE(w.isModal());
    EXPECT_EQ(w.sensorBoxes[1]->text(), form->sensorHeading(2));
    EXPECT_TRUE(w.chkRecord->isChecked());
    w.chkRecord->click();
    EXPECT_EQ(registry(store).GetSetting("History", "Record"), "0");
    EXPECT_FALSE(form->historyRecorded());
}

TEST_F(History, rangesAndZoomReadTheRightRowsAndFigures)
{
    frmHistory& w = open();
    w.rangeButtons[0]->click(); // 1 hour: every tick but the ten idle minutes
    EXPECT_EQ(w.range(), (TimeRange{now - HourMs, now}));
    EXPECT_EQ(w.points().size(), 3000u);
    EXPECT_EQ(w.points().front().unixMs, now - HourMs);
    EXPECT_EQ(figure(1, 1), QLocale().toString(5.0, 'f', 1) + QStringLiteral(" C"));
    EXPECT_EQ(figure(1, 4), localTime(now - 30 * 60'000));
    EXPECT_EQ(figure(0, 2), QLocale().toString(20.0, 'f', 1) + QStringLiteral(" C"));
    form->op1F->click();
    EXPECT_EQ(figure(0, 2), QLocale().toString(68.0, 'f', 1) + QStringLiteral(" F"));

    // 1 day: minutes, from 13:04 to 15:04 but for the nine wholly idle ones.
    w.rangeButtons[1]->click();
    EXPECT_EQ(w.points().size(), 112u);
    EXPECT_EQ(w.points().front().spanMs, 60'000);

    // A wheel notch over the plot's right edge keeps now there and shows a fifth less.
    w.rangeButtons[0]->click();
    w.resize(800, 500);
    const QRect r = w.plot->plotRect();
    const QPointF at(r.right() + 1, r.center().y());
    QWheelEvent wheel(at, w.plot->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.plot, &wheel);
    EXPECT_EQ(w.range().toMs, now);
    EXPECT_EQ(w.range().spanMs(), HourMs * 4 / 5);
    EXPECT_EQ(w.points().size(), 2280u);

    // Dragging right by a tenth of the plot shows a tenth of the range earlier.
    const TimeRange before = w.range();
    QTest::mousePress(w.plot, Qt::LeftButton, {}, r.center());
    QTest::mouseMove(w.plot, r.center() + QPoint(r.width() / 10, 0));
    QTest::mouseRelease(w.plot, Qt::LeftButton, {}, r.center() + QPoint(r.width() / 10, 0));
    EXPECT_NEAR(double(before.fromMs - w.range().fromMs), before.spanMs() / 10.0, 30'000);
    EXPECT_EQ(w.range().spanMs(), before.spanMs());
}

TEST_F(History, thePlotDrawsEachSensorInItsColourAndLeavesTheGapEmpty)
{
    frmHistory& w = open();
    w.resize(800, 500);
    w.rangeButtons[0]->click();
    w.sensorBoxes[1]->setChecked(false);
    const QImage picture = w.plot->grab().toImage();
    const double y = w.plot->yOf(2000);
    const QRgb red = qRgb(255, 0, 0);
    EXPECT_TRUE(drawnNear(picture, w.plot->xOf(now - 50 * 60'000), y, red));
    EXPECT_TRUE(drawnNear(picture, w.plot->xOf(now - 10 * 60'000), y, red));
    EXPECT_FALSE(drawnNear(picture, w.plot->xOf(now - 35 * 60'000), y, red));

    w.sensorBoxes[1]->setChecked(true);
    w.sensorBoxes[0]->setChecked(false);
    const QImage second = w.plot->grab().toImage();
    const QRgb blue = qRgb(0, 0, 255);
    EXPECT_TRUE(drawnNear(second, w.plot->xOf(now - 30 * 60'000), w.plot->yOf(500), blue));
    EXPECT_FALSE(drawnNear(second, w.plot->xOf(now - 50 * 60'000), w.plot->yOf(2000), red));
}

TEST_F(History, exportWritesTheRangeShownAsCsvOrPicture)
{
    put("Sensor1", "Sensor1_Name", "Fridge, top");
    frmHistory& w = open();
    w.rangeButtons[0]->click();
    w.sensorBoxes[2]->setChecked(false);
    w.sensorBoxes[3]->setChecked(false);
    const QString csv = QString::fromStdString((logFolder.path() / "out.csv").string());
    w.chooseExportFile = [&] { return csv; };
    w.btnExport->click();
    std::istringstream lines(readFile(csv.toStdString()));
    std::string line;
    std::vector<std::string> rows;
    while (std::getline(lines, line))
        rows.push_back(line);
    ASSERT_EQ(rows.size(), 3001u);
    EXPECT_EQ(rows[0], "Time,\"" + form->sensorHeading(1).toStdString() + "\"," +
                           form->sensorHeading(2).toStdString() + "\r");
    EXPECT_EQ(rows[1], isoLocalTime(now - HourMs) + ",20.00,23.00\r");

    const QString png = QString::fromStdString((logFolder.path() / "plot.png").string());
    EXPECT_EQ(w.exportTo(png), std::nullopt);
    EXPECT_EQ(QImage(png).size(), w.plot->size());

    // A folder that cannot be written is told in a message box.
    w.chooseExportFile = [&] {
        return QString::fromStdString((logFolder.path() / "no" / "x.csv").string());
    };
    boxes.answer(msgbox::Ok);
    w.btnExport->click();
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].title, QStringLiteral("Quorvil4"));
    EXPECT_TRUE(boxes.asked[0].prompt.contains(QStringLiteral("x.csv")));
}

// --no-history makes no recorder; the stored setting turns one off and on again while it runs.
TEST_F(History, theOptionAndTheSettingDecideWhatIsRecorded)
{
    std::string error;
    const std::optional<Options> off = parseOptions({"--headless", "--no-history"}, &error);
    ASSERT_TRUE(off && off->noHistory);
    EXPECT_FALSE(parseOptions({"--no-history", "--no-history"}, &error));
    EXPECT_TRUE(makeTickSinks(*off, store, logFolder.path(), {}).sinks.empty());

    TempDir data;
    const auto recorded = data.path() / HistoryStore::FileName;
    put("History", "Record", "0");
    std::vector<std::shared_ptr<TickSink>> sinks =
        makeTickSinks(*parseOptions({}, &error), store, data.path(), {}).sinks;
    ASSERT_EQ(sinks.size(), 1u);
    TickRecord tick;
    for (int s = 0; s <= 10; ++s) {
        tick.unixMs = now + s * 1000;
        sinks[0]->record(tick);
    }
    EXPECT_FALSE(std::filesystem::exists(recorded));
    put("History", "Record", "1");
    for (int s = 11; s <= 16; ++s) {
        tick.unixMs = now + s * 1000;
        sinks[0]->record(tick);
    }
    EXPECT_TRUE(std::filesystem::exists(recorded));
}
