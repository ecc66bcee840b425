#pragma once

class QWidget;

// Window states as the program counts them.
enum FormState : int { StateNormal = 0, StateMinimized = 1, StateMaximized = 2 };

int formWindowState(const QWidget* form);
// Minimizing keeps a maximized window maximized underneath, so that it comes back so.
void setFormWindowState(QWidget* form, int state);
