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
    Qt::WindowStates states = form->windowState();
    switch (state) {
    case StateNormal:
        states &= ~(Qt::WindowMinimized | Qt::WindowMaximized);
        break;
    // A maximized window stays maximized underneath: taking that away while minimizing sends the
    // window manager two requests that race, and the window could come back normal.
    case StateMinimized:
        states |= Qt::WindowMinimized;
        break;
    case StateMaximized:
        states = (states & ~Qt::WindowMinimized) | Qt::WindowMaximized;
        break;
    default:
        return;
    }
    form->setWindowState(states);
}
