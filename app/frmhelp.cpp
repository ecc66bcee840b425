#include "app/frmhelp.h"

#include "app/appresources.h"
#include "app/twips.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

frmHelp::frmHelp(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Quorvil4 ReadMe"));
    setFixedSize(twipsSize(8025, 7395));
    QFont plain = font(); // the design's 8.25 pt sans face
    plain.setPointSizeF(8.25);
    setFont(plain);

    txtFile = new QPlainTextEdit(this);
    txtFile->setGeometry(twipsRect(120, 360, 7815, 6495));
    txtFile->setReadOnly(true);
    // Read-only alone would leave it mouse-selectable only; copying by keyboard needs this too.
    txtFile->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtFile->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtFile->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtFile->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtFile->setPlainText(readmeText());
    txtFile->moveCursor(QTextCursor::Start);
    txtFile->verticalScrollBar()->setValue(0);

    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setGeometry(twipsRect(3360, 6960, 1335, 375));
    connect(cmdClose, &QPushButton::clicked, this, &frmHelp::cmdClose_Click);

    setTabOrder(txtFile, cmdClose);
    txtFile->setFocus();
}

void frmHelp::cmdClose_Click()
{
    close();
}
