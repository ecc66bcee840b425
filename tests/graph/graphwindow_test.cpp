#include "fakegraphsource.h"
#include "graph/frmgraph.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <gtest/gtest.h>
#include <vector>

constexpr QRgb Black = qRgb(0, 0, 0);
constexpr QRgb Red = qRgb(255, 0, 0);
constexpr Scale C = Scale::Celsius;
constexpr Scale F = Scale::Fahrenheit;

static std::vector<int> rowsOf(const QImage& image, int column, QRgb colour)
{
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixel(column, y) == colour)
            rows.push_back(y);
    return rows;
}

// The graph window over a fake main window; each test opens it once.
class GraphWindow : public ::testing::Test {
protected:
    void SetUp() override { window = new frmGraph(state, &source); }
    void TearDown() override
    {
        window->findChild<QPushButton*>(QStringLiteral("btnG_Close"))->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull()); // Close unloads
    }
    void ticks(int count, const char* sensor1 = nullptr)
    {
        if (sensor1) // only sensor 1 plots; the others have no number to show yet
            source.labels = {QString::fromLatin1(sensor1), {}, {}, {}};
        for (int i = 0; i < count; ++i)
            window->Timer1_Timer();
    }
    // The first and last row of sensor 1's trace in a column; -1 for none.
    std::pair<int, int> span(int column)
    {
        const auto rows = rowsOf(window->image(), column, Red);
        return rows.empty() ? std::pair(-1, -1) : std::pair(rows.front(), rows.back());
    }
    // Columns crossed by a bar: none of the background (as in column 399, row 249) left in them.
    std::vector<int> bars()
    {
        std::vector<int> columns;
        for (int x = 0; x < frmGraph::ImageWidth; ++x)
            if (rowsOf(window->image(), x, window->image().pixel(399, 249)).empty())
                columns.push_back(x);
        return columns;
    }
    QList<QLabel*> scaleLabels() // lblC1, lblF1, lblC2, ...
    {
        return window->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^lbl[CF]\\d+$")));
    }
    // The captions of the scale labels shown, bottom to top.
    QString shownScale()
    {
        QStringList shown;
        for (QLabel* label : scaleLabels())
            if (label->isVisible())
                shown << label->text();
        return shown.join(u'|');
    }

    GraphState state;
    FakeGraphSource source;
    QPointer<frmGraph> window;
};

TEST_F(GraphWindow, rowsOfTheScalesAndTheTracesColours)
{
    const struct {
        Scale scale;
        const char* text;
        int row; // the top of the trace's two-row band; outside 0..249 nothing shows
    } cases[] = {{Scale::None, "21", 0}, {C, "21", 158},  {F, "70", 130},  {C, "0", 200},
                 {F, "0", 200},          {C, "-24", 248}, {F, "-49", 249}, {C, "-25", 250},
                 {F, "-50", 250},        {C, "100", 0},   {F, "200", 0},   {C, "101", -2}};
    for (const auto& c : cases) {
        source.scale = c.scale;
        ticks(2, c.text); // the second segment runs flat at the row
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

TEST_F(GraphWindow, eachOpeningStartsAFreshPlotWithBarsEveryTwentyFiveTicks)
{
    const std::vector<int> loadBars{25,  50,  75,  100, 125, 150, 175, 200,
                                    225, 250, 275, 300, 325, 350, 375};
    EXPECT_EQ(bars(), loadBars);
    EXPECT_EQ(rowsOf(window->image(), 399, Black),
              (std::vector<int>{25, 50, 75, 100, 125, 150, 175, 200, 225}));
    ticks(1, "21");
    EXPECT_EQ(span(397).first, 0); // the first segment ever comes from the top
    EXPECT_EQ(span(398).second, 158);
    ticks(59);
    // The load-time bars moved 60 columns left; those of ticks 0, 25 and 50 follow.
    EXPECT_EQ(bars(), (std::vector<int>{15, 40, 65, 90, 115, 140, 165, 190, 215, 240, 265, 290, 315,
                                        339, 364, 389}));

    TearDown(); // Close, then File > Graph again
    SetUp();
    EXPECT_EQ(bars(), loadBars);
    ticks(1, "50"); // row 100, from the last row plotted before
    EXPECT_EQ(span(397), std::pair(100, 158));
    EXPECT_EQ(rowsOf(window->image(), 398, Black).front(), 0); // the bar of tick 0
}

TEST_F(GraphWindow, onlyTheScaleInUseIsShownAndEachCaptionWhole)
{
    EXPECT_EQ(shownScale(), ""); // until the first tick
    const auto shown = [this](Scale scale) {
        source.scale = scale;
        ticks(1, "21");
        return shownScale();
    };
    const QString fahrenheit =
        QString::fromUtf8("-50°|-25°| 0°| 25°| 50°| 75°|100°|125°|150°|175°|°F");
    EXPECT_EQ(shown(F), fahrenheit);
    EXPECT_EQ(shown(C), QString::fromUtf8("-25|-12.5°|0°|12.5|25°|37.5°|50°|62.5°|75°|87.5°|°C"));
    EXPECT_EQ(shown(F), fahrenheit);
    EXPECT_EQ(shown(Scale::None), fahrenheit); // neither: the column stays as it was

    // Each caption's ink within its label (top left aligned).
    for (QLabel* label : scaleLabels()) {
        const QFontMetrics metrics = label->fontMetrics();
        const QRect ink = metrics.tightBoundingRect(label->text()).translated(0, metrics.ascent());
        EXPECT_TRUE(label->contentsRect().contains(ink)) << label->objectName().toStdString();
    }
}

TEST_F(GraphWindow, unreadableOrExtremeTemperaturesAndNoMainWindow)
{
    ticks(1, "21");
    for (const char* text : {"", "21.5", "abc", "99999999999"}) {
        ticks(1, text);
        EXPECT_EQ(span(398).first, -1) << text;
    }
    ticks(1, " 50 ");
    EXPECT_EQ(span(397), std::pair(100, 158)); // from the row kept through the bad ones

    // Rows far outside the image are computed without overflow and clipped.
    for (const char* text : {"2147483647", "-2147483648", "40000", "-40000", "21"}) {
        source.scale = source.scale == F ? C : F;
        ticks(1, text);
    }
    // The last segment comes up from -40 000 C, far below the image, to 21 F.
    EXPECT_EQ(span(398), std::pair(179, 249));

    // Once the main window is gone, the plot scrolls on with bars only, and the screen follows.
    window->setSource(nullptr);
    QCoreApplication::processEvents();
    ticks(15); // tick 25 is the next bar
    EXPECT_EQ(span(398).first, -1);
    EXPECT_EQ(bars().back(), 398);
    QCoreApplication::processEvents();
    const QImage shown = window->screen()->grabWindow(window->winId()).toImage();
    auto* plot = window->findChild<QWidget*>(QStringLiteral("Picture1"));
    const QPoint inner = plot->mapTo(window, plot->contentsRect().topLeft());
    EXPECT_EQ(shown.pixel(inner + QPoint(398 - 15, 179)), Red);
    EXPECT_EQ(shown.pixel(inner + QPoint(398, 100)), Black);
}
