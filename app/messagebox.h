#pragma once

#include <QString>

class QWidget;

// Button-and-icon codes and answers of the program's modal questions.
namespace msgbox {
constexpr int OkOnly = 0;
constexpr int YesNo = 4;
constexpr int Critical = 16;
constexpr int Exclamation = 48;
constexpr int Information = 64;
constexpr int DefaultButton2 = 256;

constexpr int Ok = 1;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace msgbox

// Every modal question of the program goes through here, so tests can script the answers.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows prompt (lines joined by CR LF) and waits; returns msgbox::Yes, No or Ok.
    virtual int MsgBox(const QString& prompt, int buttons, const QString& title) = 0;
};

// Real dialogs, modal to the given window (or to the application when there is none).
class QtMessageBoxes final : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : m_parent(parent) {}

    int MsgBox(const QString& prompt, int buttons, const QString& title) override;

private:
    QWidget* m_parent;
};
