#include "graph/drawing.h"

#include <climits>
#include <gtest/gtest.h>

// The graph's segments end in column 398 and column 399 is never drawn on: a two-pixel pen must
// keep to the two columns it joins, whatever the rows, and step only through the image.
TEST(Drawing, twoPixelSegmentsNeverLeaveTheirTwoColumns)
{
    const int rows[] = {INT_MIN, -300, -2, -1, 0, 1, 50, 158, 248, 249, 250, 251, 600, INT_MAX};
    for (int from : rows) {
        for (int to : rows) {
            DrawingSurface surface(QSize(400, 250), qRgb(255, 255, 255));
            surface.selectPen(Pen{qRgb(255, 0, 0), 2});
            surface.moveTo(397, from);
            surface.lineTo(398, to);
            for (int y = 0; y < 250; ++y)
                for (int x = 0; x < 400; ++x)
                    ASSERT_TRUE(x == 397 || x == 398 ||
                                surface.image().pixel(x, y) == qRgb(255, 255, 255))
                        << from << " -> " << to;
        }
    }
}
