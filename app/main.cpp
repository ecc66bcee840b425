#include "app/appresources.h"
#include "app/folders.h"
#include "app/messagebox.h"
#include "app/options.h"
#include "app/quorvil.h"
#include "sensors/evdevjoystick.h"
#include "sensors/scriptedport.h"
#include "sensors/simulatedport.h"
#include "settings/hivefile.h"

#include <QApplication>
#include <cstdio>

namespace {

std::shared_ptr<JoystickService> joystickFor(const Options& options)
{
    switch (options.port) {
    case Options::Port::Simulated:
        return std::make_shared<SimulatedPort>();
    case Options::Port::Scripted:
        return std::make_shared<ScriptedPort>(options.scriptFile);
    case Options::Port::Hardware:
        break;
    }
    return std::make_shared<EvdevJoystickService>();
}

} // namespace

int main(int argc, char** argv)
{
    FontConfigWarmup fonts;
    QApplication app(argc, argv);
    fonts.wait();
    QApplication::setOrganizationName(QString::fromLatin1(registry::DefaultCompany));
    QApplication::setApplicationName(QString::fromLatin1(registry::ProductName));
    QApplication::setWindowIcon(programIcon());
    useProgramFont();
    useProgramStyle();

    QString error;
    const std::optional<Options> options = parseOptions(QApplication::arguments().mid(1), &error);
    if (!options) {
        std::fprintf(stderr, "quorvil4: %s\n", qPrintable(error));
        return 2;
    }

    QtMessageBoxes messageBoxes;
    Quorvil form({joystickFor(*options), std::make_shared<HiveFileRegistry>(defaultHivePath()),
                  &messageBoxes, dataFolder(), x11Requests()});
    if (form.Form_Load() == Quorvil::LoadResult::EndProgram)
        return 0;
    // The toolkit's own rule would end the program while a tool window such as About is open.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&form, &Quorvil::allFormsUnloaded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    form.show();
    return app.exec();
}
