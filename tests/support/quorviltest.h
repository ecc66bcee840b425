#pragma once

#include "app/controls.h"
#include "app/quorvil.h"
#include "settings/regtree.h"
#include "support/fakejoystick.h"
#include "support/fakex11requests.h"
#include "support/fixedclock.h"
#include "support/recordedticks.h"
#include "support/scriptedmessageboxes.h"
#include "support/tempdir.h"
#include "util/fileio.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class Headless;

// Runs the deletions that closed windows have asked for.
inline void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A main window over fakes of every service, its log in a temporary folder.
class QuorvilTest : public testing::Test {
protected:
    Quorvil& make()
    {
        form = std::make_unique<Quorvil>(
            QuorvilServices{joystick, store, &boxes, logFolder.path(), clock, x11, {ticks}});
        return *form;
    }
    Quorvil& loaded()
    {
        make();
        EXPECT_EQ(form->Form_Load(), Quorvil::LoadResult::Run);
        return *form;
    }
    void put(const char* section, const char* key, const char* text)
    {
        registry(store).SaveSetting(section, key, text);
    }
    void tickBoth()
    {
        form->Timer1_Timer();
        form->Timer2_Timer();
    }
    // The console mode over the same fakes: its log goes to consoleLog, its reports to reports
    // (support/console.h).
    Headless& console(std::vector<std::shared_ptr<TickSink>> sinks = {});

    std::shared_ptr<FakeJoystick> joystick = std::make_shared<FakeJoystick>();
    std::shared_ptr<MemoryRegistry> store = std::make_shared<MemoryRegistry>();
    std::shared_ptr<FixedClock> clock = std::make_shared<FixedClock>();
    std::shared_ptr<FakeX11Requests> x11 = std::make_shared<FakeX11Requests>();
    std::shared_ptr<RecordedTicks> ticks = std::make_shared<RecordedTicks>();
    ScriptedMessageBoxes boxes;
    TempDir logFolder;
    std::unique_ptr<Quorvil> form;
    TempDir consoleFolder;
    const std::filesystem::path consoleLog = consoleFolder.path() / "out.csv";
    FileDescriptor consoleFd;
    std::vector<std::string> reports;
    std::shared_ptr<Headless> headless; // shared: its type is known only where it is made
};
