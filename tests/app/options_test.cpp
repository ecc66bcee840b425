#include "app/console/options.h"

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
