#include "app/appresources.h"
#include "app/forms.h"
#include "app/frmabout.h"
#include "app/frmhelp.h"

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The secondary windows as the main window's commands open them.
FormRegistry& programWindows()
{
    static FormRegistry forms;
    forms.setFactory(QStringLiteral("frmAbout"), [] { return new frmAbout; });
    forms.setFactory(QStringLiteral("frmHelp"), [] { return new frmHelp; });
    return forms;
}

frmAbout* showAbout()
{
    return static_cast<frmAbout*>(programWindows().show(QStringLiteral("frmAbout")));
}

frmHelp* showHelp()
{
    return static_cast<frmHelp*>(programWindows().show(QStringLiteral("frmHelp")));
}

} // namespace

TEST(AboutWindow, titleUsesTheInstalledDisplayFaceAndTheWindowCannotResize)
{
    frmAbout about;
    EXPECT_EQ(QFontInfo(about.Label1->font()).family(), QStringLiteral("Leckerli One"));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_FALSE(about.Image1->pixmap().isNull());
}

TEST(AboutWindow, closeButtonAndTitleBarBothUnload)
{
    QPointer<frmAbout> slot = showAbout();
    QTest::mouseClick(slot->Command1, Qt::LeftButton);
    flushDeletes();
    EXPECT_TRUE(slot.isNull());

    slot = showAbout();
    slot->close(); // what the title bar's close box does
    flushDeletes();
    EXPECT_TRUE(slot.isNull());
}

TEST(SecondaryWindows, choosingTwiceGivesOneWindowEach)
{
    QPointer<frmAbout> about = showAbout();
    QPointer<frmHelp> help = showHelp();
    EXPECT_EQ(showAbout(), about);
    EXPECT_EQ(showHelp(), help);
    EXPECT_TRUE(help->isVisible());
    int helpWindows = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        helpWindows += qobject_cast<frmHelp*>(w) != nullptr;
    EXPECT_EQ(helpWindows, 1);
    about->close();
    help->close();
    flushDeletes();
}

TEST(ReadMeWindow, textIsReadOnlyButSelectableAndCopyable)
{
    QPointer<frmHelp> help = showHelp();
    QApplication::processEvents();
    const QString before = help->txtFile->toPlainText();
    QTest::keyClicks(help->txtFile, QStringLiteral("typed"));
    QTest::keyClick(help->txtFile, Qt::Key_Delete);
    QTest::keyClick(help->txtFile, Qt::Key_Backspace);
    EXPECT_EQ(help->txtFile->toPlainText(), before);

    QTest::keyClick(help->txtFile, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(help->txtFile->textCursor().selectedText().size(), before.size());
    QTest::keyClick(help->txtFile, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith(QStringLiteral("Quorvil4")));
    help->close();
    flushDeletes();
}

TEST(ReadMeWindow, reopeningShowsTheTextFromTheTopWithFocus)
{
    QPointer<frmHelp> help = showHelp();
    QApplication::processEvents();
    QScrollBar* bar = help->txtFile->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "the text should need scrolling";
    bar->setValue(bar->maximum());
    help->txtFile->moveCursor(QTextCursor::End);
    QTest::mouseClick(help->cmdClose, Qt::LeftButton);
    flushDeletes();
    ASSERT_TRUE(help.isNull());

    help = showHelp();
    QApplication::processEvents();
    EXPECT_EQ(help->focusWidget(), help->txtFile);
    EXPECT_EQ(help->txtFile->verticalScrollBar()->value(), 0);
    EXPECT_EQ(help->txtFile->textCursor().position(), 0);
    help->close();
    flushDeletes();
}

TEST(ReadMeText, linesEndInCrLfAndShowOnePerLine)
{
    const QString text = readmeText();
    ASSERT_FALSE(text.isEmpty());
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), text.count(QLatin1Char('\n')));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), text.count(QLatin1Char('\r')));

    frmHelp help;
    // A CR LF pair must not turn into two line breaks in the control.
    EXPECT_EQ(help.txtFile->blockCount(), text.count(QStringLiteral("\r\n")) + 1);
}

TEST(ReadMeText, coversEverySectionInOrderAndNamesNoAddress)
{
    const QString text = readmeText();
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
         {"user.reg", "QuorvilLog.csv", "--simulate=FILE", "ID RESULT X Y",
          "HKEY_CURRENT_USER\\Software\\Norvalde\\Quorvil4", "port status: joyGetPosEx error"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(fact))) << fact;
    for (const char* address : {"http", "www.", ".com", ".org", "@"})
        EXPECT_FALSE(text.contains(QString::fromLatin1(address), Qt::CaseInsensitive)) << address;
}

TEST(ProgramIcon, isThirtyTwoPixelsInTheSixteenVgaColours)
{
    EXPECT_TRUE(programIcon().availableSizes().contains(QSize(32, 32)));
    const QSet<QRgb> vga = {
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
                if (qAlpha(px) == 0)
                    continue;
                ++opaque;
                EXPECT_EQ(qAlpha(px), 255) << name;
                EXPECT_TRUE(vga.contains(px | 0xff000000u)) << name << " at " << x << "," << y;
            }
        EXPECT_GT(opaque, image.width() * image.height() / 3) << name;
    }
    EXPECT_EQ(QImage(QStringLiteral(":/icons/quorvil4.png")).size(), QSize(32, 32));
    EXPECT_EQ(aboutPicture().size(), QSize(72, 72));
}
