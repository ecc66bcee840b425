#include "app/messagebox.h"

#include <QMessageBox>
#include <QPushButton>

int QtMessageBoxes::MsgBox(const QString& prompt, int buttons, const QString& title)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    // A bare CR shows as a stray glyph in a label; the line break is the LF.
    box.setText(QString(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setTextFormat(Qt::PlainText);

    switch (buttons & 0x70) {
    case msgbox::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case msgbox::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case msgbox::Information:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }

    if ((buttons & 0x0F) == msgbox::YesNo) {
        QPushButton* yes = box.addButton(QMessageBox::Yes);
        QPushButton* no = box.addButton(QMessageBox::No);
        box.setDefaultButton((buttons & msgbox::DefaultButton2) ? no : yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? msgbox::Yes : msgbox::No;
    }
    box.addButton(QMessageBox::Ok);
    box.exec();
    return msgbox::Ok;
}
