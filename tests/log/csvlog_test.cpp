#include "log/csvlog.h"
#include "support/tempdir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct CsvLogFile : testing::Test {
    TempDir temp;
    fs::path dir = temp.path();
    fs::path file = dir / "data" / "QuorvilLog.csv";

    std::string contents() const { return readFile(file); }
};

TEST_F(CsvLogFile, headerAndLinesAreExactBytesWithCrLf)
{
    CsvLog log;
    ASSERT_EQ(log.start(file, true), std::nullopt);
    EXPECT_EQ(contents(), "Date,Time,Sensor1,Sensor2,Sensor3,Sensor4,True\r\n");
    ASSERT_EQ(log.writeLine("12/5/2026", "3:04:05 PM", {"21", "22", "19", "-3"}), std::nullopt);
    // Each line is in the file as soon as it is written, before the log is stopped.
    EXPECT_EQ(contents(), "Date,Time,Sensor1,Sensor2,Sensor3,Sensor4,True\r\n"
                          "12/5/2026,3:04:05 PM,21,22,19,-3\r\n");
    EXPECT_EQ(log.stop(), std::nullopt);
    EXPECT_FALSE(log.isOpen());
}

TEST_F(CsvLogFile, emptyLabelsStillGiveSixFields)
{
    EXPECT_EQ(csvLine("2026-12-05", "15:04:05", {"", "7", "", ""}), "2026-12-05,15:04:05,,7,,\r\n");
}

TEST_F(CsvLogFile, restartingKeepsOnlyTheNewestHeaderAndItsLines)
{
    CsvLog log;
    ASSERT_EQ(log.start(file, true), std::nullopt);
    log.writeLine("d", "t", {"1", "2", "3", "4"});
    log.stop();
    ASSERT_EQ(log.start(file, true), std::nullopt);
    log.writeLine("d2", "t2", {"5", "6", "7", "8"});
    log.stop();
    EXPECT_EQ(contents(), "Date,Time,Sensor1,Sensor2,Sensor3,Sensor4,True\r\nd2,t2,5,6,7,8\r\n");
}

TEST_F(CsvLogFile, failuresAreReportedAndLeaveNothingOpen)
{
    // A directory where the file should be.
    fs::create_directories(file);
    CsvLog log;
    EXPECT_NE(log.start(file, true), std::nullopt);
    EXPECT_FALSE(log.isOpen());

    // A regular file where the folder should be.
    fs::create_directories(dir);
    writeFile(dir / "plain", "x");
    EXPECT_NE(log.start(dir / "plain" / "QuorvilLog.csv", true), std::nullopt);
    EXPECT_FALSE(log.isOpen());

    // Writing without a started log.
    EXPECT_NE(log.writeLine("d", "t", {"1", "2", "3", "4"}), std::nullopt);
}

TEST_F(CsvLogFile, aFullDiskIsReported)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    CsvLog log;
    EXPECT_NE(log.start("/dev/full", true), std::nullopt);
    EXPECT_FALSE(log.isOpen());
}

TEST(LoggingInterval, positionsMapToTheirMillisecondsAndOthersToNothing)
{
    EXPECT_EQ(loggingInterval(0), 1000);
    EXPECT_EQ(loggingInterval(3), 10000);
    EXPECT_EQ(loggingInterval(6), 60000);
    EXPECT_EQ(loggingInterval(-1), std::nullopt);
    EXPECT_EQ(loggingInterval(7), std::nullopt);
}

} // namespace
