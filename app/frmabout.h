#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The About window: program name and version. Deletes itself when closed.
class frmAbout final : public QWidget {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton* Command1 = nullptr;

    void Command1_Click();
};
