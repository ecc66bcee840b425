#include "history/historyrecorder.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr std::int64_t Start = 1'796'000'400'000;

TickRecord tickAt(std::int64_t second, double celsius = 21.256)
{
    TickRecord t;
    t.unixMs = Start + second * 1000;
    t.sensors[0].counted = true;
    t.sensors[0].celsius = celsius;
    t.sensors[0].reading = 12345;
    t.sensors[1].reading = 65535; // answered, but did not count
    return t;
}

struct Reports {
    std::vector<std::string> lines;
    std::function<void(const std::string&)> sink()
    {
        return [this](const std::string& line) { lines.push_back(line); };
    }
};

std::vector<HistoryPoint> readTicks(const std::filesystem::path& file)
{
    HistoryStore store;
    std::string reason;
    if (store.open(file, HistoryStore::Access::Read, &reason) != HistoryStore::Opened::Ok)
        return {};
    return store.read(HistoryLevel::Tick, Start - 3600'000, Start + 3600'000);
}

} // namespace

TEST(HistoryRecorder, opensNothingUntilTheFirstBatchThenKeepsEveryTick)
{
    TempDir dir;
    const auto file = dir.path() / HistoryStore::FileName;
    Reports reports;
    {
        HistoryRecorder recorder(
            file, [] { return true; }, reports.sink());
        for (int s = 0; s < 5; ++s)
            recorder.record(tickAt(s));
        EXPECT_FALSE(std::filesystem::exists(file));
        recorder.record(tickAt(5));
        EXPECT_TRUE(std::filesystem::exists(file));
        EXPECT_EQ(recorder.pending(), 0u);
        recorder.record(tickAt(6, -3.004));
    }
    // The last tick went in when the recorder went.
    const auto ticks = readTicks(file);
    ASSERT_EQ(ticks.size(), 7u);
    EXPECT_EQ(ticks[0].sensors[0].min, 2126);
    EXPECT_EQ(ticks[6].sensors[0].min, -300);
    EXPECT_EQ(ticks[0].sensors[1].count, 0);
    EXPECT_TRUE(reports.lines.empty());
}

TEST(HistoryRecorder, aForeignFileIsReportedOnceAndLeftAsItIs)
{
    TempDir dir;
    const auto file = dir.path() / HistoryStore::FileName;
    writeFile(file, "my notes\n");
    Reports reports;
    HistoryRecorder recorder(
        file, [] { return true; }, reports.sink());
    for (int s = 0; s <= 30; ++s)
        recorder.record(tickAt(s));
    ASSERT_EQ(reports.lines.size(), 1u);
    EXPECT_NE(reports.lines[0].find("is not a Quorvil4 history"), std::string::npos);
    EXPECT_TRUE(recorder.failed());
    EXPECT_EQ(readFile(file), "my notes\n");
}

TEST(HistoryRecorder, theSecondProgramLeavesRecordingToTheFirstUntilItEnds)
{
    TempDir dir;
    const auto file = dir.path() / HistoryStore::FileName;
    Reports firstReports;
    Reports secondReports;
    auto first = std::make_unique<HistoryRecorder>(
        file, [] { return true; }, firstReports.sink());
    HistoryRecorder second(
        file, [] { return true; }, secondReports.sink());
    for (int s = 0; s <= 20; ++s) {
        first->record(tickAt(s));
        second.record(tickAt(s));
    }
    EXPECT_EQ(readTicks(file).size(), 21u);
    ASSERT_EQ(secondReports.lines.size(), 1u);
    EXPECT_NE(secondReports.lines[0].find("another Quorvil4"), std::string::npos);
    first.reset();
    for (int s = 21; s <= 40; ++s)
        second.record(tickAt(s));
    EXPECT_EQ(readTicks(file).size(), 41u);
    EXPECT_EQ(secondReports.lines.size(), 1u);
    EXPECT_TRUE(firstReports.lines.empty());
}

// The recorder program's input: what the window writes reads back whole, and a damaged line is
// no tick at all rather than a wrong one.
TEST(HistoryRecorder, aTickLineReadsBackAndADamagedOneIsRefused)
{
    HistoryTick tick;
    tick.unixMs = Start;
    tick.centi = {2126, std::nullopt, -300, std::numeric_limits<std::int32_t>::min()};
    tick.reading = {0, 65535, std::nullopt, std::numeric_limits<std::uint32_t>::max()};
    const std::string line = historyLine(tick);
    const std::optional<HistoryTick> back = parseHistoryLine(line);
    ASSERT_TRUE(back) << line;
    EXPECT_EQ(back->unixMs, tick.unixMs);
    EXPECT_EQ(back->centi, tick.centi);
    EXPECT_EQ(back->reading, tick.reading);

    const std::vector<std::string> bad = {line.substr(0, line.rfind(' ')),
                                          line + " 5",
                                          "",
                                          "- 1 2 3 4 5 6 7 8",
                                          "1 1.5 - - - - - - -",
                                          "1 - - - - - - - 4294967296",
                                          "1 - - - - - -  -",
                                          "1 x - - - - - - -"};
    for (const std::string& damaged : bad)
        EXPECT_FALSE(parseHistoryLine(damaged)) << damaged;
}
