#include "app/console/stopsignals.h"

#include "util/fileio.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalWriter = -1;

void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalWriter, &byte, 1);
}

} // namespace

std::unique_ptr<StopSignals> StopSignals::install(std::function<void()> stop, std::string* error)
{
    std::unique_ptr<StopSignals> taken(new StopSignals);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, taken->m_fds) != 0) {
        *error = errnoText();
        return nullptr;
    }
    signalWriter = taken->m_fds[0];
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    taken->m_notifier = std::make_unique<QSocketNotifier>(taken->m_fds[1], QSocketNotifier::Read);
    QObject::connect(taken->m_notifier.get(), &QSocketNotifier::activated,
                     [stop = std::move(stop)] { stop(); });
    return taken;
}

StopSignals::~StopSignals()
{
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signalWriter = -1;
    m_notifier.reset();
    for (const int fd : m_fds)
        if (fd >= 0)
            ::close(fd);
}
