#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QSize>

// A solid pen. Width 0 or 1 draws one pixel wide with the end point left out; wider pens draw
// both end points.
struct Pen {
    QRgb colour = qRgb(0, 0, 0);
    int width = 0;
};

// An off-screen image with a current pen and position, drawn on the way the graph has always
// drawn: move-to, line-to and plain rectangle copies, everything clipped at the image's edges.
// A surface without an image (default-constructed) takes every call and draws nothing.
class DrawingSurface final {
public:
    DrawingSurface() = default;
    DrawingSurface(QSize size, QRgb background);

    const QImage& image() const { return m_image; }

    void selectPen(const Pen& pen) { m_pen = pen; }
    void moveTo(int x, int y) { m_position = {x, y}; }
    // Draws from the current position to (x, y) and moves there.
    void lineTo(int x, int y);
    // Copies `from` of `source` to `to`. The source may be this surface and overlap the target:
    // the result is the same as copying from an untouched source.
    void copy(QPoint to, const DrawingSurface& source, QRect from);

private:
    void drawLine(QPoint from, QPoint to);
    void plot(int x, int y);

    QImage m_image;
    Pen m_pen;
    QPoint m_position;
};
