#include "graph/drawing.h"

#include <climits>
#include <gtest/gtest.h>
#include <set>

namespace {

using Pixels = std::set<std::pair<int, int>>;

constexpr Pen Thin{qRgb(0, 0, 0), 0};
constexpr Pen Wide{qRgb(255, 0, 0), 2};

Pixels drawn(Pen pen, QPoint from, QPoint to)
{
    DrawingSurface surface(QSize(400, 250), qRgb(255, 255, 255));
    surface.selectPen(pen);
    surface.moveTo(from.x(), from.y());
    surface.lineTo(to.x(), to.y());
    Pixels found;
    for (int y = 0; y < 250; ++y)
        for (int x = 0; x < 400; ++x)
            if (surface.image().pixel(x, y) == pen.colour)
                found.insert({x, y});
    return found;
}

// Every pixel differs from its neighbours, so any misplaced copy shows.
DrawingSurface patterned(QSize size)
{
    DrawingSurface surface(size, qRgb(255, 255, 255));
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

TEST(Drawing, linesCoverTheirPixelsClippedAtTheEdges)
{
    // Thin lines leave the end point out; two-pixel ones keep both and thicken into their span.
    EXPECT_EQ(drawn(Thin, {0, 0}, {4, 2}), (Pixels{{0, 0}, {1, 1}, {2, 1}, {3, 2}}));
    EXPECT_TRUE(drawn(Thin, {3, 3}, {3, 3}).empty());
    EXPECT_EQ(drawn(Wide, {397, 158}, {398, 158}),
              (Pixels{{397, 158}, {398, 158}, {397, 159}, {398, 159}}));
    EXPECT_EQ(drawn(Wide, {397, 100}, {398, 101}),
              (Pixels{{397, 100}, {398, 100}, {397, 101}, {398, 101}}));

    EXPECT_EQ(drawn(Thin, {398, 0}, {398, 250}).size(), 250u); // the bar of the plotting tick
    EXPECT_EQ(drawn(Wide, {397, 0}, {398, 158}).size(), 2u * 159u);
    // Far end points are clipped, not stepped through.
    EXPECT_EQ(drawn(Wide, {397, INT_MIN}, {398, INT_MAX}).size(), 2u * 250u);
    EXPECT_EQ(drawn(Thin, {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}).size(), 250u);
    EXPECT_EQ(drawn(Thin, {-50, 10}, {450, 10}).size(), 400u);
}

TEST(Drawing, twoPixelSegmentsNeverLeaveTheirTwoColumns)
{
    const int rows[] = {INT_MIN, -300, -2, -1, 0, 1, 50, 158, 248, 249, 250, 251, 600, INT_MAX};
    for (int from : rows)
        for (int to : rows)
            for (const auto& [x, y] : drawn(Wide, {397, from}, {398, to}))
                ASSERT_TRUE(x == 397 || x == 398) << from << " -> " << to;
}

TEST(Drawing, overlappingSelfCopyMatchesCopyFromUntouchedSource)
{
    const QSize size(40, 30);
    const QRect from(1, 1, 35, 25);
    for (const QPoint to :
         {QPoint(0, 1), QPoint(2, 1), QPoint(1, 4), QPoint(3, 2), QPoint(-1, -2), QPoint(30, -1)}) {
        DrawingSurface self = patterned(size);
        DrawingSurface expected = patterned(size);
        self.copy(to, self, from);
        expected.copy(to, patterned(size), from);
        EXPECT_EQ(self.image(), expected.image()) << to.x() << "," << to.y();
    }

    DrawingSurface none; // a surface without an image takes every call and draws nothing
    none.lineTo(100, 100);
    none.copy({0, 0}, none, QRect(1, 0, 399, 250));
    none.copy({0, 0}, patterned(size), from);
    EXPECT_TRUE(none.image().isNull());
}
