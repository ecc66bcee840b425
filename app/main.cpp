#include "app/appresources.h"
#include "app/console/commands.h"
#include "app/console/sinks.h"
#include "app/console/stopsignals.h"
#include "app/display.h"
#include "app/folders.h"
#include "app/messagebox.h"
#include "app/quorvil.h"
#include "settings/hivefile.h"
#include "util/fileio.h"

#include <QApplication>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <malloc.h>
#include <sstream>
#include <unistd.h>

namespace {

// The console mode and the history's recorder are programs of their own, beside this one in the
// build and under libexec once installed; none when neither place has it.
std::optional<std::filesystem::path> helperProgram(const char* name)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = fs::read_symlink("/proc/self/exe", ec).parent_path();
    for (const fs::path& candidate : {folder / name, folder / QUORVIL_LIBEXEC_FROM_BIN / name})
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    return std::nullopt;
}

// The console mode has none of the widget libraries.
int runConsoleMode(char** argv)
{
    const std::optional<std::filesystem::path> program = helperProgram("quorvil4-headless");
    if (!program) {
        std::fprintf(stderr, "quorvil4: the console mode (quorvil4-headless) is not installed\n");
        return 1;
    }
    ::execv(program->c_str(), argv);
    std::fprintf(stderr, "quorvil4: cannot start %s: %s\n", program->c_str(), std::strerror(errno));
    return 1;
}

// Only here, never on the way to the window: a stream builds the C++ locale, half a MiB of
// library pages that the window would otherwise keep for nothing.
int runCommandOnStandardFiles(const Options& options)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = runCommand(options, out, err).value_or(0);
    std::fputs(out.str().c_str(), stdout);
    std::fputs(err.str().c_str(), stderr);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    keepStandardDescriptorsOpen();
    std::string error;
    const std::optional<Options> options = parseOptions({argv + 1, argv + argc}, &error);
    if (!options) {
        std::fprintf(stderr, "quorvil4: %s", error.c_str());
        return 2;
    }
    if (options->mode == Options::Mode::Headless)
        return runConsoleMode(argv);
    if (options->mode != Options::Mode::Window)
        return runCommandOnStandardFiles(*options);
    DisplayCheck display;
    if (display.problem()) {
        std::fprintf(stderr, "quorvil4: %s\n", display.problem()->c_str());
        return 1;
    }

    // A file-size limit reached by the log is a failure reported like a full disk, not the end
    // of the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // One heap for every thread: the font warm-up would otherwise leave an arena of its own
    // behind, whose freed pages the main thread never reuses.
    mallopt(M_ARENA_MAX, 1);
    FontConfigWarmup fonts;
    QApplication app(argc, argv);
    display.release();
    fonts.wait();
    QApplication::setOrganizationName(QString::fromLatin1(registry::DefaultCompany));
    QApplication::setApplicationName(QString::fromLatin1(registry::ProductName));
    QApplication::setWindowIcon(programIcon());
    useProgramFont();
    useProgramStyle();

    QtMessageBoxes messageBoxes;
    // Told after the tick that found it: a modal box must not sit inside a tick.
    const auto tell = [&messageBoxes](const std::string& line) {
        QString text = QString::fromStdString(line);
        if (!text.isEmpty())
            text[0] = text[0].toUpper();
        messageBoxes.MsgBox(text, msgbox::OkOnly | msgbox::Exclamation, QStringLiteral("Quorvil4"));
    };
    Quorvil* window = nullptr;
    const auto settings = std::make_shared<HiveFileRegistry>(defaultHivePath());
    // Without its recorder program the window records in its own process, as the console does.
    std::optional<RecorderProgram> recorder;
    if (const std::optional<std::filesystem::path> program = helperProgram("quorvil4-recorder"))
        recorder = RecorderProgram{*program, settings->file()};
    TickSinks sinks = makeTickSinks(
        *options, settings, dataFolder(),
        [&app, &window, tell](const SinkReport& news) {
            // A connection that comes and goes is news for the tooltip, not for a box.
            if (news.connected) {
                std::fprintf(stderr, "quorvil4: %s\n", news.line.c_str());
                if (window)
                    window->setServiceNote(*news.connected ? QStringLiteral("MQTT back")
                                                           : QStringLiteral("MQTT lost"));
                return;
            }
            QTimer::singleShot(0, &app, [tell, line = news.line] { tell(line); });
        },
        recorder);
    for (const std::string& warning : sinks.warnings)
        std::fprintf(stderr, "quorvil4: %s\n", warning.c_str());
    for (const std::string& failure : sinks.failures)
        tell(failure);
    Quorvil form({joystickFor(*options, settings), settings, &messageBoxes, dataFolder(), nullptr,
                  x11Requests(), std::move(sinks.sinks)});
    window = &form;
    if (form.Form_Load() == Quorvil::LoadResult::EndProgram)
        return 0;
    // A signal ends the program as the tray's Close does, so that files it made are removed.
    const std::unique_ptr<StopSignals> stop =
        StopSignals::install([&form] { form.UnloadAllForms(); }, &error);
    // The toolkit's own rule would end the program while a tool window such as About is open.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&form, &Quorvil::allFormsUnloaded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    form.show();
    return app.exec();
}
