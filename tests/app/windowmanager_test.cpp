#include "app/windowstate.h"
#include "support/quorviltest.h"

#include <QGuiApplication>
#include <cstdlib>

namespace {

// What only a real window manager shows; the scenario tests/e2e/windowmanager.sh runs these
// under Xvfb and openbox, and they are skipped everywhere else.
class UnderWindowManager : public QuorvilTest {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb") ||
            !std::getenv("QUORVIL_TEST_WINDOW_MANAGER"))
            GTEST_SKIP() << "needs an X server with a window manager";
    }
};

} // namespace

// A tray Minimize of a maximized window, with the window manager's answers all in, and then
// Restore or a click on the icon: the window comes back maximized every time.
TEST_F(UnderWindowManager, trayRestoreBringsBackTheMaximizedWindow)
{
    Quorvil& q = loaded();
    q.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&q));
    const auto maximized = [&] {
        return q.windowState() == Qt::WindowMaximized && q.width() > 2 * Quorvil::FormClientWidth &&
               q.isActiveWindow();
    };
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE(round);
        q.mnuTrayMaximize_Click();
        ASSERT_TRUE(QTest::qWaitFor(maximized, 5000));
        q.mnuTrayMinimize_Click();
        // The window manager's answers come over a while: take them all in, as when a user
        // comes back to the window later.
        QTest::qWait(200);
        ASSERT_EQ(formWindowState(&q), StateMinimized);
        EXPECT_EQ(q.LastState, StateMaximized);
        if (round % 2)
            q.mnuTrayRestore_Click();
        else
            q.tray().trayActivated(QSystemTrayIcon::Trigger);
        ASSERT_TRUE(QTest::qWaitFor(maximized, 5000)) << "window state " << int(q.windowState());
    }
}
