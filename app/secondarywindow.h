#pragma once

#include <QPointer>
#include <QWidget>

// Loads a secondary window into its slot unless it is loaded, then shows and activates it.
// The window deletes itself on close, which empties the slot: the next call loads it afresh.
template <class Form> Form* showSecondaryWindow(QPointer<Form>& slot)
{
    if (!slot)
        slot = new Form;
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot;
}
