#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>

class QMenu;
class QWidget;
class X11Requests;

// The notification-area icon of the main window and the handling of its clicks.
class iconModule final : public QObject {
    Q_OBJECT

public:
    // Reads the main window's LastState (0 normal, 2 maximized) at the moment of a click.
    using LastStateReader = std::function<int()>;

    // The tooltip field holds 64 bytes with a terminator.
    static constexpr int TooltipLength = 63;

    explicit iconModule(QObject* parent = nullptr);
    ~iconModule() override;

    void AddTrayIcon(QWidget* window, QMenu* menu, LastStateReader lastState);
    void SetTrayTooltip(const QString& text);
    void RemoveTrayIcon();
    // A passing message from the icon; false where there is no notification area.
    bool notify(const QString& title, const QString& text);

    // True while an icon is in the notification area; false where the desktop has none.
    bool hasTrayIcon() const { return m_icon != nullptr; }
    QString trayTooltip() const { return m_tooltip; }

    // What a click on the icon does; public so that it can be driven without a tray.
    void trayActivated(QSystemTrayIcon::ActivationReason reason);

private:
    void restoreAndActivate();
    void showTrayMenu();

    QPointer<QWidget> m_form;
    QPointer<QMenu> m_menu;
    LastStateReader m_lastState;
    QSystemTrayIcon* m_icon = nullptr;
    QString m_tooltip;
};

// A tooltip that shows text exactly as it is, where the toolkit would read tags in it (a sensor
// named "a<b>x</b>").
QString plainTooltip(const QString& text);

// The tray menu's window commands, for the main window's handlers. Restore brings a minimized
// window back to lastState (0 normal, 2 maximized), as a click on the icon does, and makes a
// maximized one normal.
void trayRestore(QWidget* form, int lastState);
// The window manager's keyboard move and size modes, asked for through x11 where it offers them
// (x11 may be nullptr), else the toolkit's own interactive move and size. Both return false
// where the window system declines.
bool trayMove(QWidget* form, X11Requests* x11);
bool traySize(QWidget* form, X11Requests* x11);
void trayMinimize(QWidget* form);
void trayMaximize(QWidget* form);
