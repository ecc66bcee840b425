#include "app/controls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>

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
