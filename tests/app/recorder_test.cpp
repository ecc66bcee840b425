#include "app/console/recorderprocess.h"
#include "history/historystore.h"
#include "settings/hivefile.h"
#include "settings/registry.h"
#include "support/tempdir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

// The window's history through the real recorder program.

namespace {

constexpr std::int64_t Start = 1'796'000'400'000;

TickRecord tickAt(int second)
{
    TickRecord t;
    t.unixMs = Start + second * 1000LL;
    t.sensors[0].counted = true;
    t.sensors[0].celsius = 20 + second / 100.0;
    t.sensors[0].reading = 10000 + std::uint32_t(second);
    return t;
}

class Recorder : public testing::Test {
protected:
    std::unique_ptr<RecorderProcess> make(std::filesystem::path program = QUORVIL_RECORDER)
    {
        return std::make_unique<RecorderProcess>(
            program, file(), settingsFile(), [this] { return wanted; },
            [this](const std::string& line) { reports.push_back(line); });
    }
    std::filesystem::path file() const { return dir.path() / HistoryStore::FileName; }
    std::filesystem::path settingsFile() const { return dir.path() / "user.reg"; }
    std::vector<HistoryPoint> ticks() const
    {
        HistoryStore store;
        std::string reason;
        if (store.open(file(), HistoryStore::Access::Read, &reason) != HistoryStore::Opened::Ok)
            return {};
        return store.read(HistoryLevel::Tick, Start - 60'000, Start + 3600'000);
    }
    // Runs the event loop until that many reports came, or some seconds passed.
    void awaitReport(std::size_t count)
    {
        QElapsedTimer waited;
        waited.start();
        while (reports.size() < count && waited.elapsed() < 10'000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    // Until the program has kept that many ticks, or some seconds passed.
    void awaitTicks(std::size_t count)
    {
        QElapsedTimer waited;
        waited.start();
        while (ticks().size() < count && waited.elapsed() < 10'000)
            QThread::msleep(10);
    }

    TempDir dir;
    bool wanted = true;
    std::vector<std::string> reports;
};

} // namespace

TEST_F(Recorder, startsWithTheFirstBatchAndWritesTheLastAtTheEnd)
{
    auto recorder = make();
    for (int s = 0; s < 5; ++s)
        recorder->record(tickAt(s));
    EXPECT_EQ(recorder->pid(), -1);
    for (int s = 5; s <= 12; ++s)
        recorder->record(tickAt(s));
    const pid_t pid = recorder->pid();
    ASSERT_GT(pid, 0);
    // A Ctrl+C meant for the window does not end it.
    awaitTicks(6);
    ::kill(pid, SIGINT);
    recorder->record(tickAt(13));
    recorder.reset();
    // Ended and reaped, every tick kept, the last ones included.
    EXPECT_NE(::kill(pid, 0), 0);
    const auto kept = ticks();
    ASSERT_EQ(kept.size(), 14u);
    EXPECT_EQ(kept[13].unixMs, Start + 13'000);
    EXPECT_EQ(kept[13].sensors[0].min, 2013);
    EXPECT_TRUE(reports.empty());

    // A run shorter than a batch is kept too.
    recorder = make();
    recorder->record(tickAt(20));
    recorder.reset();
    EXPECT_EQ(ticks().size(), 15u);
}

TEST_F(Recorder, nothingStartsWhileTheUserRecordsNothing)
{
    wanted = false;
    auto recorder = make();
    for (int s = 0; s <= 12; ++s)
        recorder->record(tickAt(s));
    EXPECT_EQ(recorder->pid(), -1);
    recorder.reset();
    EXPECT_FALSE(std::filesystem::exists(file()));

    // Once started, the program follows the stored setting itself.
    wanted = true;
    recorder = make();
    for (int s = 0; s <= 5; ++s)
        recorder->record(tickAt(s));
    ASSERT_GT(recorder->pid(), 0);
    awaitTicks(6);
    registry settings(std::make_shared<HiveFileRegistry>(settingsFile()));
    ASSERT_TRUE(settings.SaveSetting("History", "Record", "0"));
    for (int s = 6; s <= 20; ++s)
        recorder->record(tickAt(s));
    recorder.reset();
    EXPECT_EQ(ticks().size(), 6u);
}

TEST_F(Recorder, itsTroublesAreToldOnce)
{
    // Its own: a file that is no history.
    writeFile(file(), "my notes\n");
    auto recorder = make();
    for (int s = 0; s <= 5; ++s)
        recorder->record(tickAt(s));
    awaitReport(1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("is not a Quorvil4 history"), std::string::npos) << reports[0];
    recorder.reset();
    EXPECT_EQ(readFile(file()), "my notes\n");
    EXPECT_EQ(reports.size(), 1u);

    // A program that is not there.
    std::filesystem::remove(file());
    reports.clear();
    recorder = make(dir.path() / "no-such-recorder");
    for (int s = 0; s <= 12; ++s)
        recorder->record(tickAt(s));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("cannot start"), std::string::npos) << reports[0];

    // A program ended while the window runs: the ticks it held are kept, and the user hears.
    reports.clear();
    recorder = make();
    for (int s = 0; s <= 7; ++s)
        recorder->record(tickAt(s));
    ASSERT_GT(recorder->pid(), 0);
    awaitTicks(6);
    ::kill(recorder->pid(), SIGTERM);
    awaitReport(1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("was killed"), std::string::npos) << reports[0];
    EXPECT_EQ(ticks().size(), 8u);
    for (int s = 6; s <= 20; ++s)
        recorder->record(tickAt(s));
    EXPECT_EQ(recorder->pid(), -1);
    recorder.reset();
    EXPECT_EQ(reports.size(), 1u);
}
