#include "app/forms.h"

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
