#include "graph/drawing.h"

#include <climits>
#include <gtest/gtest.h>
#include <set>

namespace {

using Pixels = std::set<std::pair<int, int>>;

constexpr QRgb White = qRgb(255, 255, 255);
constexpr QRgb Black = qRgb(0, 0, 0);
constexpr QRgb Red = qRgb(255, 0, 0);

Pixels pixelsOf(const QImage& image, QRgb colour)
{
    Pixels found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour)
                found.insert({x, y});
    return found;
}

Pixels drawn(Pen pen, QPoint from, QPoint to, QSize size = QSize(400, 250))
{
    DrawingSurface surface(size, White);
    surface.selectPen(pen);
    surface.moveTo(from.x(), from.y());
    surface.lineTo(to.x(), to.y());
    return pixelsOf(surface.image(), pen.colour);
}

// Every pixel differs from its neighbours, so any misplaced copy shows.
DrawingSurface patterned(QSize size)
{
    DrawingSurface surface(size, White);
    for (int y = 0; y < size.height(); ++y) {
        surface.moveTo(0, y);
        for (int x = 0; x < size.width(); ++x) {
            surface.selectPen(Pen{qRgb(x, y, x * 7 + y), 1});
            surface.lineTo(x + 1, y);
        }
    }
    return surface;
}

} // namespace

TEST(Drawing, thinLinesLeaveTheEndPointOut)
{
    EXPECT_EQ(drawn(Pen{Black, 0}, {0, 5}, {4, 5}), (Pixels{{0, 5}, {1, 5}, {2, 5}, {3, 5}}));
    EXPECT_EQ(drawn(Pen{Black, 0}, {0, 0}, {4, 2}), (Pixels{{0, 0}, {1, 1}, {2, 1}, {3, 2}}));
    EXPECT_TRUE(drawn(Pen{Black, 0}, {3, 3}, {3, 3}).empty());
    // The bar of the plotting tick: rows 0..249, the 250th is outside.
    EXPECT_EQ(drawn(Pen{Black, 0}, {398, 0}, {398, 250}).size(), 250u);
}

TEST(Drawing, twoPixelSegmentShapes)
{
    // Flat: both end points, the band below the row.
    EXPECT_EQ(drawn(Pen{Red, 2}, {397, 158}, {398, 158}),
              (Pixels{{397, 158}, {398, 158}, {397, 159}, {398, 159}}));
    // One step: a two-by-two block.
    EXPECT_EQ(drawn(Pen{Red, 2}, {397, 100}, {398, 101}),
              (Pixels{{397, 100}, {398, 100}, {397, 101}, {398, 101}}));
    // Steep: both columns on every row from one end point to the other.
    const Pixels steep = drawn(Pen{Red, 2}, {397, 0}, {398, 158});
    EXPECT_EQ(steep.size(), 2u * 159u);
    EXPECT_TRUE(steep.count({397, 0}) && steep.count({398, 158}));
}

TEST(Drawing, twoPixelSegmentsNeverLeaveTheirTwoColumns)
{
    const int rows[] = {INT_MIN, -300, -2, -1, 0, 1, 50, 158, 248, 249, 250, 251, 600, INT_MAX};
    for (int from : rows)
        for (int to : rows)
            for (const auto& [x, y] : drawn(Pen{Red, 2}, {397, from}, {398, to}))
                ASSERT_TRUE(x == 397 || x == 398) << from << " -> " << to;
}

TEST(Drawing, farEndPointsAreClippedNotStepped)
{
    EXPECT_EQ(drawn(Pen{Red, 2}, {397, INT_MIN}, {398, INT_MAX}).size(), 2u * 250u);
    EXPECT_EQ(drawn(Pen{Black, 0}, {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}).size(), 250u);
    EXPECT_EQ(drawn(Pen{Black, 0}, {-50, 10}, {450, 10}).size(), 400u);
}

TEST(Drawing, overlappingSelfCopyMatchesCopyFromUntouchedSource)
{
    const QSize size(40, 30);
    const QRect from(1, 1, 35, 25);
    for (const QPoint to :
         {QPoint(0, 1), QPoint(2, 1), QPoint(1, 4), QPoint(3, 2), QPoint(-1, -2), QPoint(30, -1)}) {
        DrawingSurface self = patterned(size);
        DrawingSurface expected = patterned(size);
        const DrawingSurface untouched = patterned(size);
        self.copy(to, self, from);
        expected.copy(to, untouched, from);
        EXPECT_EQ(self.image(), expected.image()) << to.x() << "," << to.y();
    }
}

TEST(Drawing, surfaceWithoutImageDrawsNothing)
{
    DrawingSurface none;
    none.moveTo(0, 0);
    none.lineTo(100, 100);
    none.copy({0, 0}, none, QRect(1, 0, 399, 250));
    none.copy({0, 0}, patterned(QSize(4, 4)), QRect(0, 0, 4, 4));
    EXPECT_TRUE(none.image().isNull());
}
