#include "app/appresources.h"
#include "app/console/commands.h"
#include "app/console/ticksinks.h"
#include "app/display.h"
#include "app/folders.h"
#include "app/messagebox.h"
#include "app/quorvil.h"
#include "settings/hivefile.h"

#include <QApplication>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <malloc.h>
#include <sstream>
#include <unistd.h>

namespace {

// The console mode is a program of its own without the widget libraries, beside this one in
// the build and under libexec once installed.
int runConsoleMode(char** argv)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = fs::read_symlink("/proc/self/exe", ec).parent_path();
    for (const fs::path& candidate :
         {folder / "quorvil4-headless", folder / QUORVIL_LIBEXEC_FROM_BIN / "quorvil4-headless"}) {
        if (::access(candidate.c_str(), X_OK) == 0) {
            ::execv(candidate.c_str(), argv);
            std::fprintf(stderr, "quorvil4: cannot start %s: %s\n", candidate.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    std::fprintf(stderr, "quorvil4: the console mode (quorvil4-headless) is not installed\n");
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
    // Told after the tick that found it, never inside it.
    const auto reportHistory = [&messageBoxes](const std::string& line) {
        QTimer::singleShot(0, [&messageBoxes, line] {
            messageBoxes.MsgBox(QString::fromStdString(line), msgbox::Exclamation,
                                QStringLiteral("Quorvil4"));
        });
    };
    Quorvil form({joystickFor(*options), std::make_shared<HiveFileRegistry>(defaultHivePath()),
                  &messageBoxes, dataFolder(), nullptr, x11Requests(),
                  makeTickSinks(*options, std::make_shared<HiveFileRegistry>(defaultHivePath()),
                                dataFolder(), reportHistory)});
    if (form.Form_Load() == Quorvil::LoadResult::EndProgram)
        return 0;
    // The toolkit's own rule would end the program while a tool window such as About is open.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&form, &Quorvil::allFormsUnloaded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    form.show();
    return app.exec();
}
