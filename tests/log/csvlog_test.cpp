#include "log/csvlog.h"
#include "support/deadline.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string Header = "Date,Time,Sensor1,Sensor2,Sensor3,Sensor4,True\r\n";

// Each line is in the file as soon as it is written, and each start keeps only its own header.
TEST(CsvLog, writesExactLinesAsTheyComeAndStartsAfreshEachTime)
{
    TempDir temp;
    const fs::path file = temp.path() / "data" / "QuorvilLog.csv";
    CsvLog log;
    for (const std::string date : {"12/5/2026", "2026-12-05"}) {
        ASSERT_EQ(log.start(file, true), std::nullopt);
        EXPECT_EQ(readFile(file), Header);
        ASSERT_EQ(log.writeLine(date, "3:04:05 PM", {"21", "", "19", "-3"}), std::nullopt);
        EXPECT_EQ(readFile(file), Header + date + ",3:04:05 PM,21,,19,-3\r\n");
        EXPECT_EQ(log.stop(), std::nullopt);
        EXPECT_FALSE(log.isOpen());
    }
    EXPECT_EQ(fs::status(temp.path() / "data").permissions(), fs::perms(0700));
}

// Only a file that is empty or an earlier log (or a link to one) is emptied; anything else at
// the path, a FIFO too, is refused and left as it was.
TEST(CsvLog, startEmptiesOnlyAnEarlierLog)
{
    TempDir temp;
    const fs::path file = temp.path() / "QuorvilLog.csv", elsewhere = temp.path() / "other.txt";
    const std::string oldLog = Header + "12/5/2026,3:04:05 PM,21,,19,-3\r\n";
    const struct {
        std::string content;
        bool linked;
        const char* refusal; // none: started
    } cases[] = {
        {"", false, nullptr},
        {oldLog, false, nullptr},
        {oldLog, true, nullptr},
        {"Date,Time,Sensor1,Sensor2,Sensor3,Sensor4,True", false, nullptr},
        {"my thesis\n", false, "not a Quorvil4 log"},
        {"my thesis\n", true, "not a Quorvil4 log"},
        {"Date,Time,Sensor1,Sensor2,Sensor3,Sensor4,Truest\r\n", false, "not a Quorvil4 log"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content + (c.linked ? " (linked)" : ""));
        fs::remove(file);
        writeFile(c.linked ? elsewhere : file, c.content);
        if (c.linked)
            fs::create_symlink(elsewhere, file);
        CsvLog log;
        const std::optional<std::string> failure = log.start(file, true);
        EXPECT_EQ(readFile(file), c.refusal ? c.content : Header);
        EXPECT_EQ(fs::is_symlink(file), c.linked);
        EXPECT_EQ(log.isOpen(), !c.refusal);
        EXPECT_NE(failure.value_or("(none)").find(c.refusal ? c.refusal : "(none)"),
                  std::string::npos);
    }
    fs::remove(file);
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    finishesWithin(std::chrono::seconds(20), [&] {
        CsvLog log;
        EXPECT_EQ(log.start(file, true), "It is not a regular file");
    });
}

// A log deleted or moved away goes on in a new file at its path, from the next line.
TEST(CsvLog, aLogRemovedWhileLoggingStartsAgainAtTheNextLine)
{
    TempDir temp;
    const fs::path folder = temp.path() / "data", file = folder / "QuorvilLog.csv";
    CsvLog log;
    ASSERT_EQ(log.start(file, true), std::nullopt);
    ASSERT_EQ(log.writeLine("d", "1", {"1", "", "", ""}), std::nullopt);
    fs::rename(file, temp.path() / "kept.csv");
    ASSERT_EQ(log.writeLine("d", "2", {"2", "", "", ""}), std::nullopt);
    EXPECT_EQ(readFile(temp.path() / "kept.csv"), Header + "d,1,1,,,\r\n");
    EXPECT_EQ(readFile(file), Header + "d,2,2,,,\r\n");
    fs::remove_all(folder);
    ASSERT_EQ(log.writeLine("d", "3", {"3", "", "", ""}), std::nullopt);
    EXPECT_EQ(readFile(file), Header + "d,3,3,,,\r\n");
    fs::remove_all(folder);
    writeFile(folder, "a file where the folder was");
    EXPECT_EQ(log.writeLine("d", "4", {"4", "", "", ""}),
              "It was removed and could not be made again: Not a directory");
    EXPECT_FALSE(log.isOpen());
}

TEST(CsvLog, failuresAreReportedAndLeaveNothingOpen)
{
    TempDir temp;
    fs::create_directories(temp.path() / "folder" / "QuorvilLog.csv");
    writeFile(temp.path() / "plain", "a file where a folder should be");
    std::vector<fs::path> files = {temp.path() / "folder" / "QuorvilLog.csv",
                                   temp.path() / "plain" / "QuorvilLog.csv"};
    if (fs::exists("/dev/full"))
        files.push_back("/dev/full");
    CsvLog log;
    EXPECT_NE(log.writeLine("d", "t", {"1", "2", "3", "4"}), std::nullopt); // never started
    for (const fs::path& file : files) {
        EXPECT_NE(log.start(file, true), std::nullopt) << file;
        EXPECT_FALSE(log.isOpen()) << file;
    }
}

TEST(LoggingInterval, positionsMapToTheirMillisecondsAndOthersToNothing)
{
    const std::pair<int, std::optional<int>> rows[] = {
        {0, 1000}, {3, 10000}, {6, 60000}, {-1, std::nullopt}, {7, std::nullopt}};
    for (const auto& [position, milliseconds] : rows)
        EXPECT_EQ(loggingInterval(position), milliseconds) << position;
}

} // namespace
