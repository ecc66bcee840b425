#include "app/controls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <limits>
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

QLabel* label(QWidget* parent, const QByteArray& name, const QString& text, const QRect& rect,
              bool centred, bool bordered)
{
    auto* l = place(new QLabel(text, parent), name, rect);
    // Sensor names among them: what the user typed, never tags to interpret.
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(centred ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignLeft | Qt::AlignTop);
    if (bordered)
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return l;
}

QLineEdit* textBox(QWidget* parent, const QByteArray& name, const QString& text, const QRect& rect)
{
    auto* box = place(new QLineEdit(text, parent), name, rect);
    box->setAlignment(Qt::AlignHCenter);
    // The store, not the box, limits a stored text: a longer one must survive the next Save.
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

QComboBox* comboBox(QWidget* parent, const QByteArray& name, const QString& text, const QRect& rect)
{
    auto* box = place(new QComboBox(parent), name, rect);
    // The design's drop-down lists complete nothing as the user types. Given a line edit that
    // has a completer of its own, the toolkit makes none, and the one it would make over the
    // list costs more memory and start-up time than the rest of the control.
    auto* edit = new QLineEdit(box);
    edit->setCompleter(new QCompleter(edit));
    box->setLineEdit(edit);
    delete edit->completer();
    // Typed text is a value of its own, never a new list item.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setEditText(text);
    return box;
}

QPushButton* button(QWidget* parent, const QByteArray& name, const QString& text, const QRect& rect)
{
    return place(new QPushButton(text, parent), name, rect);
}

QRadioButton* optionButton(QWidget* parent, const QByteArray& name, const QString& text,
                           const QRect& rect, bool selected)
{
    auto* option = place(new QRadioButton(text, parent), name, rect);
    option->setChecked(selected);
    return option;
}
