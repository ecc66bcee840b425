#include "app/controls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QPainter>
#include <qdrawutil.h>

void CaptionedFrame::paintEvent(QPaintEvent*)
{
    constexpr int CaptionLeft = 8;
    constexpr int CaptionPadding = 2;
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int lineY = metrics.height() / 2;
    qDrawShadeRect(&painter, rect().adjusted(0, lineY, 0, 0), palette(), true);
    const QRect caption(CaptionLeft, 0, metrics.horizontalAdvance(title()) + 2 * CaptionPadding,
                        metrics.height());
    painter.fillRect(caption, palette().window());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(caption, Qt::AlignCenter | Qt::TextShowMnemonic, title());
}

void setOptionValue(QAbstractButton* button, bool selected)
{
    if (button->isChecked() == selected)
        return;
    if (selected) {
        button->setChecked(true);
        return;
    }
    if (QButtonGroup* group = button->group(); group && group->exclusive()) {
        group->setExclusive(false);
        button->setChecked(false);
        group->setExclusive(true);
    } else if (button->autoExclusive()) {
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(true);
    } else {
        button->setChecked(false);
    }
}

int listPosition(const QComboBox* list)
{
    const int index = list->currentIndex();
    if (index >= 0 && list->isEditable() && list->currentText() != list->itemText(index))
        return -1;
    return index;
}

void setListPosition(QComboBox* list, int position)
{
    if (listPosition(list) != position)
        list->setCurrentIndex(position);
}
