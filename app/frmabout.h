#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class X11Requests;

// The About window: program name and version. Deletes itself when closed.
class frmAbout final : public QWidget {
    Q_OBJECT

public:
    // With x11, the caption and the icon are taken off the title bar.
    explicit frmAbout(X11Requests* x11 = nullptr, QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton* Command1 = nullptr;

    void Command1_Click();
};
