#include "app/iconmodule.h"
#include "app/windowstate.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMenu>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Counts the window-state changes a window goes through.
class StateChangeCounter final : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowStateChange)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

class TrayClicks : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<QWidget>();
        form->setWindowTitle(QStringLiteral("main"));
        form->resize(300, 100);
        form->show();
        menu = std::make_unique<QMenu>();
        menu->addAction(QStringLiteral("&Restore"));
        tray.AddTrayIcon(form.get(), menu.get(), [this] { return lastState; });
        tray.SetTrayTooltip(QStringLiteral("Quorvil"));
    }

    void TearDown() override
    {
        menu->hide();
        tray.RemoveTrayIcon();
    }

    void minimizeFrom(int state)
    {
        setFormWindowState(form.get(), state);
        lastState = state;
        setFormWindowState(form.get(), StateMinimized);
        QApplication::processEvents();
    }

    bool formIsActive()
    {
        QApplication::processEvents();
        return QApplication::activeWindow() == form.get();
    }

    std::unique_ptr<QWidget> form;
    std::unique_ptr<QMenu> menu;
    iconModule tray;
    int lastState = StateNormal;
};

} // namespace

TEST_F(TrayClicks, leftClickRestoresMinimizedWindowToLastStateAndActivates)
{
    for (int state : {StateNormal, StateMaximized}) {
        minimizeFrom(state);
        tray.trayActivated(QSystemTrayIcon::Trigger);
        EXPECT_EQ(formWindowState(form.get()), state);
        EXPECT_TRUE(formIsActive());
    }
}

TEST_F(TrayClicks, leftClickOnNormalWindowBehindAnotherOnlyActivates)
{
    QWidget other;
    other.show();
    other.activateWindow();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), &other);

    StateChangeCounter counter;
    form->installEventFilter(&counter);
    tray.trayActivated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(counter.count, 0);
    EXPECT_EQ(formWindowState(form.get()), StateNormal);
    EXPECT_TRUE(formIsActive());
}

TEST_F(TrayClicks, doubleClickRestoresOnce)
{
    minimizeFrom(StateMaximized);
    StateChangeCounter counter;
    form->installEventFilter(&counter);
    // What X11 delivers for a double click: the first press, then the double click.
    tray.trayActivated(QSystemTrayIcon::Trigger);
    tray.trayActivated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(counter.count, 1);
    EXPECT_EQ(formWindowState(form.get()), StateMaximized);
    EXPECT_TRUE(formIsActive());
}

TEST_F(TrayClicks, aMinimizedLastStateStillBringsTheWindowBack)
{
    minimizeFrom(StateNormal);
    lastState = StateMinimized;
    tray.trayActivated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(formWindowState(form.get()), StateNormal);
}

TEST_F(TrayClicks, rightClickPopsUpTheMenuAndOtherReasonsDoNothing)
{
    minimizeFrom(StateNormal);
    tray.trayActivated(QSystemTrayIcon::MiddleClick);
    tray.trayActivated(QSystemTrayIcon::Unknown);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(formWindowState(form.get()), StateMinimized);

    tray.trayActivated(QSystemTrayIcon::Context);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(formWindowState(form.get()), StateMinimized);
}

TEST_F(TrayClicks, leftClickDuringModalBoxRestoresWithoutActivating)
{
    minimizeFrom(StateNormal);
    QDialog box;
    box.setModal(true);
    box.show();
    QApplication::processEvents();
    tray.trayActivated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(formWindowState(form.get()), StateNormal);
    EXPECT_FALSE(formIsActive());
}

TEST_F(TrayClicks, clicksAfterTheWindowIsGoneAreHarmless)
{
    form.reset();
    menu.reset();
    tray.trayActivated(QSystemTrayIcon::Trigger);
    tray.trayActivated(QSystemTrayIcon::Context);
    menu = std::make_unique<QMenu>();
}

TEST(TrayIcon, withoutNotificationAreaNothingFails)
{
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()); // offscreen has no tray
    QWidget form;
    QMenu menu;
    iconModule tray;
    tray.AddTrayIcon(&form, &menu, [] { return StateNormal; });
    tray.SetTrayTooltip(QStringLiteral("Quorvil"));
    EXPECT_FALSE(tray.hasTrayIcon());
    EXPECT_EQ(tray.trayTooltip(), QStringLiteral("Quorvil"));
    tray.RemoveTrayIcon();
    tray.RemoveTrayIcon();
    EXPECT_FALSE(tray.hasTrayIcon());
}

TEST(TrayIcon, tooltipKeepsItsFirst63Characters)
{
    iconModule tray;
    const QString seventy = QString(60, QLatin1Char('a')) + QStringLiteral("0123456789");
    tray.SetTrayTooltip(seventy);
    EXPECT_EQ(tray.trayTooltip(), seventy.left(63));
    tray.SetTrayTooltip(QString(63, QLatin1Char('b')));
    EXPECT_EQ(tray.trayTooltip().size(), 63);

    // A character outside the basic plane is never cut in half.
    tray.SetTrayTooltip(QString(62, QLatin1Char('c')) + QString::fromUtf8("\xF0\x9F\x8C\xA1"));
    EXPECT_EQ(tray.trayTooltip(), QString(62, QLatin1Char('c')));
}

TEST(TrayMenuCommands, minimizeMaximizeAndRestoreChangeTheState)
{
    QWidget form;
    form.show();
    trayMinimize(&form);
    EXPECT_EQ(formWindowState(&form), StateMinimized);
    trayRestore(&form);
    EXPECT_EQ(formWindowState(&form), StateNormal);
    trayMaximize(&form);
    EXPECT_EQ(formWindowState(&form), StateMaximized);
    trayRestore(&form);
    EXPECT_EQ(formWindowState(&form), StateNormal);
}

TEST(TrayMenuCommands, moveAndSizeFailQuietlyWhereThePlatformDeclines)
{
    QWidget hidden;
    EXPECT_FALSE(trayMove(&hidden));
    EXPECT_FALSE(traySize(&hidden));
    QWidget shown;
    shown.show();
    EXPECT_FALSE(trayMove(&shown)); // offscreen offers no interactive move or resize
    EXPECT_FALSE(traySize(&shown));
    EXPECT_EQ(formWindowState(&shown), StateNormal);
}
