#include "app/appresources.h"
#include "app/frmabout.h"
#include "app/frmhelp.h"
#include "app/messagebox.h"
#include "support/quorviltest.h"

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

// The real boxes, as a user answers them from the keyboard: Return takes the default button,
// Escape is No; each line of the driver prompt stays one line.
TEST(MessageBoxes, returnTakesTheDefaultButtonAndEscapeMeansNo)
{
    const QString prompt = QStringLiteral("Couldn't detect the Gameport Driver for 1 and 2.  Make "
                                          "sure gameport driver is installed.\r\nDo you want to "
                                          "view Quorvil4 anyway?");
    const struct {
        int buttons;
        Qt::Key key;
        int answer;
    } rows[] = {{308, Qt::Key_Return, msgbox::No},
                {308, Qt::Key_Escape, msgbox::No},
                {msgbox::YesNo + msgbox::Exclamation, Qt::Key_Return, msgbox::Yes},
                {msgbox::OkOnly + msgbox::Exclamation, Qt::Key_Return, msgbox::Ok}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.buttons);
        int lines = 0;
        QTimer press; // once the box waits for its answer
        press.setSingleShot(true);
        press.callOnTimeout([&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box)
                return;
            const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            lines = label->height() / label->fontMetrics().lineSpacing();
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, row.key);
        });
        press.start(0);
        bool timedOut = false;
        QTimer guard; // a box the key did not answer must not keep the test waiting
        guard.setSingleShot(true);
        guard.callOnTimeout([&] {
            timedOut = true;
            if (QWidget* box = QApplication::activeModalWidget())
                box->hide();
        });
        guard.start(5000);
        EXPECT_EQ(QtMessageBoxes().MsgBox(prompt, row.buttons, QStringLiteral("Title")),
                  row.answer);
        EXPECT_FALSE(timedOut);
        EXPECT_EQ(lines, 2);
    }
}

// About shows its design without caption or icon in its title bar; the ReadMe text cannot be
// edited yet can be copied; each window's Close button and title bar unload it, and the next
// opening shows the ReadMe from the top again.
TEST_F(QuorvilTest, secondaryWindows_showTheirDesignCloseEitherWayAndOpenAfresh)
{
    Quorvil& q = loaded();
    const auto open = [&](QAction* command, const char* name) {
        command->trigger();
        QApplication::processEvents();
        return q.forms().form(QString::fromLatin1(name));
    };
    QPointer<frmAbout> about = static_cast<frmAbout*>(open(q.mnuQuorvilItem, "frmAbout"));
    const QString window = QString::number(about->winId());
    EXPECT_EQ(x11->sent,
              QStringList({window + " _NET_WM_NAME UTF8_STRING \"\"",
                           window + " WM_NAME STRING \"\"", window + " delete _NET_WM_ICON"}));
    EXPECT_EQ(QFontInfo(about->Label1->font()).family(), QStringLiteral("Leckerli One"));
    EXPECT_EQ(about->minimumSize(), about->maximumSize());
    EXPECT_FALSE(about->Image1->pixmap().isNull());
    QTest::mouseClick(about->Command1, Qt::LeftButton);

    QPointer<frmHelp> help = static_cast<frmHelp*>(open(q.mnuReadMeItem, "frmHelp"));
    QPlainTextEdit* text = help->txtFile;
    const QString before = text->toPlainText();
    QTest::keyClicks(text, QStringLiteral("typed"));
    QTest::keyClick(text, Qt::Key_Backspace);
    EXPECT_EQ(text->toPlainText(), before);
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), before);
    ASSERT_GT(text->verticalScrollBar()->maximum(), 0) << "the text should need scrolling";
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
    help->close(); // what the title bar's close box does
    flushDeletes();
    EXPECT_TRUE(about.isNull() && help.isNull());

    help = static_cast<frmHelp*>(open(q.mnuReadMeItem, "frmHelp"));
    EXPECT_EQ(help->focusWidget(), help->txtFile);
    EXPECT_EQ(help->txtFile->verticalScrollBar()->value(), 0);
    QTest::mouseClick(help->cmdClose, Qt::LeftButton);
    flushDeletes();
    EXPECT_TRUE(help.isNull());
}

TEST(ReadMeText, keepsOneLinePerCrLfAndNamesNoAddress)
{
    const QString text = readmeText();
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), text.count(QLatin1Char('\n')));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), text.count(QLatin1Char('\r')));
    // A CR LF pair must not turn into two line breaks in the control.
    EXPECT_EQ(frmHelp().txtFile->blockCount(), text.count(QStringLiteral("\r\n")) + 1);
    for (const char* address : {"http", "www.", ".com", ".org", "@"})
        EXPECT_FALSE(text.contains(QString::fromLatin1(address), Qt::CaseInsensitive)) << address;
}
