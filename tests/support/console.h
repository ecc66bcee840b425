#pragma once

#include "app/console/headless.h"
#include "support/quorviltest.h"
#include "util/fileio.h"

#include <fcntl.h>

inline Headless& QuorvilTest::console(std::vector<std::shared_ptr<TickSink>> sinks)
{
    Options options;
    options.mode = Options::Mode::Headless;
    consoleFd = FileDescriptor(openFile(consoleLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
    headless = std::make_shared<Headless>(
        HeadlessServices{joystick, store, clock, consoleFd.get(),
                         [this](const std::string& r) { reports.push_back(r); }, std::move(sinks)},
        options);
    return *headless;
}
