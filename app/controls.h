#pragma once

#include <QGroupBox>

class QAbstractButton;
class QComboBox;

// A frame whose caption breaks its top line, with its controls placed inside by coordinates,
// whatever the style does with a group box's title.
class CaptionedFrame final : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Selects or deselects an option button, also the last selected one of its group, which the
// toolkit otherwise keeps selected.
void setOptionValue(QAbstractButton* button, bool selected);

// The chosen position of a drop-down list: -1 when nothing is chosen, and also when the user
// has typed a text of their own into its box.
int listPosition(const QComboBox* list);

// Makes position the list's choice (-1: none, which empties the box). A list already showing
// that choice is left alone, so its change notification runs only on a real change.
void setListPosition(QComboBox* list, int position);
