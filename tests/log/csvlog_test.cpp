#include "log/csvlog.h"
#include "support/deadline.h"
#include "support/fulldisk.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

const std::string Header = "Date,Time,Sensor1,Sensor2,Sensor3,Sensor4,True\r\n";

// Each line is in the file as soon as it is written, and each start keeps only its own header. A
// log deleted or moved away goes on in a new file at its path from the next line.
TEST(CsvLog, writesExactLinesAsTheyComeAndStartsAfreshOrAgain)
{
    TempDir temp;
    const fs::path folder = temp.path() / "data", file = folder / "QuorvilLog.csv";
    CsvLog log;
    for (const std::string date : {"12/5/2026", "2026-12-05"}) {
        ASSERT_EQ(log.start(file, true), std::nullopt);
        EXPECT_EQ(readFile(file), Header);
        ASSERT_EQ(log.writeLine(csvLine(date, "3:04:05 PM", {"21", "", "19", "-3"})), std::nullopt);
        EXPECT_EQ(readFile(file), Header + date + ",3:04:05 PM,21,,19,-3\r\n");
        EXPECT_EQ(log.stop(), std::nullopt);
        EXPECT_FALSE(log.isOpen());
    }
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms(0700));

    ASSERT_EQ(log.start(file, true), std::nullopt);
    fs::rename(file, temp.path() / "kept.csv");
    ASSERT_EQ(log.writeLine(csvLine("d", "1", {"1", "", "", ""})), std::nullopt);
    fs::remove_all(folder);
    ASSERT_EQ(log.writeLine(csvLine("d", "2", {"2", "", "", ""})), std::nullopt);
    EXPECT_EQ(readFile(temp.path() / "kept.csv") + readFile(file),
              Header + Header + "d,2,2,,,\r\n");
    fs::remove_all(folder);
    writeFile(folder, "a file where the folder was");
    EXPECT_EQ(log.writeLine(csvLine("d", "3", {"3", "", "", ""})),
              "It was removed and could not be made again: Not a directory");
    EXPECT_FALSE(log.isOpen());
}

// Only an empty file or an earlier log, linked or not, is emptied; anything else at the path (a
// spreadsheet's table, say) is refused and left as it was, a FIFO without waiting on it.
TEST(CsvLog, startEmptiesOnlyAnEarlierLog)
{
    TempDir temp;
    const fs::path file = temp.path() / "QuorvilLog.csv", elsewhere = temp.path() / "other.txt";
    const std::string oldLog = Header + "12/5/2026,3:04:05 PM,21,,19,-3\r\n",
                      thesis =
                          "Date,Time,Words\r\n1/2/2026,9:00,the first chapter of my thesis\r\n";
    const std::pair<std::string, bool> cases[] = {
        {"", false}, {oldLog, false}, {oldLog, true}, {thesis, false}, {thesis, true}};
    for (const auto& [content, linked] : cases) {
        SCOPED_TRACE(content + (linked ? " (linked)" : ""));
        fs::remove(file);
        writeFile(linked ? elsewhere : file, content);
        if (linked)
            fs::create_symlink(elsewhere, file);
        CsvLog log;
        const auto failure = log.start(file, true);
        EXPECT_EQ(readFile(file), content == thesis ? thesis : Header);
        EXPECT_EQ(failure.value_or(""),
                  content == thesis ? "It is not a Quorvil4 log, so it was left untouched" : "");
    }
    fs::remove(file);
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    finishesWithin(std::chrono::seconds(20),
                   [&] { EXPECT_EQ(CsvLog().start(file, true), "It is not a regular file"); });
}

TEST(LoggingInterval, positionsMapToTheirMillisecondsAndOthersToNothing)
{
    const std::optional<int> ms[] = {std::nullopt, 1000,  5000,  6000,        10000,
                                     15000,        30000, 60000, std::nullopt};
    for (int position = -1; position <= 7; ++position)
        EXPECT_EQ(loggingInterval(position), ms[position + 1]) << position;
}

// A disk that fills mid-line, at start or at a tick, leaves the log ending in its last whole
// line, so that what follows (a later start, another program's reading) never meets a fragment.
TEST(CsvLog, aFullDiskLeavesOnlyWholeLines)
{
    TempDir temp;
    const fs::path file = temp.path() / "QuorvilLog.csv";
    const std::string line = csvLine("2026-12-07", "02:18:01", {"21", "22", "19", "-3"});
    CsvLog log;
    ASSERT_EQ(log.start(file, true), std::nullopt);
    ASSERT_EQ(log.writeLine(line), std::nullopt);
    {
        const FullDisk full(Header.size() + line.size() + 16);
        EXPECT_EQ(log.writeLine(line), "File too large");
    }
    EXPECT_EQ(readFile(file), Header + line);
    log.stop();
    {
        const FullDisk full(Header.size() - 10);
        EXPECT_EQ(log.start(file, true), "File too large");
    }
    EXPECT_EQ(readFile(file), "");
    EXPECT_FALSE(log.isOpen());
}

// A log emptied under the program (a rotation that copies and truncates, or ": > file") goes on
// at its new start with the header again, never behind a run of NUL bytes.
TEST(CsvLog, aLogEmptiedByAnotherProgramStartsAgainWithItsHeader)
{
    TempDir temp;
    const fs::path file = temp.path() / "QuorvilLog.csv";
    CsvLog log;
    ASSERT_EQ(log.start(file, true), std::nullopt);
    ASSERT_EQ(log.writeLine(csvLine("d", "1", {"1", "", "", ""})), std::nullopt);
    fs::resize_file(file, 0);
    ASSERT_EQ(log.writeLine(csvLine("d", "2", {"2", "", "", ""})), std::nullopt);
    ASSERT_EQ(log.writeLine(csvLine("d", "3", {"3", "", "", ""})), std::nullopt);
    EXPECT_EQ(readFile(file), Header + "d,2,2,,,\r\nd,3,3,,,\r\n");
}
