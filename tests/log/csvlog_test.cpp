#include "log/csvlog.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

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
        ASSERT_EQ(log.writeLine(csvLine(date, "3:04:05 PM", {"21", "", "19", "-3"})), std::nullopt);
        EXPECT_EQ(readFile(file), Header + date + ",3:04:05 PM,21,,19,-3\r\n");
        EXPECT_EQ(log.stop(), std::nullopt);
        EXPECT_FALSE(log.isOpen());
    }
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
    EXPECT_NE(log.writeLine("d,t,1,2,3,4\r\n"), std::nullopt); // never started
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
