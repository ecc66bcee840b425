#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// The ReadMe window: the user manual as read-only, selectable text. Deletes itself when closed.
class frmHelp final : public QWidget {
    Q_OBJECT

public:
    explicit frmHelp(QWidget* parent = nullptr);

    QPlainTextEdit* txtFile = nullptr;
    QPushButton* cmdClose = nullptr;

    void cmdClose_Click();
};
