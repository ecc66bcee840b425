#include "app/console/options.h"

#include <gtest/gtest.h>

namespace {

std::optional<Options> parse(std::vector<std::string> arguments, std::string* error = nullptr)
{
    std::string ignored;
    return parseOptions(arguments, error ? error : &ignored);
}

} // namespace

TEST(MqttOptions, everyOptionForTheWindowAndTheConsole)
{
    const std::optional<Options> options =
        parse({"--mqtt-node=den", "--headless", "--mqtt=broker:1884", "--mqtt-user=me",
               "--mqtt-password-file=pw", "--mqtt-cafile=ca.pem"});
    ASSERT_TRUE(options && options->mqtt);
    EXPECT_EQ(options->mode, Options::Mode::Headless);
    EXPECT_EQ(options->mqtt->host, "broker");
    EXPECT_EQ(options->mqtt->port, 1884);
    EXPECT_EQ(options->mqtt->user, "me");
    EXPECT_EQ(options->mqtt->passwordFile, "pw");
    EXPECT_EQ(options->mqtt->caFile, "ca.pem");
    EXPECT_EQ(options->mqtt->node, "den");

    const std::optional<Options> window = parse({"--simulate", "--mqtt=broker"});
    ASSERT_TRUE(window && window->mqtt);
    EXPECT_EQ(window->mode, Options::Mode::Window);
    EXPECT_EQ(window->mqtt->port, std::nullopt);
    EXPECT_FALSE(parse({"--simulate"})->mqtt);
}

TEST(MqttOptions, refusalsSayWhy)
{
    const std::vector<std::vector<std::string>> refused = {
        {"--mqtt=broker", "--mqtt=other"},
        {"--mqtt=broker:99999"},
        {"--mqtt="},
        {"--mqtt-user=me"},
        {"--mqtt=broker", "--mqtt-user="},
        {"--mqtt=broker", "--mqtt-node=Den PC"},
        {"--mqtt=broker", "--mqtt-password-file=pw"},
        {"--mqtt=broker", "--mqtt-cafile=a", "--mqtt-cafile=b"},
    };
    for (const std::vector<std::string>& arguments : refused) {
        std::string error;
        EXPECT_FALSE(parse(arguments, &error)) << arguments.back();
        EXPECT_NE(error.find("--mqtt"), std::string::npos) << error;
    }
    // The password never on the command line, where every user sees it.
    std::string error;
    EXPECT_FALSE(parse({"--mqtt=broker", "--mqtt-user=me", "--mqtt-password=pw"}, &error));
    EXPECT_NE(error.find("QUORVIL4_MQTT_PASSWORD"), std::string::npos);
}
