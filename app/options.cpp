#include "app/options.h"

std::optional<Options> parseOptions(const QStringList& arguments, QString* error)
{
    static const QString simulate = QStringLiteral("--simulate");
    static const QString usage = QStringLiteral("usage: quorvil4 [--simulate | --simulate=FILE]");
    Options options;
    if (arguments.size() > 1) {
        *error = usage;
        return std::nullopt;
    }
    for (const QString& argument : arguments) {
        if (argument == simulate) {
            options.port = Options::Port::Simulated;
        } else if (argument.startsWith(simulate + QLatin1Char('='))) {
            const QString file = argument.mid(simulate.size() + 1);
            if (file.isEmpty()) {
                *error = QStringLiteral("--simulate= needs a file name\n") + usage;
                return std::nullopt;
            }
            options.port = Options::Port::Scripted;
            options.scriptFile = file.toStdString();
        } else {
            *error = QStringLiteral("unknown option: ") + argument + QLatin1Char('\n') + usage;
            return std::nullopt;
        }
    }
    return options;
}
