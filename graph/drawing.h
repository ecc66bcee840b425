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
// One byte a pixel, into a table of the colours drawn so far: a graph needs a handful, and a
// quarter of the memory of a true-colour image.
class DrawingSurface final {
public:
    DrawingSurface() = default;
    DrawingSurface(QSize size, QRgb background);

    const QImage& image() const { return m_image; }

    // A table holds 256 colours: past that each new colour replaces the last, recolouring what
    // was drawn in it. The graph draws in six.
    void selectPen(const Pen& pen);
    void moveTo(int x, int y) { m_position = {x, y}; }
    // Draws from the current position to (x, y) and moves there.
    void lineTo(int x, int y);
    // Copies `from` of this surface to `to`; the two may overlap: the result is the same as
    // copying from an untouched image.
    void copy(QPoint to, QRect from);

private:
    void drawLine(QPoint from, QPoint to);
    void plot(int x, int y);

    QImage m_image;
    Pen m_pen;
    uchar m_penIndex = 0;
    QPoint m_position;
};
