#include "app/console/commands.h"
#include "app/console/headless.h"
#include "app/console/sinks.h"
#include "app/console/stopsignals.h"
#include "settings/hivefile.h"
#include "util/fileio.h"
#include "util/userfolders.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <unistd.h>

// The console mode on its own, without the widget libraries, so that logging on a small board
// costs little memory. quorvil4 --headless starts it.
int main(int argc, char** argv)
{
    keepStandardDescriptorsOpen();
    std::string error;
    std::optional<Options> options = parseOptions({argv + 1, argv + argc}, &error);
    if (!options) {
        std::fprintf(stderr, "quorvil4: %s", error.c_str());
        return 2;
    }
    if (const std::optional<int> status = runCommand(*options, std::cout, std::cerr))
        return *status;

    QCoreApplication app(argc, argv);
    // A closed standard output, or a file-size limit reached, shows as a failed write that is
    // reported and leaves the log whole, not as a fatal signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    // The signal only asks; the line being written is finished first.
    const std::unique_ptr<StopSignals> stop = StopSignals::install([&app] { app.exit(0); }, &error);
    if (!stop) {
        std::fprintf(stderr, "quorvil4: %s\n", error.c_str());
        return 1;
    }
    const auto report = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    const auto settings = std::make_shared<HiveFileRegistry>(defaultHivePath());
    // Before the console mode, which holds them too: they go after it, saying goodbye.
    TickSinks sinks =
        makeTickSinks(*options, settings, programDataFolder(),
                      [&report](const SinkReport& news) { report("quorvil4: " + news.line); });
    for (const std::string& warning : sinks.warnings)
        report("quorvil4: " + warning);
    for (const std::string& failure : sinks.failures)
        report("quorvil4: " + failure);
    if (!sinks.failures.empty())
        return 1;

    Headless headless({joystickFor(*options, settings), settings, nullptr, STDOUT_FILENO, report,
                       std::move(sinks.sinks)},
                      *options);
    QObject::connect(&headless, &Headless::finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    if (!headless.start())
        return headless.status();
    return app.exec();
}
