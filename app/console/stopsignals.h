#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>
#include <string>

// SIGINT and SIGTERM only ask: the handler writes a byte, and stop runs on the event loop, so
// that the program ends the way it does when the user ends it (files closed, removed). One per
// process, made once the application object exists.
class StopSignals final {
public:
    // None with the reason in error when the signals cannot be taken.
    static std::unique_ptr<StopSignals> install(std::function<void()> stop, std::string* error);
    ~StopSignals();

private:
    StopSignals() = default;

    int m_fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};
