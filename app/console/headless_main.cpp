#include "app/console/commands.h"
#include "app/console/headless.h"
#include "app/console/ticksinks.h"
#include "settings/hivefile.h"
#include "util/userfolders.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <iostream>
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

// The console mode on its own, without the widget libraries, so that logging on a small board
// costs little memory. quorvil4 --headless starts it.
int main(int argc, char** argv)
{
    std::string error;
    std::optional<Options> options = parseOptions({argv + 1, argv + argc}, &error);
    if (!options) {
        std::fprintf(stderr, "quorvil4: %s", error.c_str());
        return 2;
    }
    if (const std::optional<int> status = runCommand(*options, std::cout, std::cerr))
        return *status;

    QCoreApplication app(argc, argv);
    // A closed standard output shows as a failed write, not as a fatal signal.
    std::signal(SIGPIPE, SIG_IGN);
    int stopPipe[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, stopPipe) != 0) {
        std::perror("quorvil4");
        return 1;
    }
    signalWriter = stopPipe[0];
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // The signal only asks; the line being written is finished first.
    QSocketNotifier stop(stopPipe[1], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, [&app] { app.exit(0); });

    const auto report = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    Headless headless(
        {joystickFor(*options), std::make_shared<HiveFileRegistry>(defaultHivePath()), nullptr,
         STDOUT_FILENO, report,
         makeTickSinks(*options, std::make_shared<HiveFileRegistry>(defaultHivePath()),
                       programDataFolder(), report)},
        *options);
    QObject::connect(&headless, &Headless::finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    if (!headless.start())
        return headless.status();
    return app.exec();
}
