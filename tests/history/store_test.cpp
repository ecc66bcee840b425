#include "history/historystore.h"
#include "history/historyview.h"
#include "support/deadline.h"
#include "support/tempdir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::int64_t Day0 = 1'796'000'400'000; // a whole hour, at the end of November 2026

// Sensor 1 climbs a hundredth a second; sensor 2 counts only on even seconds; 3 and 4 never.
HistoryTick scriptedTick(std::int64_t second)
{
    HistoryTick t;
    t.unixMs = Day0 + second * 1000;
    t.centi[0] = std::int32_t(-500 + second);
    if (second % 2 == 0)
        t.centi[1] = 2000 + std::int32_t(second % 7);
    t.reading = {std::uint32_t(second), 7, std::nullopt, std::nullopt};
    return t;
}

// A day of ticks at one a second, but for the ten minutes from 12:00 when nothing ran.
void writeDay(HistoryStore& store)
{
    std::vector<HistoryTick> batch;
    for (std::int64_t s = 0; s < 86400; ++s) {
        if (s >= 43200 && s < 43800)
            continue;
        batch.push_back(scriptedTick(s));
        if (batch.size() == 3600) {
            ASSERT_EQ(store.append(batch), HistoryStore::Written::Ok);
            batch.clear();
        }
    }
    ASSERT_EQ(store.append(batch), HistoryStore::Written::Ok);
}

HistoryStore::Opened openFor(HistoryStore& store, const std::filesystem::path& file,
                             HistoryStore::Access access = HistoryStore::Access::Write)
{
    std::string reason;
    return store.open(file, access, &reason);
}

std::int64_t countRows(const std::filesystem::path& file, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    const std::int64_t n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}

} // namespace

TEST(HistoryStore, scriptedDayKeepsEveryTickThenMinutesWithTheirFigures)
{
    TempDir dir;
    const auto file = dir.path() / "data" / HistoryStore::FileName;
    HistoryStore store;
    ASSERT_EQ(openFor(store, file), HistoryStore::Opened::Ok);
    ASSERT_TRUE(store.claimWriting());
    writeDay(store);

    // Full resolution: each tick as written, the uncounted ones without a value.
    const auto ticks = store.read(HistoryLevel::Tick, Day0 + 3600'000, Day0 + 3610'000);
    ASSERT_EQ(ticks.size(), 10u);
    EXPECT_EQ(ticks[3].unixMs, Day0 + 3603'000);
    EXPECT_EQ(ticks[3].sensors[0].min, -500 + 3603);
    EXPECT_EQ(ticks[3].sensors[1].count, 0);
    EXPECT_EQ(ticks[4].sensors[1].max, 2000 + 3604 % 7);
    EXPECT_EQ(ticks[4].sensors[2].count, 0);

    // Two days on, the ticks go a few minutes at a time, and the minutes stay.
    const std::int64_t later = Day0 + 86400'000 + HistoryStore::KeepTicksMs;
    EXPECT_EQ(store.dropTicksBefore(later, 10), 10);
    EXPECT_EQ(store.read(HistoryLevel::Tick, Day0, Day0 + 600'000).size(), 10u);
    for (int step = 0; step < 2000 && store.dropTicksBefore(later, 10) > 0; ++step) {
    }
    EXPECT_EQ(countRows(file, "SELECT count(*) FROM tick"), 0);

    const auto minutes = store.read(HistoryLevel::Tick, Day0 + 600'000, Day0 + 720'000);
    ASSERT_EQ(minutes.size(), 2u);
    const HistoryPoint& m = minutes[0];
    EXPECT_EQ(m.unixMs, Day0 + 600'000);
    EXPECT_EQ(m.spanMs, 60'000);
    EXPECT_EQ(m.sensors[0].count, 60);
    EXPECT_EQ(m.sensors[0].min, -500 + 600);
    EXPECT_EQ(m.sensors[0].max, -500 + 659);
    EXPECT_EQ(m.sensors[0].sum, 60 * (-500 + 600) + 59 * 60 / 2);
    EXPECT_EQ(m.sensors[1].count, 30);
    EXPECT_EQ(m.sensors[1].min, 2000);
    EXPECT_EQ(m.sensors[1].max, 2006);
    EXPECT_EQ(m.sensors[2].count, 0);

    // The ten idle minutes stay a gap at every level.
    const auto aroundGap = store.read(HistoryLevel::Minute, Day0 + 43080'000, Day0 + 43920'000);
    ASSERT_EQ(aroundGap.size(), 4u);
    EXPECT_TRUE(joined(aroundGap[0], aroundGap[1]));
    EXPECT_FALSE(joined(aroundGap[1], aroundGap[2]));
    EXPECT_EQ(aroundGap[2].unixMs, Day0 + 43800'000);

    const auto hours = store.read(HistoryLevel::Hour, Day0, Day0 + 86400'000);
    ASSERT_EQ(hours.size(), 24u);
    EXPECT_EQ(hours[12].sensors[0].count, 3000);
    EXPECT_EQ(hours[23].sensors[0].max, -500 + 86399);
    EXPECT_EQ(store.extent()->first, Day0);
}

TEST(HistoryStore, aTickWrittenTwiceCountsOnce)
{
    TempDir dir;
    HistoryStore store;
    ASSERT_EQ(openFor(store, dir.path() / "h.sqlite"), HistoryStore::Opened::Ok);
    ASSERT_EQ(store.append({scriptedTick(1), scriptedTick(2)}), HistoryStore::Written::Ok);
    ASSERT_EQ(store.append({scriptedTick(2), scriptedTick(3)}), HistoryStore::Written::Ok);
    const auto minute = store.read(HistoryLevel::Minute, Day0, Day0 + 60'000);
    ASSERT_EQ(minute.size(), 1u);
    EXPECT_EQ(minute[0].sensors[0].count, 3);
    EXPECT_EQ(minute[0].sensors[0].sum, 3 * -500 + 6);
}

TEST(HistoryStore, foreignAndFutureFilesAreLeftUntouched)
{
    TempDir dir;
    // Another program's SQLite database, and a history from a later version.
    const auto foreignDb = dir.path() / "foreign.sqlite";
    const auto future = dir.path() / "future.sqlite";
    {
        HistoryStore store;
        ASSERT_EQ(openFor(store, future), HistoryStore::Opened::Ok);
    }
    for (const auto& [file, sql] :
         {std::pair{foreignDb, "CREATE TABLE notes(x); PRAGMA user_version = 1"},
          std::pair{future, "PRAGMA user_version = 2"}}) {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    const auto text = dir.path() / "text.sqlite";
    writeFile(text, "Time,Sensor 1\r\n");
    const auto empty = dir.path() / "empty.sqlite";
    writeFile(empty, "");

    for (const auto& [file, expected] : {std::pair{foreignDb, HistoryStore::Opened::NotHistory},
                                         std::pair{future, HistoryStore::Opened::FutureVersion},
                                         std::pair{text, HistoryStore::Opened::NotHistory},
                                         std::pair{empty, HistoryStore::Opened::NotHistory}}) {
        SCOPED_TRACE(file);
        const std::string before = readFile(file);
        HistoryStore store;
        std::string reason;
        EXPECT_EQ(store.open(file, HistoryStore::Access::Write, &reason), expected);
        EXPECT_NE(reason.find(file.string()), std::string::npos) << reason;
        EXPECT_FALSE(store.isOpen());
        EXPECT_EQ(readFile(file), before);
        EXPECT_FALSE(std::filesystem::exists(file.string() + "-wal"));
    }

    // A folder where the file should be cannot be read, and is reported so.
    const auto folder = dir.path() / "folder.sqlite";
    std::filesystem::create_directory(folder);
    HistoryStore store;
    std::string reason;
    EXPECT_EQ(store.open(folder, HistoryStore::Access::Write, &reason),
              HistoryStore::Opened::Failed);
    EXPECT_NE(reason.find("cannot read"), std::string::npos) << reason;
}

TEST(HistoryStore, readingNeverMakesTheFile)
{
    TempDir dir;
    HistoryStore store;
    EXPECT_EQ(openFor(store, dir.path() / "h.sqlite", HistoryStore::Access::Read),
              HistoryStore::Opened::Missing);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(HistoryStore, aBusyFileKeepsTheBatchForLater)
{
    TempDir dir;
    const auto file = dir.path() / "h.sqlite";
    HistoryStore store;
    ASSERT_EQ(openFor(store, file), HistoryStore::Opened::Ok);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    finishesWithin(std::chrono::seconds(20), [&] {
        EXPECT_EQ(store.append({scriptedTick(0)}), HistoryStore::Written::Busy);
    });
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(store.append({scriptedTick(0)}), HistoryStore::Written::Ok);
    EXPECT_EQ(store.read(HistoryLevel::Tick, Day0, Day0 + 1000).size(), 1u);
}

TEST(HistoryStore, oneWriterAtATimeAcrossProcesses)
{
    TempDir dir;
    const auto file = dir.path() / "h.sqlite";
    HistoryStore first;
    ASSERT_EQ(openFor(first, file), HistoryStore::Opened::Ok);
    ASSERT_TRUE(first.claimWriting());
    const pid_t child = ::fork();
    if (child == 0) {
        HistoryStore second;
        const bool opened = openFor(second, file) == HistoryStore::Opened::Ok;
        std::_Exit(opened && !second.claimWriting() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    first.close();
    HistoryStore third;
    ASSERT_EQ(openFor(third, file), HistoryStore::Opened::Ok);
    EXPECT_TRUE(third.claimWriting());
}

TEST(HistoryStore, aKillDuringBatchesLeavesWholeBatchesOnly)
{
    TempDir dir;
    const auto file = dir.path() / "h.sqlite";
    const pid_t child = ::fork();
    if (child == 0) {
        HistoryStore store;
        if (openFor(store, file) != HistoryStore::Opened::Ok || !store.claimWriting())
            std::_Exit(1);
        for (std::int64_t s = 0;; s += 5) {
            std::vector<HistoryTick> batch;
            for (std::int64_t i = s; i < s + 5; ++i)
                batch.push_back(scriptedTick(i));
            store.append(batch);
        }
    }
    finishesWithin(std::chrono::seconds(30), [&] {
        while (countRows(file, "SELECT count(*) FROM tick") < 500)
            ::usleep(1000);
    });
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    EXPECT_EQ(countRows(file, "SELECT count(*) FROM pragma_integrity_check WHERE "
                              "integrity_check <> 'ok'"),
              0);
    const std::int64_t ticks = countRows(file, "SELECT count(*) FROM tick");
    EXPECT_EQ(ticks % 5, 0);
    EXPECT_EQ(countRows(file, "SELECT sum(n1) FROM minute"), ticks);
    EXPECT_EQ(countRows(file, "SELECT max(t) FROM tick"), Day0 + (ticks - 1) * 1000);
    HistoryStore again;
    EXPECT_EQ(openFor(again, file), HistoryStore::Opened::Ok);
    EXPECT_TRUE(again.claimWriting());
}
