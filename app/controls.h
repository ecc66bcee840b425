#pragma once

#include <QByteArray>
#include <QGroupBox>
#include <QRect>
#include <QString>

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

// A frame whose caption breaks its top line, with its controls placed inside by coordinates,
// whatever the style does with a group box's title.
class CaptionedFrame final : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Controls made at a place given in pixels (twipsRect), named as the program refers to them.
template <typename Widget> Widget* place(Widget* widget, const QByteArray& name, const QRect& rect)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(rect);
    return widget;
}
QLabel* label(QWidget* parent, const QByteArray& name, const QString& text, const QRect& rect,
              bool centred, bool bordered = false);
QLineEdit* textBox(QWidget* parent, const QByteArray& name, const QString& text, const QRect& rect);
// Editable, showing text with no choice made.
QComboBox* comboBox(QWidget* parent, const QByteArray& name, const QString& text,
                    const QRect& rect);
QPushButton* button(QWidget* parent, const QByteArray& name, const QString& text,
                    const QRect& rect);
QRadioButton* optionButton(QWidget* parent, const QByteArray& name, const QString& text,
                           const QRect& rect, bool selected);

// Selects or deselects an option button, also the last selected one of its group, which the
// toolkit otherwise keeps selected.
void setOptionValue(QAbstractButton* button, bool selected);

// The chosen position of a drop-down list: -1 when nothing is chosen, and also when the user
// has typed a text of their own into its box.
int listPosition(const QComboBox* list);

// Makes position the list's choice (-1: none, which empties the box). A list already showing
// that choice is left alone, so its change notification runs only on a real change.
void setListPosition(QComboBox* list, int position);
