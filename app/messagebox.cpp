#include "app/messagebox.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace {

// The toolkit wraps a text wider than about 500 pixels, which breaks a prompt's lines in two.
// Each line stays whole as long as the box still fits the widest the toolkit lets it grow.
void keepLinesWhole(QMessageBox& box, const QString& text)
{
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!label || !screen)
        return;
    const int screenWidth = screen->availableGeometry().width();
    const int widestBox = screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000);
    constexpr int IconAndMargins = 100;
    const QFontMetrics metrics(label->font());
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line) + 2);
    label->setMinimumWidth(std::min(widest, widestBox - IconAndMargins));
}

} // namespace

int QtMessageBoxes::MsgBox(const QString& prompt, int buttons, const QString& title)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    // A bare CR shows as a stray glyph in a label; the line break is the LF.
    const QString text = QString(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    keepLinesWhole(box, text);

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
