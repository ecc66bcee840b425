#include "app/appresources.h"
#include "app/forms.h"
#include "app/frmabout.h"
#include "app/frmhelp.h"
#include "app/messagebox.h"
#include "support/fakex11requests.h"
#include "support/quorviltest.h"

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The secondary windows as the main window's commands open them; each test closes what it opens.
template <class Window> Window* open()
{
    static FormRegistry forms;
    forms.setFactory(QStringLiteral("window"), [] { return new Window; });
    QWidget* window = forms.show(QStringLiteral("window"));
    QApplication::processEvents();
    return static_cast<Window*>(window);
}

} // namespace

TEST(AboutWindow, usesTheInstalledDisplayFaceCannotResizeAndBothCloseWaysUnload)
{
    QPointer<frmAbout> about = open<frmAbout>();
    EXPECT_EQ(QFontInfo(about->Label1->font()).family(), QStringLiteral("Leckerli One"));
    EXPECT_EQ(about->minimumSize(), about->maximumSize());
    EXPECT_FALSE(about->Image1->pixmap().isNull());
    QTest::mouseClick(about->Command1, Qt::LeftButton);
    flushDeletes();
    EXPECT_TRUE(about.isNull());
    about = open<frmAbout>();
    about->close(); // what the title bar's close box does
    flushDeletes();
    EXPECT_TRUE(about.isNull());
}

TEST(AboutWindow, takesCaptionAndIconOffItsTitleBar)
{
    FakeX11Requests x11;
    frmAbout about(&x11);
    const QString window = QString::number(about.winId());
    EXPECT_EQ(x11.sent,
              QStringList({window + " _NET_WM_NAME UTF8_STRING \"\"",
                           window + " WM_NAME STRING \"\"", window + " delete _NET_WM_ICON"}));
}

TEST(ReadMeWindow, textIsReadOnlySelectableAndShownFromTheTopAtEachOpening)
{
    QPointer<frmHelp> help = open<frmHelp>();
    QPlainTextEdit* text = help->txtFile;
    const QString before = text->toPlainText();
    QTest::keyClicks(text, QStringLiteral("typed"));
    QTest::keyClick(text, Qt::Key_Delete);
    QTest::keyClick(text, Qt::Key_Backspace);
    EXPECT_EQ(text->toPlainText(), before);
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), before);

    ASSERT_GT(text->verticalScrollBar()->maximum(), 0) << "the text should need scrolling";
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
    text->moveCursor(QTextCursor::End);
    QTest::mouseClick(help->cmdClose, Qt::LeftButton);
    flushDeletes();
    ASSERT_TRUE(help.isNull());

    help = open<frmHelp>();
    EXPECT_EQ(help->focusWidget(), help->txtFile);
    EXPECT_EQ(help->txtFile->verticalScrollBar()->value(), 0);
    EXPECT_EQ(help->txtFile->textCursor().position(), 0);
    help->close();
    flushDeletes();
}

TEST(ReadMeText, coversEverySectionInOrderOneLinePerCrLfAndNamesNoAddress)
{
    const QString text = readmeText();
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), text.count(QLatin1Char('\n')));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), text.count(QLatin1Char('\r')));
    // A CR LF pair must not turn into two line breaks in the control.
    EXPECT_EQ(frmHelp().txtFile->blockCount(), text.count(QStringLiteral("\r\n")) + 1);

    qsizetype at = 0;
    for (const char* heading :
         {"Quorvil4", "INTRODUCTION", "USABLE RANGES", "OFFSETS", "HARDWARE SETUP", "DRIVER SETUP",
          "JOYSTICKS ON LINUX", "PROGRAM SETUP", "SETTING THE COEFFICIENTS", "PROGRAM DOCKING",
          "LOGGING", "REGISTRY", "GRAPH", "SIMULATION", "ERROR MESSAGES"}) {
        const qsizetype found = text.indexOf(QString::fromLatin1(heading), at);
        EXPECT_GE(found, at) << heading;
        at = std::max(found, at);
    }
    for (const char* fact :
         {"user.reg", "QuorvilLog.csv", "--simulate=FILE", "ID RESULT X Y", "--calibrate",
          "HKEY_CURRENT_USER\\Software\\Norvalde\\Quorvil4", "port status: joyGetPosEx error"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(fact))) << fact;
    for (const char* address : {"http", "www.", ".com", ".org", "@"})
        EXPECT_FALSE(text.contains(QString::fromLatin1(address), Qt::CaseInsensitive)) << address;
}

TEST(ProgramIcon, isThirtyTwoPixelsInTheSixteenVgaColours)
{
    EXPECT_EQ(QImage(QStringLiteral(":/icons/quorvil4.png")).size(), QSize(32, 32));
    EXPECT_EQ(aboutPicture().size(), QSize(72, 72));
    const QList<QRgb> vga = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    for (const char* name : {":/icons/quorvil4.png", ":/icons/quorvil4-48.png",
                             ":/icons/quorvil4-64.png", ":/icons/quorvil4-128.png"}) {
        const QImage image =
            QImage(QString::fromLatin1(name)).convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(image.isNull()) << name;
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb px = image.pixel(x, y);
                opaque += qAlpha(px) != 0;
                EXPECT_TRUE(qAlpha(px) == 0 || vga.contains(px)) << name << " at " << x << "," << y;
            }
        EXPECT_GT(opaque, image.width() * image.height() / 3) << name;
    }
}

TEST(MessageBoxes, eachLineOfTheDriverPromptStaysOneLine)
{
    int lines = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        const QLabel* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        lines = label->height() / label->fontMetrics().lineSpacing();
        box->close();
    });
    QTimer guard; // a box that never opens must not keep the test waiting
    guard.callOnTimeout([] { QApplication::closeAllWindows(); });
    guard.start(5000);
    QtMessageBoxes().MsgBox(
        QStringLiteral("Couldn't detect the Gameport Driver for 1 and 2.  Make sure "
                       "gameport driver is installed.\r\nDo you want to view "
                       "Quorvil4 anyway?"),
        msgbox::YesNo + msgbox::Exclamation, {});
    EXPECT_EQ(lines, 2);
}
