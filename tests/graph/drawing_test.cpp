#include "graph/drawing.h"

#include <climits>
#include <gtest/gtest.h>
#include <set>

namespace {

constexpr QRgb White = qRgb(255, 255, 255);
constexpr QRgb Black = qRgb(0, 0, 0);
constexpr QRgb Red = qRgb(255, 0, 0);

std::set<std::pair<int, int>> pixelsOf(const QImage& image, QRgb colour)
{
    std::set<std::pair<int, int>> found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour)
                found.insert({x, y});
    return found;
}

void line(DrawingSurface& surface, Pen pen, QPoint from, QPoint to)
{
    surface.selectPen(pen);
    surface.moveTo(from.x(), from.y());
    surface.lineTo(to.x(), to.y());
}

// A surface whose every pixel differs, so any misplaced copy shows.
DrawingSurface patterned(QSize size)
{
    DrawingSurface surface(size, White);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            surface.selectPen(Pen{qRgb(x, y, (x * 7 + y) & 0xff), 1});
            surface.moveTo(x, y);
            surface.lineTo(x + 1, y);
        }
    return surface;
}

} // namespace

TEST(Drawing, thinLineLeavesEndPointOut)
{
    DrawingSurface surface(QSize(20, 20), White);
    line(surface, Pen{Black, 0}, {0, 5}, {10, 5});
    std::set<std::pair<int, int>> expected;
    for (int x = 0; x < 10; ++x)
        expected.insert({x, 5});
    EXPECT_EQ(pixelsOf(surface.image(), Black), expected);

    DrawingSurface diagonal(QSize(20, 20), White);
    line(diagonal, Pen{Black, 0}, {0, 0}, {4, 2});
    EXPECT_EQ(pixelsOf(diagonal.image(), Black),
              (std::set<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 1}, {3, 2}}));

    DrawingSurface dot(QSize(20, 20), White);
    line(dot, Pen{Black, 0}, {3, 3}, {3, 3});
    EXPECT_TRUE(pixelsOf(dot.image(), Black).empty());
}

TEST(Drawing, lineToMovesTheCurrentPosition)
{
    DrawingSurface surface(QSize(20, 20), White);
    surface.selectPen(Pen{Black, 0});
    surface.moveTo(0, 0);
    surface.lineTo(5, 0);
    surface.lineTo(5, 3);
    EXPECT_EQ(pixelsOf(surface.image(), Black),
              (std::set<std::pair<int, int>>{
                  {0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {5, 1}, {5, 2}}));
}

TEST(Drawing, thinLinesAreClippedAtTheEdges)
{
    DrawingSurface surface(QSize(400, 250), White);
    line(surface, Pen{Black, 0}, {398, 0}, {398, 250});
    EXPECT_EQ(pixelsOf(surface.image(), Black).size(), 250u);
    for (int y = 0; y < 250; ++y)
        EXPECT_EQ(surface.image().pixel(398, y), Black);

    DrawingSurface across(QSize(400, 250), White);
    line(across, Pen{Black, 0}, {-50, 10}, {450, 10});
    EXPECT_EQ(pixelsOf(across.image(), Black).size(), 400u);
}

TEST(Drawing, twoPixelSegmentsStayWithinTheirTwoColumns)
{
    const int rows[] = {INT_MIN, -300, -2,  -1,  0,   1,   50,  130,
                        158,     200,  248, 249, 250, 251, 600, INT_MAX};
    for (int from : rows)
        for (int to : rows) {
            DrawingSurface surface(QSize(400, 250), White);
            line(surface, Pen{Red, 2}, {397, from}, {398, to});
            for (const auto& [x, y] : pixelsOf(surface.image(), Red))
                ASSERT_TRUE(x == 397 || x == 398) << from << " -> " << to << " at " << x;
        }
}

TEST(Drawing, twoPixelSegmentShapes)
{
    // Flat: two rows thick, both end points drawn, the band below the row.
    DrawingSurface flat(QSize(400, 250), White);
    line(flat, Pen{Red, 2}, {397, 158}, {398, 158});
    EXPECT_EQ(pixelsOf(flat.image(), Red),
              (std::set<std::pair<int, int>>{{397, 158}, {398, 158}, {397, 159}, {398, 159}}));

    // Steep: both columns on every row from one end to the other.
    DrawingSurface steep(QSize(400, 250), White);
    line(steep, Pen{Red, 2}, {397, 0}, {398, 158});
    const auto pixels = pixelsOf(steep.image(), Red);
    EXPECT_EQ(pixels.size(), 2u * 159u);
    EXPECT_TRUE(pixels.count({397, 0}) && pixels.count({398, 158}));
    EXPECT_FALSE(pixels.count({398, 159}));

    // One step down: a two-by-two block.
    DrawingSurface step(QSize(400, 250), White);
    line(step, Pen{Red, 2}, {397, 100}, {398, 101});
    EXPECT_EQ(pixelsOf(step.image(), Red),
              (std::set<std::pair<int, int>>{{397, 100}, {398, 100}, {397, 101}, {398, 101}}));
}

TEST(Drawing, farEndPointsAreClippedNotStepped)
{
    DrawingSurface surface(QSize(400, 250), White);
    line(surface, Pen{Red, 2}, {397, INT_MIN}, {398, INT_MAX});
    // Both columns on every visible row, found without stepping through four billion rows.
    const auto pixels = pixelsOf(surface.image(), Red);
    EXPECT_EQ(pixels.size(), 2u * 250u);

    DrawingSurface thin(QSize(400, 250), White);
    line(thin, Pen{Black, 0}, {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX});
    EXPECT_EQ(pixelsOf(thin.image(), Black).size(), 250u);
}

TEST(Drawing, overlappingSelfCopyMatchesCopyFromUntouchedSource)
{
    const QSize size(40, 30);
    const QPoint targets[] = {{0, 0}, {2, 0}, {0, 3}, {3, 2}, {-1, -2}, {5, -1}};
    for (const QPoint to : targets) {
        DrawingSurface self = patterned(size);
        const DrawingSurface untouched = patterned(size);
        DrawingSurface expected = patterned(size);
        const QRect from(1, 1, 35, 25);
        self.copy(to, self, from);
        expected.copy(to, untouched, from);
        EXPECT_EQ(self.image(), expected.image()) << to.x() << "," << to.y();
    }
}

TEST(Drawing, scrollMovesEveryColumnLeftAndKeepsTheLast)
{
    DrawingSurface surface = patterned(QSize(400, 250));
    const QImage before = surface.image().copy();
    surface.copy({0, 0}, surface, QRect(1, 0, 399, 250));
    for (int y = 0; y < 250; y += 7) {
        for (int x = 0; x < 399; x += 13)
            ASSERT_EQ(surface.image().pixel(x, y), before.pixel(x + 1, y));
        ASSERT_EQ(surface.image().pixel(399, y), before.pixel(399, y));
        ASSERT_EQ(surface.image().pixel(398, y), before.pixel(399, y));
    }
}

TEST(Drawing, copiesAreClippedToBothImages)
{
    DrawingSurface target(QSize(10, 10), White);
    const DrawingSurface source = patterned(QSize(6, 6));
    target.copy({7, 7}, source, QRect(-3, -3, 20, 20));
    // Source (0,0) lands at (10,10): off the target; nothing inside changes but the clipped part.
    EXPECT_EQ(pixelsOf(target.image(), White).size(), 100u);
    target.copy({8, 8}, source, QRect(0, 0, 6, 6));
    EXPECT_EQ(target.image().pixel(9, 9), source.image().pixel(1, 1));
}

TEST(Drawing, surfaceWithoutImageDrawsNothing)
{
    DrawingSurface none;
    none.selectPen(Pen{Red, 2});
    none.moveTo(0, 0);
    none.lineTo(100, 100);
    none.copy({0, 0}, none, QRect(1, 0, 399, 250));
    const DrawingSurface source = patterned(QSize(4, 4));
    none.copy({0, 0}, source, QRect(0, 0, 4, 4));
    EXPECT_TRUE(none.image().isNull());
}
