#pragma once

#include <QStringList>
#include <optional>
#include <string>

// The command line: nothing, --simulate, or --simulate=FILE.
struct Options {
    enum class Port { Hardware, Simulated, Scripted };
    Port port = Port::Hardware;
    std::string scriptFile; // for Port::Scripted
};

// arguments without the program name. None, with error set, for anything else.
std::optional<Options> parseOptions(const QStringList& arguments, QString* error);
