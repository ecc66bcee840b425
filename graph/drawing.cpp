#include "graph/drawing.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Pulls far-off end points in so that the stepping arithmetic fits 64 bits; a point this far out
// is off any image the program draws on.
constexpr int Far = 1 << 29;

int pullIn(int v)
{
    return std::clamp(v, -Far, Far);
}

// Offset along the minor axis of the k-th of n steps when the minor axis moves by `minorDelta`,
// rounded to the nearest pixel.
std::int64_t minorOffset(std::int64_t k, std::int64_t n, std::int64_t minorDelta)
{
    if (n == 0)
        return 0;
    const std::int64_t magnitude = (2 * k * std::llabs(minorDelta) + n) / (2 * n);
    return minorDelta < 0 ? -magnitude : magnitude;
}

} // namespace

DrawingSurface::DrawingSurface(QSize size, QRgb background) : m_image(size, QImage::Format_Indexed8)
{
    m_image.setColorTable({background});
    m_image.fill(0);
}

void DrawingSurface::selectPen(const Pen& pen)
{
    m_pen = pen;
    if (m_image.isNull())
        return;
    QList<QRgb> colours = m_image.colorTable();
    qsizetype index = colours.indexOf(pen.colour);
    if (index < 0) {
        index = std::min<qsizetype>(colours.size(), 255);
        if (index == colours.size())
            colours.append(pen.colour);
        else
            colours[index] = pen.colour;
        m_image.setColorTable(colours);
    }
    m_penIndex = uchar(index);
}

void DrawingSurface::lineTo(int x, int y)
{
    const QPoint from = m_position;
    m_position = {x, y};
    if (!m_image.isNull())
        drawLine({pullIn(from.x()), pullIn(from.y())}, {pullIn(x), pullIn(y)});
}

// Steps along the main axis and only over the part that lies inside the image, so a line to a
// far-off point costs no more than one across the image.
void DrawingSurface::drawLine(QPoint from, QPoint to)
{
    const bool wide = m_pen.width > 1;
    const std::int64_t dx = std::int64_t(to.x()) - from.x();
    const std::int64_t dy = std::int64_t(to.y()) - from.y();
    const bool steep = std::llabs(dy) > std::llabs(dx);

    const std::int64_t major0 = steep ? from.y() : from.x();
    const std::int64_t minor0 = steep ? from.x() : from.y();
    const std::int64_t majorDelta = steep ? dy : dx;
    const std::int64_t minorDelta = steep ? dx : dy;
    const std::int64_t steps = std::llabs(majorDelta);
    const int majorDir = majorDelta < 0 ? -1 : 1;
    const std::int64_t majorLimit = steep ? m_image.height() : m_image.width();

    // A one-pixel line leaves its end point out; a wide one keeps it.
    const std::int64_t lastStep = wide ? steps : steps - 1;
    if (lastStep < 0)
        return;

    // The steps whose main coordinate lies inside the image.
    std::int64_t first = 0;
    std::int64_t last = lastStep;
    if (majorDir > 0) {
        first = std::max<std::int64_t>(first, -major0);
        last = std::min<std::int64_t>(last, majorLimit - 1 - major0);
    } else {
        first = std::max<std::int64_t>(first, major0 - (majorLimit - 1));
        last = std::min<std::int64_t>(last, major0);
    }

    // A wide pen thickens across the main direction: downward for flatter lines, leftward for
    // steeper ones, so that a segment ending in the last drawn column never reaches the column
    // beyond it. Where the segment itself spans more than one position across, the band is kept
    // inside that span.
    const int width = wide ? m_pen.width : 1;
    const std::int64_t spanLow = std::min<std::int64_t>(minor0, minor0 + minorDelta);
    const std::int64_t spanHigh = std::max<std::int64_t>(minor0, minor0 + minorDelta);

    for (std::int64_t k = first; k <= last; ++k) {
        const std::int64_t major = major0 + majorDir * k;
        const std::int64_t minor = minor0 + minorOffset(k, steps, minorDelta);
        std::int64_t bandStart = steep ? minor - (width - 1) : minor;
        if (width > 1 && spanHigh > spanLow)
            bandStart = std::clamp(bandStart, spanLow, std::max(spanLow, spanHigh - (width - 1)));
        for (std::int64_t m = bandStart; m < bandStart + width; ++m) {
            if (steep)
                plot(int(m), int(major));
            else
                plot(int(major), int(m));
        }
    }
}

void DrawingSurface::plot(int x, int y)
{
    if (x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height())
        return;
    m_image.scanLine(y)[x] = m_penIndex;
}

void DrawingSurface::copy(QPoint to, QRect from)
{
    if (m_image.isNull())
        return;
    // Clip the source rectangle to the image, then the target.
    QRect src = from.intersected(m_image.rect());
    QPoint dst = to + (src.topLeft() - from.topLeft());
    const QRect target = QRect(dst, src.size()).intersected(m_image.rect());
    if (target.isEmpty())
        return;
    src = QRect(src.topLeft() + (target.topLeft() - dst), target.size());
    dst = target.topLeft();

    uchar* bits = m_image.bits();
    const qsizetype stride = m_image.bytesPerLine();
    // Rows in the order that never overwrites a row still to be read; memmove covers overlap
    // within a row.
    const bool bottomUp = dst.y() > src.y();
    for (int i = 0; i < src.height(); ++i) {
        const int row = bottomUp ? src.height() - 1 - i : i;
        std::memmove(bits + (dst.y() + row) * stride + dst.x(),
                     bits + (src.y() + row) * stride + src.x(), size_t(src.width()));
    }
}
