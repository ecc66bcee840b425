#include "graph/plotarea.h"

#include <QImage>
#include <QPainter>

PlotArea::PlotArea(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
}

void PlotArea::setImage(const QImage* image)
{
    m_image = image;
    update();
}

void PlotArea::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (!m_image || m_image->isNull())
        return;
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.drawImage(contentsRect().topLeft(), *m_image);
}
