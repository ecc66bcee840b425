#include "app/forms.h"

FormRegistry::~FormRegistry()
{
    // A window may outlive the registry; its end must not call back into it.
    for (const QMetaObject::Connection& watch : m_watches)
        QObject::disconnect(watch);
}

void FormRegistry::setFactory(const QString& name, Factory factory)
{
    m_entries[name].factory = std::move(factory);
}

QWidget* FormRegistry::form(const QString& name) const
{
    const auto it = m_entries.find(name);
    return it == m_entries.end() ? nullptr : it->second.window.data();
}

QWidget* FormRegistry::show(const QString& name)
{
    Entry& entry = m_entries[name];
    if (!entry.window) {
        if (!entry.factory)
            return nullptr;
        entry.window = entry.factory();
        if (!entry.window)
            return nullptr;
        // Closing a window unloads it, so the next command loads it afresh.
        entry.window->setAttribute(Qt::WA_DeleteOnClose);
        QWidget* window = entry.window;
        m_watches.append(QObject::connect(window, &QObject::destroyed, [this, window] {
            // The slot may still point at the window while it is being destroyed.
            for (auto& [name, loaded] : m_entries)
                if (loaded.window == window)
                    loaded.window = nullptr;
            if (m_unloaded)
                m_unloaded();
        }));
    }
    entry.window->show();
    entry.window->raise();
    entry.window->activateWindow();
    return entry.window;
}

void FormRegistry::unloadAll()
{
    for (QWidget* window : loaded())
        window->close();
}

QList<QWidget*> FormRegistry::loaded() const
{
    QList<QWidget*> windows;
    for (const auto& [name, entry] : m_entries)
        if (entry.window)
            windows.append(entry.window);
    return windows;
}
