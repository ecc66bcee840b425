#include "app/iconmodule.h"

#include "app/appresources.h"
#include "app/windowstate.h"
#include "app/x11requests.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QTextDocument>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {

// LastState is never "minimized"; anything but maximized brings the window back normal.
int restoredState(int lastState)
{
    return lastState == StateMaximized ? StateMaximized : StateNormal;
}

// Whether the icon is the toolkit's own X11 one, whose balloon shows a message as plain text,
// rather than one of a desktop's notification service, which reads the message as markup.
bool balloonMessages()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(),
                       [](const QWidget* w) { return w->inherits("QSystemTrayIconSys"); });
}

} // namespace

QString plainTooltip(const QString& text)
{
    // On one line, as the plain tooltip would be: the paragraph would otherwise wrap it.
    return Qt::mightBeRichText(text)
               ? QStringLiteral("<p style='white-space:pre'>%1</p>").arg(text.toHtmlEscaped())
               : text;
}

iconModule::iconModule(QObject* parent) : QObject(parent) {}

iconModule::~iconModule()
{
    RemoveTrayIcon();
}

void iconModule::AddTrayIcon(QWidget* window, QMenu* menu, LastStateReader lastState)
{
    RemoveTrayIcon();
    m_form = window;
    m_menu = menu;
    m_lastState = std::move(lastState);
    if (!window || !QSystemTrayIcon::isSystemTrayAvailable())
        return;

    const QIcon icon = window->windowIcon().isNull() ? programIcon() : window->windowIcon();
    m_icon = new QSystemTrayIcon(icon, this);
    // No setContextMenu: the X11 tray would pop it up by itself on top of ours.
    connect(m_icon, &QSystemTrayIcon::activated, this, &iconModule::trayActivated);
    m_icon->setToolTip(plainTooltip(m_tooltip));
    m_icon->show();
}

void iconModule::SetTrayTooltip(const QString& text)
{
    m_tooltip = text.left(TooltipLength);
    if (!m_tooltip.isEmpty() && m_tooltip.back().isHighSurrogate())
        m_tooltip.chop(1);
    if (m_icon)
        m_icon->setToolTip(plainTooltip(m_tooltip));
}

void iconModule::RemoveTrayIcon()
{
    if (!m_icon)
        return;
    m_icon->hide();
    delete m_icon;
    m_icon = nullptr;
}

bool iconModule::notify(const QString& title, const QString& text)
{
    if (!m_icon)
        return false;
    m_icon->showMessage(title, balloonMessages() ? text : text.toHtmlEscaped(),
                        QSystemTrayIcon::Warning);
    return true;
}

void iconModule::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
    // On X11 the second press of a double click arrives only as DoubleClick, after the
    // first press's Trigger: handling both like a click restores once and activates twice.
    case QSystemTrayIcon::DoubleClick:
        restoreAndActivate();
        break;
    case QSystemTrayIcon::Context:
        showTrayMenu();
        break;
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        break;
    }
}

void iconModule::restoreAndActivate()
{
    if (!m_form)
        return;
    if (formWindowState(m_form) == StateMinimized)
        setFormWindowState(m_form, restoredState(m_lastState ? m_lastState() : StateNormal));
    // While a modal box is open (the start-up's driver check) the window cannot take the focus.
    if (QApplication::activeModalWidget())
        return;
    m_form->show();
    m_form->raise();
    m_form->activateWindow();
}

void iconModule::showTrayMenu()
{
    if (m_menu)
        m_menu->popup(QCursor::pos());
}

void trayRestore(QWidget* form, int lastState)
{
    const bool minimized = formWindowState(form) == StateMinimized;
    setFormWindowState(form, minimized ? restoredState(lastState) : StateNormal);
    form->show();
    form->activateWindow();
}

bool trayMove(QWidget* form, X11Requests* x11)
{
    QWindow* window = form->windowHandle();
    if (!window)
        return false;
    if (x11 && requestKeyboardMode(*x11, std::uint32_t(window->winId()), KeyboardMode::Move))
        return true;
    // Window managers may ignore a move that no pressed mouse button drives, and some
    // platforms (offscreen, several Wayland compositors) do not offer it at all.
    return window->startSystemMove();
}

bool traySize(QWidget* form, X11Requests* x11)
{
    QWindow* window = form->windowHandle();
    if (!window)
        return false;
    if (x11 && requestKeyboardMode(*x11, std::uint32_t(window->winId()), KeyboardMode::Size))
        return true;
    return window->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
}

void trayMinimize(QWidget* form)
{
    setFormWindowState(form, StateMinimized);
}

void trayMaximize(QWidget* form)
{
    setFormWindowState(form, StateMaximized);
}
