#pragma once

#include <QFrame>

class QImage;

// The visible plot area: a sunken panel that shows an image at the top-left of its interior and
// repaints from it whenever asked, not only when the image changes.
class PlotArea final : public QFrame {
    Q_OBJECT
public:
    explicit PlotArea(QWidget* parent = nullptr);

    // The image must outlive this widget or be replaced before it goes.
    void setImage(const QImage* image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage* m_image = nullptr;
};
