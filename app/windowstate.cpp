#include "app/windowstate.h"

#include <QWidget>

int formWindowState(const QWidget* form)
{
    const Qt::WindowStates states = form->windowState();
    if (states & Qt::WindowMinimized)
        return StateMinimized;
    if (states & Qt::WindowMaximized)
        return StateMaximized;
    return StateNormal;
}

void setFormWindowState(QWidget* form, int state)
{
    Qt::WindowStates states = form->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == StateMinimized)
        states |= Qt::WindowMinimized;
    else if (state == StateMaximized)
        states |= Qt::WindowMaximized;
    else if (state != StateNormal)
        return;
    form->setWindowState(states);
}
