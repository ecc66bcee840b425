#include "app/forms.h"
#include "fakegraphsource.h"
#include "graph/frmgraph.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr QRgb Black = qRgb(0, 0, 0);
constexpr QRgb Red = qRgb(255, 0, 0);

void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

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

QImage column(const QImage& image, int x)
{
    return image.copy(x, 0, 1, image.height());
}

// How many of lblC1..lblC11 (scale 'C') or lblF1..lblF11 are visible.
int visibleLabels(frmGraph& window, char scale)
{
    int visible = 0;
    for (int i = 1; i <= 11; ++i) {
        auto* label = window.findChild<QLabel*>(QStringLiteral("lbl%1%2").arg(scale).arg(i));
        visible += label && label->isVisible();
    }
    return visible;
}

// One loading of the graph window with a fake main window behind it.
class GraphWindowTest : public ::testing::Test {
protected:
    void SetUp() override { open(); }
    void TearDown() override
    {
        if (window)
            window->close();
        processDeferredDeletes();
    }

    // As File > Graph does it: load if not loaded, then show.
    void open()
    {
        forms.setFactory(QStringLiteral("frmGraph"),
                         [this] { return new frmGraph(state, &source); });
        window = static_cast<frmGraph*>(forms.show(QStringLiteral("frmGraph")));
    }
    void closeWindow()
    {
        window->close();
        processDeferredDeletes();
        ASSERT_TRUE(window.isNull());
    }
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            window->Timer1_Timer();
    }
    // Only sensor 1 plots; the others have no number to show yet.
    void plotSensor1(const QString& text)
    {
        source.labels = {text, QString(), QString(), QString()};
    }

    GraphState state;
    FakeGraphSource source;
    FormRegistry forms;
    QPointer<frmGraph> window;
};

} // namespace

TEST_F(GraphWindowTest, scaleColumnsHaveTheirCaptionsAndStartHidden)
{
    const char* celsius[] = {"-25", "-12.5°", "0°",  "12.5",  "25°", "37.5°",
                             "50°", "62.5°",  "75°", "87.5°", "°C"};
    const char* fahrenheit[] = {"-50°", "-25°", " 0°",  " 25°", " 50°", " 75°",
                                "100°", "125°", "150°", "175°", "°F"};
    for (int i = 1; i <= 11; ++i) {
        auto* c = window->findChild<QLabel*>(QStringLiteral("lblC%1").arg(i));
        auto* f = window->findChild<QLabel*>(QStringLiteral("lblF%1").arg(i));
        ASSERT_TRUE(c && f);
        EXPECT_EQ(c->text(), QString::fromUtf8(celsius[i - 1]));
        EXPECT_EQ(f->text(), QString::fromUtf8(fahrenheit[i - 1]));
        EXPECT_EQ(c->geometry(), f->geometry().adjusted(0, 0, i == 3 ? 8 : 0, 0));
        EXPECT_EQ(c->y(), (11 - i) * 24);
    }
    EXPECT_EQ(visibleLabels(*window, 'C') + visibleLabels(*window, 'F'), 0);
}

TEST_F(GraphWindowTest, loadStepLeavesBackgroundAndGrid)
{
    const QImage& image = window->image();
    ASSERT_EQ(image.size(), QSize(400, 250));
    const QRgb background = image.pixel(1, 1);
    EXPECT_NE(background, Black);
    for (int y = 0; y < 250; ++y)
        for (int x = 0; x < 400; ++x) {
            const bool grid = (y % 25 == 0 && y > 0) || (x % 25 == 0 && x > 0 && x < 399);
            ASSERT_EQ(image.pixel(x, y), grid ? Black : background) << x << "," << y;
        }
}

TEST_F(GraphWindowTest, rowsOfTheScales)
{
    struct Case {
        bool fahrenheit;
        const char* text;
        int row; // the top of the trace's two-row band; beyond 249 nothing shows
    };
    const Case cases[] = {{false, "21", 158},  {true, "70", 130},   {false, "0", 200},
                          {true, "0", 200},    {false, "-24", 248}, {true, "-49", 249},
                          {false, "-25", 250}, {true, "-50", 250},  {false, "100", 0},
                          {true, "200", 0},    {false, "101", -2}};
    for (const Case& c : cases) {
        source.fahrenheit = c.fahrenheit;
        source.celsius = !c.fahrenheit;
        plotSensor1(QString::fromLatin1(c.text));
        ticks(2); // the second segment runs flat at the row
        std::vector<int> expected;
        for (int y = c.row; y <= c.row + 1; ++y)
            if (y >= 0 && y < 250)
                expected.push_back(y);
        EXPECT_EQ(rowsOf(window->image(), 398, Red), expected) << c.text;
    }
}

TEST_F(GraphWindowTest, barsEveryTwentyFiveTicksMovingLeft)
{
    source.setAll(QString());
    EXPECT_EQ(
        fullBlackColumns(window->image()),
        (std::vector<int>{25, 50, 75, 100, 125, 150, 175, 200, 225, 250, 275, 300, 325, 350, 375}));
    ticks(1);
    EXPECT_EQ(fullBlackColumns(window->image()).back(), 398);
    ticks(1);
    EXPECT_EQ(fullBlackColumns(window->image()).back(), 397);
    ticks(58); // ticks 0..59 have run: bars from ticks 0, 25 and 50
    std::vector<int> expected;
    for (int x = 25 - 60; x <= 375 - 60; x += 25)
        if (x >= 0)
            expected.push_back(x);
    for (int tick : {0, 25, 50})
        expected.push_back(398 - (59 - tick));
    EXPECT_EQ(fullBlackColumns(window->image()), expected);
}

TEST_F(GraphWindowTest, tracesAreUnbrokenAndLastColumnNeverChanges)
{
    const QImage lastColumn = column(window->image(), 399);
    const int temperatures[] = {20, 20, 21, 25, 40, -10, -10, 90, 0, 3, 2, 1, 70, 70, 19};
    for (int t : temperatures) {
        plotSensor1(QString::number(t));
        ticks(1);
        ASSERT_EQ(column(window->image(), 399), lastColumn);
    }
    // Every column the trace crosses shares or touches a row with the next one.
    const int first = 398 - int(std::size(temperatures)) + 1;
    for (int x = first; x < 398; ++x) {
        const auto left = rowsOf(window->image(), x, Red);
        const auto right = rowsOf(window->image(), x + 1, Red);
        ASSERT_FALSE(left.empty() || right.empty()) << x;
        EXPECT_TRUE(left.front() <= right.back() + 1 && right.front() <= left.back() + 1) << x;
    }
}

TEST_F(GraphWindowTest, allFourTracesInTheirColours)
{
    source.labels = {QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30"),
                     QStringLiteral("40")};
    ticks(2);
    EXPECT_EQ(rowsOf(window->image(), 398, Red), (std::vector<int>{180, 181}));
    EXPECT_EQ(rowsOf(window->image(), 398, qRgb(0, 0, 255)), (std::vector<int>{160, 161}));
    EXPECT_EQ(rowsOf(window->image(), 398, qRgb(0, 128, 0)), (std::vector<int>{140, 141}));
    EXPECT_EQ(rowsOf(window->image(), 398, qRgb(255, 0, 255)), (std::vector<int>{120, 121}));
}

TEST_F(GraphWindowTest, firstSegmentStartsAtTheTopThenAtTheLastRowAfterReopening)
{
    plotSensor1(QStringLiteral("21"));
    ticks(1);
    EXPECT_EQ(rowsOf(window->image(), 397, Red).front(), 0);
    EXPECT_EQ(rowsOf(window->image(), 398, Red).back(), 158);
    ticks(5);

    closeWindow();
    EXPECT_EQ(state.LastY[0], 158);
    plotSensor1(QStringLiteral("50")); // row 100
    open();
    EXPECT_EQ(state.TickCount, 0);
    EXPECT_TRUE(rowsOf(window->image(), 397, Red).empty()); // a fresh plot
    ticks(1);
    const auto rows = rowsOf(window->image(), 397, Red);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 100);
    EXPECT_EQ(rows.back(), 158);
    EXPECT_EQ(rowsOf(window->image(), 398, Black).front(), 0); // the bar of tick 0
}

TEST_F(GraphWindowTest, openingWhileOpenKeepsPlotCounterAndScale)
{
    source.fahrenheit = true;
    plotSensor1(QStringLiteral("70"));
    ticks(7);
    frmGraph* const first = window.data();
    const QImage before = window->image().copy();
    open();
    EXPECT_EQ(window.data(), first);
    EXPECT_EQ(state.TickCount, 7);
    EXPECT_EQ(window->image(), before);
    EXPECT_EQ(visibleLabels(*window, 'F'), 11);
}

TEST_F(GraphWindowTest, scaleColumnShowsFromTheFirstTickAndStaysUntilUnloaded)
{
    source.fahrenheit = true;
    source.setAll(QStringLiteral("70"));
    ticks(1);
    EXPECT_EQ(visibleLabels(*window, 'F'), 11);
    EXPECT_EQ(visibleLabels(*window, 'C'), 0);
    source.fahrenheit = false;
    ticks(1);
    EXPECT_EQ(visibleLabels(*window, 'F') + visibleLabels(*window, 'C'), 22);

    closeWindow();
    open();
    EXPECT_EQ(visibleLabels(*window, 'F') + visibleLabels(*window, 'C'), 0);
}

TEST_F(GraphWindowTest, neitherScaleRunsAlongTheTopWithoutAColumn)
{
    source.celsius = false;
    source.fahrenheit = false;
    plotSensor1(QStringLiteral("21"));
    state.LastY[0] = 158;
    ticks(2);
    EXPECT_EQ(rowsOf(window->image(), 398, Red), (std::vector<int>{0, 1}));
    EXPECT_EQ(state.LastY[0], 0);
    EXPECT_EQ(visibleLabels(*window, 'C') + visibleLabels(*window, 'F'), 0);
}

TEST_F(GraphWindowTest, labelsThatAreNotWholeNumbersDrawNothingAndKeepTheRow)
{
    plotSensor1(QStringLiteral("21"));
    ticks(1);
    for (const char* text : {"", " ", "21.5", "abc", "21 C", "99999999999"}) {
        plotSensor1(QString::fromLatin1(text));
        ticks(1);
        EXPECT_TRUE(rowsOf(window->image(), 398, Red).empty()) << text;
        EXPECT_EQ(state.LastY[0], 158) << text;
    }
    plotSensor1(QStringLiteral(" 50 "));
    ticks(1);
    const auto rows = rowsOf(window->image(), 397, Red);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 100);
    EXPECT_EQ(rows.back(), 158);
}

TEST_F(GraphWindowTest, extremeTemperaturesAreClippedWithoutOverflow)
{
    for (const char* text : {"2147483647", "-2147483648", "40000", "-40000", "21"}) {
        plotSensor1(QString::fromLatin1(text));
        source.fahrenheit = !source.fahrenheit;
        source.celsius = !source.fahrenheit;
        ticks(1);
    }
    // The last segment comes up from -40 000 C, far below the image, to 21 F.
    EXPECT_EQ(state.LastY[0], 200 - 21);
    const auto rows = rowsOf(window->image(), 398, Red);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 179);
    EXPECT_EQ(rows.back(), 249);
}

TEST_F(GraphWindowTest, withoutSourceTheGraphScrollsAndDrawsBarsOnly)
{
    plotSensor1(QStringLiteral("21"));
    ticks(3);
    window->setSource(nullptr);
    ticks(23); // tick 25 is the next bar
    EXPECT_TRUE(rowsOf(window->image(), 398, Red).empty());
    EXPECT_EQ(fullBlackColumns(window->image()).back(), 398);
    EXPECT_EQ(rowsOf(window->image(), 398 - 23, Red).front(), 158); // the old trace moved on
    EXPECT_EQ(state.TickCount, 26);
}

TEST_F(GraphWindowTest, closeButtonUnloads)
{
    auto* close = window->findChild<QPushButton*>(QStringLiteral("btnG_Close"));
    auto* timer = window->findChild<QTimer*>(QStringLiteral("Timer1"));
    close->click();
    EXPECT_FALSE(timer->isActive());
    processDeferredDeletes();
    EXPECT_TRUE(window.isNull());
}

TEST_F(GraphWindowTest, plotAreaRepaintsFromTheImage)
{
    plotSensor1(QStringLiteral("21"));
    ticks(2);
    auto* plot = window->findChild<QWidget*>(QStringLiteral("Picture1"));
    const QImage shown = plot->grab().toImage();
    const QPoint inner = plot->contentsRect().topLeft();
    EXPECT_EQ(shown.pixel(inner + QPoint(398, 158)), Red);
    EXPECT_EQ(shown.pixel(inner + QPoint(398, 160)), window->image().pixel(398, 160));
    EXPECT_EQ(shown.pixel(inner + QPoint(25, 100)), Black);
}
