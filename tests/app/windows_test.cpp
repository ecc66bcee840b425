#include "app/appresources.h"
#include "app/frmabout.h"
#include "app/frmhelp.h"
#include "support/quorviltest.h"

#include <QClipboard>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>

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
        bool timedOut = false;
        QObject timers; // both end with the row; the first fires once the box waits for its answer
        QTimer::singleShot(0, &timers, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box)
                return;
            const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            lines = label->height() / label->fontMetrics().lineSpacing();
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, row.key);
        });
        // A box the key did not answer must not keep the test waiting.
        QTimer::singleShot(5000, &timers, [&] {
            timedOut = true;
            if (QWidget* box = QApplication::activeModalWidget())
                box->hide();
        });
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
    QTest::mouseClick(about->Command1, Qt::LeftButton);

    QPointer<frmHelp> help = static_cast<frmHelp*>(open(q.mnuReadMeItem, "frmHelp"));
    QPlainTextEdit* text = help->txtFile;
    const QString before = text->toPlainText();
    // One line per CR LF, in the text and in the control.
    const QString readme = readmeText();
    EXPECT_EQ(readme.count(QStringLiteral("\r\n")), readme.count(QLatin1Char('\n')));
    EXPECT_EQ(readme.count(QStringLiteral("\r\n")), readme.count(QLatin1Char('\r')));
    EXPECT_EQ(text->blockCount(), readme.count(QStringLiteral("\r\n")) + 1);
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
