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
struct StateChangeCounter final : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::WindowStateChange;
        return false;
    }
};

class TrayClicks : public ::testing::Test {
protected:
    void SetUp() override
    {
        form->show();
        tray.AddTrayIcon(form.get(), menu.get(), [this] { return lastState; });
        form->installEventFilter(&changes);
    }

    void minimizeFrom(int state)
    {
        setFormWindowState(form.get(), state);
        lastState = state;
        setFormWindowState(form.get(), StateMinimized);
        QApplication::processEvents();
        changes.count = 0;
    }
    bool formIsActive()
    {
        QApplication::processEvents();
        return QApplication::activeWindow() == form.get();
    }

    std::unique_ptr<QWidget> form = std::make_unique<QWidget>();
    std::unique_ptr<QMenu> menu = std::make_unique<QMenu>();
    StateChangeCounter changes;
    iconModule tray;
    int lastState = StateNormal;
};

} // namespace

TEST_F(TrayClicks, leftOrDoubleClickRestoresAMinimizedWindowOnceToLastStateAndActivates)
{
    // Last state before minimizing, as recorded, and the state a click restores.
    const int rows[][3] = {{StateNormal, StateNormal, StateNormal},
                           {StateMaximized, StateMaximized, StateMaximized},
                           {StateNormal, StateMinimized, StateNormal}};
    for (const auto& [before, recorded, restored] : rows) {
        SCOPED_TRACE(testing::Message() << before << recorded);
        minimizeFrom(before);
        lastState = recorded;
        // What X11 delivers for a double click: the first press, then the double click.
        tray.trayActivated(QSystemTrayIcon::Trigger);
        EXPECT_EQ(formWindowState(form.get()), restored);
        tray.trayActivated(QSystemTrayIcon::DoubleClick);
        EXPECT_EQ(changes.count, 1);
        EXPECT_TRUE(formIsActive());
    }
    // A normal window behind another is only brought to the front.
    QWidget other;
    other.show();
    other.activateWindow();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), &other);
    changes.count = 0;
    tray.trayActivated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(changes.count, 0);
    EXPECT_TRUE(formIsActive());
}

TEST_F(TrayClicks, rightClickPopsUpTheMenuAndOtherReasonsDoNothing)
{
    minimizeFrom(StateNormal);
    tray.trayActivated(QSystemTrayIcon::MiddleClick);
    tray.trayActivated(QSystemTrayIcon::Unknown);
    EXPECT_FALSE(menu->isVisible());
    tray.trayActivated(QSystemTrayIcon::Context);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(changes.count, 0);
    menu->hide();
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

// Without a notification area or a window nothing fails; the tooltip keeps 63 characters and
// never cuts a character in half.
TEST_F(TrayClicks, withoutTrayOrWindowNothingFailsAndTheTooltipKeeps63Characters)
{
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()); // offscreen has no tray
    EXPECT_FALSE(tray.hasTrayIcon());
    const QString seventy = QString(60, QLatin1Char('a')) + QStringLiteral("0123456789");
    tray.SetTrayTooltip(seventy);
    EXPECT_EQ(tray.trayTooltip(), seventy.left(63));
    tray.SetTrayTooltip(QString(62, QLatin1Char('c')) + QString::fromUtf8("\xF0\x9F\x8C\xA1"));
    EXPECT_EQ(tray.trayTooltip(), QString(62, QLatin1Char('c')));
    form.reset();
    menu.reset();
    tray.trayActivated(QSystemTrayIcon::Trigger);
    tray.trayActivated(QSystemTrayIcon::Context);
    tray.RemoveTrayIcon();
}
