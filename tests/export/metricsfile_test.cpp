#include "export/metricsfile.h"
#include "export/prometheus.h"
#include "support/tempdir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

TickRecord tickReading(std::uint32_t reading)
{
    TickRecord tick;
    tick.sensors[0].reading = reading;
    return tick;
}

} // namespace

TEST(MetricsFile, holdsTheLastTickAndGoesAtTheEnd)
{
    TempDir temp;
    const fs::path path = temp.path() / "quorvil4.prom";
    std::vector<std::string> reports;
    {
        MetricsFile file(path, [&](const std::string& line) { reports.push_back(line); });
        EXPECT_FALSE(fs::exists(path)); // nothing before the first tick
        file.record(tickReading(111));
        file.record(tickReading(222));
        EXPECT_EQ(readFile(path), metricsText(tickReading(222)));
        // Only the file itself: the collector must never find a temporary beside it.
        EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), {}), 1);
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(reports.empty());
}

TEST(MetricsFile, replacesTheFileWholeInsteadOfRewritingIt)
{
    TempDir temp;
    const fs::path path = temp.path() / "quorvil4.prom";
    MetricsFile file(path, [](const std::string&) {});
    file.record(tickReading(111));
    // A reader that opened the old file keeps reading it whole while the new one is written.
    std::ifstream reader(path, std::ios::binary);
    file.record(tickReading(222));
    EXPECT_EQ((std::ostringstream() << reader.rdbuf()).str(), metricsText(tickReading(111)));
}

TEST(MetricsFile, failingWritesAreToldOnceAndTheirEndOnce)
{
    TempDir temp;
    const fs::path folder = temp.path() / "textfile";
    const fs::path path = folder / "quorvil4.prom";
    std::vector<std::string> reports;
    MetricsFile file(path, [&](const std::string& line) { reports.push_back(line); });
    file.record(tickReading(1));
    file.record(tickReading(2));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], "the metrics file could not be written: " + path.string() +
                              ": No such file or directory");
    fs::create_directory(folder);
    file.record(tickReading(3));
    file.record(tickReading(4));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1], "the metrics file is written again: " + path.string());
    EXPECT_EQ(readFile(path), metricsText(tickReading(4)));
    // A folder in the file's place: the rename fails, and no temporary is left behind.
    fs::remove(path);
    fs::create_directory(path);
    fs::create_directory(path / "inside");
    file.record(tickReading(5));
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_TRUE(reports[2].starts_with("the metrics file could not be written: ")) << reports[2];
    EXPECT_FALSE(fs::exists(path.string() + ".tmp"));
}

TEST(MetricsFile, aFileItNeverWroteIsLeftAlone)
{
    TempDir temp;
    const fs::path path = temp.path() / "theirs.prom";
    writeFile(path, "# someone else's\n");
    {
        MetricsFile file(path, [](const std::string&) {});
    }
    EXPECT_EQ(readFile(path), "# someone else's\n");
}
