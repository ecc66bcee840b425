#include "app/forms.h"
#include "fakegraphsource.h"
#include "graph/frmgraph.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr QRgb Black = qRgb(0, 0, 0);
constexpr QRgb Red = qRgb(255, 0, 0);

std::vector<int> rowsOf(const QImage& image, int column, QRgb colour)
{
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixel(column, y) == colour)
            rows.push_back(y);
    return rows;
}

std::vector<int> fullBlackColumns(const QImage& image)
{
    std::vector<int> columns;
    for (int x = 0; x < image.width(); ++x)
        if (rowsOf(image, x, Black).size() == size_t(image.height()))
            columns.push_back(x);
    return columns;
}

// The labels of the scale columns named ("C" for lblC1..lblC11, "F" or "CF").
std::vector<QLabel*> scaleLabels(frmGraph& window, const char* scales)
{
    std::vector<QLabel*> labels;
    for (const char* scale = scales; *scale; ++scale)
        for (int i = 1; i <= 11; ++i)
            labels.push_back(
                window.findChild<QLabel*>(QStringLiteral("lbl%1%2").arg(*scale).arg(i)));
    return labels;
}

int visibleLabels(frmGraph& window, const char* scales = "CF")
{
    const auto labels = scaleLabels(window, scales);
    return int(
        std::count_if(labels.begin(), labels.end(), [](QLabel* l) { return l->isVisible(); }));
}

// One loading of the graph window with a fake main window behind it.
class GraphWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        forms.setFactory(QStringLiteral("frmGraph"),
                         [this] { return new frmGraph(state, &source); });
        open();
    }
    void TearDown() override { closeWindow(); }

    // As File > Graph does it: load if not loaded, then show.
    void open() { window = static_cast<frmGraph*>(forms.show(QStringLiteral("frmGraph"))); }
    // Close unloads.
    void closeWindow()
    {
        if (window)
            window->findChild<QPushButton*>(QStringLiteral("btnG_Close"))->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
    }
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            window->Timer1_Timer();
    }
    // Only sensor 1 plots; the others have no number to show yet.
    void plotSensor1(const char* text) { source.labels = {QString::fromLatin1(text), {}, {}, {}}; }
    // The first and last row of sensor 1's trace in a column; -1 for none.
    std::pair<int, int> span(int column)
    {
        const auto rows = rowsOf(window->image(), column, Red);
        return rows.empty() ? std::pair(-1, -1) : std::pair(rows.front(), rows.back());
    }

    GraphState state;
    FakeGraphSource source;
    FormRegistry forms;
    QPointer<frmGraph> window;
};

} // namespace

TEST_F(GraphWindowTest, rowsOfTheScalesAndTheTracesColours)
{
    // Neither scale: along the top, without a scale column.
    source.celsius = false;
    plotSensor1("21");
    state.LastY[0] = 158;
    ticks(2);
    EXPECT_EQ(span(398), std::pair(0, 1));
    EXPECT_EQ(visibleLabels(*window), 0);

    const struct {
        bool fahrenheit;
        const char* text;
        int row; // the top of the trace's two-row band; outside 0..249 nothing shows
    } cases[] = {{false, "21", 158},  {true, "70", 130},  {false, "0", 200},   {true, "0", 200},
                 {false, "-24", 248}, {true, "-49", 249}, {false, "-25", 250}, {true, "-50", 250},
                 {false, "100", 0},   {true, "200", 0},   {false, "101", -2}};
    for (const auto& c : cases) {
        source.fahrenheit = c.fahrenheit;
        source.celsius = !c.fahrenheit;
        plotSensor1(c.text);
        ticks(2); // the second segment runs flat at the row
        const int top = std::max(c.row, 0), bottom = std::min(c.row + 1, 249);
        EXPECT_EQ(span(398), top <= bottom ? std::pair(top, bottom) : std::pair(-1, -1)) << c.text;
    }
    for (int i = 0; i < 4; ++i)
        source.labels[i] = QString::number(10 * (i + 1));
    ticks(2);
    const QRgb colours[] = {Red, qRgb(0, 0, 255), qRgb(0, 128, 0), qRgb(255, 0, 255)};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(rowsOf(window->image(), 398, colours[i]),
                  (std::vector<int>{180 - 20 * i, 181 - 20 * i}));
}

TEST_F(GraphWindowTest, barsEveryTwentyFiveTicksMovingLeft)
{
    plotSensor1("");
    std::vector<int> expected; // the load-time bars, then those of ticks 0, 25 and 50
    for (int x = 25; x <= 375; x += 25)
        expected.push_back(x);
    EXPECT_EQ(fullBlackColumns(window->image()), expected);
    ticks(60);
    std::erase_if(expected, [](int& x) { return (x -= 60) < 0; });
    for (int tick : {0, 25, 50})
        expected.push_back(398 - (59 - tick));
    EXPECT_EQ(fullBlackColumns(window->image()), expected);
}

TEST_F(GraphWindowTest, tracesAreUnbrokenAndLastColumnNeverChanges)
{
    const QImage lastColumn = window->image().copy(399, 0, 1, 250);
    const char* temperatures[] = {"20", "21", "25", "40", "-10", "-10", "90", "0", "3", "70"};
    for (const char* t : temperatures) {
        plotSensor1(t);
        ticks(1);
        ASSERT_EQ(window->image().copy(399, 0, 1, 250), lastColumn);
    }
    // Every column the trace crosses shares or touches a row with the next one.
    for (int x = 398 - int(std::size(temperatures)) + 1; x < 398; ++x) {
        const auto [top, bottom] = span(x);
        const auto [nextTop, nextBottom] = span(x + 1);
        EXPECT_TRUE(top >= 0 && top <= nextBottom + 1 && nextTop <= bottom + 1) << x;
    }
}

TEST_F(GraphWindowTest, reopeningStartsAFreshPlotFromTheLastRow)
{
    plotSensor1("21");
    ticks(1);
    EXPECT_EQ(span(397).first, 0); // the first segment after the first opening
    EXPECT_EQ(span(398).second, 158);
    ticks(5);

    closeWindow();
    plotSensor1("50"); // row 100
    open();
    EXPECT_EQ(state.TickCount, 0);
    EXPECT_EQ(span(397), std::pair(-1, -1));
    EXPECT_EQ(visibleLabels(*window), 0);
    ticks(1);
    EXPECT_EQ(span(397), std::pair(100, 158));
    EXPECT_EQ(rowsOf(window->image(), 398, Black).front(), 0); // the bar of tick 0
}

TEST_F(GraphWindowTest, openingWhileOpenKeepsPlotCounterAndScaleColumn)
{
    QStringList captions;
    for (QLabel* label : scaleLabels(*window, "CF"))
        captions << label->text();
    EXPECT_EQ(captions.join(u'|'), QString::fromUtf8("-25|-12.5°|0°|12.5|25°|37.5°|50°|62.5°|75°|"
                                                     "87.5°|°C|-50°|-25°| 0°| 25°| 50°| 75°|"
                                                     "100°|125°|150°|175°|°F"));
    EXPECT_EQ(visibleLabels(*window), 0); // until the first tick

    source.fahrenheit = true;
    plotSensor1("70");
    ticks(7);
    EXPECT_EQ(visibleLabels(*window, "F"), 11);
    EXPECT_EQ(visibleLabels(*window, "C"), 0);
    frmGraph* const first = window.data();
    const QImage before = window->image().copy();
    open();
    EXPECT_EQ(window.data(), first);
    EXPECT_EQ(state.TickCount, 7);
    EXPECT_EQ(window->image(), before);
}

TEST_F(GraphWindowTest, onlyTheScaleInUseIsShownAndEachCaptionWhole)
{
    plotSensor1("21");
    const auto column = [this](bool fahrenheit, bool celsius) {
        source.fahrenheit = fahrenheit;
        source.celsius = celsius;
        ticks(1);
        return window->grab(QRect(405, 0, 49, 264)).toImage();
    };
    const QImage fahrenheitOnly = column(true, false);
    closeWindow();
    open();
    const QImage celsiusOnly = column(false, true);
    EXPECT_EQ(column(true, false), fahrenheitOnly);
    EXPECT_EQ(column(false, false), fahrenheitOnly); // neither: the column stays as it was
    EXPECT_EQ(column(false, true), celsiusOnly);

    const auto ink = [](QWidget& label) {
        const QImage image = label.grab().toImage();
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 160;
        return dark;
    };
    for (QLabel* label : scaleLabels(*window, "CF")) {
        QLabel unclipped(label->text(), window);
        unclipped.setFont(label->font());
        unclipped.resize(label->size() + QSize(40, 10));
        EXPECT_EQ(ink(*label), ink(unclipped)) << label->objectName().toStdString();
    }
}

TEST_F(GraphWindowTest, unreadableAndExtremeLabels)
{
    plotSensor1("21");
    ticks(1);
    for (const char* text : {"", " ", "21.5", "abc", "21 C", "99999999999"}) {
        plotSensor1(text);
        ticks(1);
        EXPECT_EQ(span(398).first, -1) << text;
    }
    plotSensor1(" 50 ");
    ticks(1);
    EXPECT_EQ(span(397), std::pair(100, 158)); // from the row kept through the bad ones

    // Rows far outside the image are computed without overflow and clipped.
    for (const char* text : {"2147483647", "-2147483648", "40000", "-40000", "21"}) {
        plotSensor1(text);
        source.fahrenheit = !source.fahrenheit;
        source.celsius = !source.fahrenheit;
        ticks(1);
    }
    // The last segment comes up from -40 000 C, far below the image, to 21 F.
    EXPECT_EQ(state.LastY[0], 200 - 21);
    EXPECT_EQ(span(398), std::pair(179, 249));
}

TEST_F(GraphWindowTest, withoutSourceTheGraphScrollsAndDrawsBarsOnly)
{
    plotSensor1("21");
    ticks(3);
    window->setSource(nullptr);
    ticks(23); // tick 25 is the next bar
    EXPECT_EQ(span(398).first, -1);
    EXPECT_EQ(fullBlackColumns(window->image()).back(), 398);
    EXPECT_EQ(span(398 - 23).first, 158); // the old trace moved on
    EXPECT_EQ(state.TickCount, 26);
}

TEST_F(GraphWindowTest, plotAreaRepaintsFromTheImage)
{
    plotSensor1("21");
    ticks(2);
    auto* plot = window->findChild<QWidget*>(QStringLiteral("Picture1"));
    const QImage shown = plot->grab().toImage();
    const QPoint inner = plot->contentsRect().topLeft();
    EXPECT_EQ(shown.pixel(inner + QPoint(398, 158)), Red);
    EXPECT_EQ(shown.pixel(inner + QPoint(398, 160)), window->image().pixel(398, 160));
    EXPECT_EQ(shown.pixel(inner + QPoint(25, 100)), Black);
}
