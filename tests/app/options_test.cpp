#include "app/console/options.h"
#include "app/console/sinks.h"

#include <gtest/gtest.h>

TEST(MetricsOptions, acceptedByTheWindowAndTheConsoleMode)
{
    std::string error;
    std::optional<Options> window =
        parseOptions({"--metrics=9760", "--metrics-file=/tmp/q.prom", "--simulate"}, &error);
    ASSERT_TRUE(window) << error;
    EXPECT_EQ(window->mode, Options::Mode::Window);
    ASSERT_TRUE(window->metrics);
    EXPECT_EQ(window->metrics->text(), "127.0.0.1:9760");
    EXPECT_EQ(window->metricsFile, "/tmp/q.prom");
    std::optional<Options> console = parseOptions({"--headless", "--metrics=[::]:9760"}, &error);
    ASSERT_TRUE(console) << error;
    EXPECT_EQ(console->metrics->text(), "[::]:9760");
    EXPECT_FALSE(console->metricsFile);
}

TEST(MetricsOptions, malformedOrRepeatedAreRefused)
{
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--metrics="},
                                               {"--metrics"},
                                               {"--metrics=0"},
                                               {"--metrics=host:9760"},
                                               {"--metrics=1", "--metrics=2"},
                                               {"--metrics-file="},
                                               {"--metrics-file=a", "--metrics-file=b"}}) {
        std::string error;
        EXPECT_FALSE(parseOptions(bad, &error)) << bad.front();
        EXPECT_NE(error.find("--metrics"), std::string::npos) << error;
    }
}

TEST(TickSinks, anAddressThatCannotBeServedIsLeftOutWithItsReason)
{
    std::string error;
    const std::optional<Options> options = parseOptions(
        {"--headless", "--metrics=192.0.2.1:9760", "--metrics-file=/nowhere/q.prom"}, &error);
    ASSERT_TRUE(options) << error;
    std::vector<std::string> reports;
    TickSinks made =
        makeTickSinks(*options, [&](const std::string& line) { reports.push_back(line); });
    ASSERT_EQ(made.failures.size(), 1u);
    EXPECT_EQ(made.failures[0], "metrics cannot be served on 192.0.2.1:9760: Cannot assign "
                                "requested address");
    // The file goes on without the server; its trouble is told when a tick meets it.
    ASSERT_EQ(made.sinks.size(), 1u);
    made.sinks[0]->record(TickRecord());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].starts_with("the metrics file could not be written: /nowhere/q.prom"));
    EXPECT_TRUE(parseOptions({"--metrics=9760"}, &error)->metrics);
    EXPECT_TRUE(makeTickSinks(Options(), [](const std::string&) {}).sinks.empty());
}
