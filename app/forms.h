#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>

// The program's secondary windows by name ("frmGraph", "frmHelp", "frmAbout"), each loaded at
// most once. A window is loaded by its factory and unloaded when it closes.
class FormRegistry final {
public:
    using Factory = std::function<QWidget*()>;

    FormRegistry() = default;
    FormRegistry(const FormRegistry&) = delete;
    FormRegistry& operator=(const FormRegistry&) = delete;
    ~FormRegistry();

    void setFactory(const QString& name, Factory factory);
    // Called after a loaded window has gone.
    void setUnloadHandler(std::function<void()> handler) { m_unloaded = std::move(handler); }
    // Nullptr when the window is not loaded.
    QWidget* form(const QString& name) const;
    // Loads the window if it is not loaded, then shows and activates it. Nullptr when no
    // factory makes that window yet.
    QWidget* show(const QString& name);
    // Closes every loaded window; each one's own close handling runs.
    void unloadAll();
    QList<QWidget*> loaded() const;

private:
    struct Entry {
        Factory factory;
        QPointer<QWidget> window;
    };
    std::map<QString, Entry> m_entries;
    std::function<void()> m_unloaded;
    QList<QMetaObject::Connection> m_watches;
};
