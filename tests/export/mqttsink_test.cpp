#include "export/mqttsink.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(MqttSink, addressesWithAndWithoutPorts)
{
    const auto address = [](std::string_view text) {
        const std::optional<MqttOptions> parsed = parseMqttAddress(text);
        return parsed ? parsed->host + "|" + (parsed->port ? std::to_string(*parsed->port) : "-")
                      : "none";
    };
    EXPECT_EQ(address("broker"), "broker|-");
    EXPECT_EQ(address("broker.lan:8884"), "broker.lan|8884");
    EXPECT_EQ(address("[::1]:1884"), "::1|1884");
    EXPECT_EQ(address("[fe80::1]"), "fe80::1|-");
    for (const char* bad : {"", ":1883", "broker:", "broker:0", "broker:65536", "broker:x",
                            "broker:18 83", "::1", "[::1", "[::1]1883", "[]:1883"})
        EXPECT_EQ(address(bad), "none") << bad;
}

TEST(MqttSink, passwordIsTheFirstLineAndAReadableFileIsWarnedOf)
{
    TempDir temp;
    const std::string path = (temp.path() / "password").string();
    writeFile(path, "s3cret \"x\"\r\nsecond line\n");
    ::chmod(path.c_str(), 0600);
    std::string warning;
    std::string error;
    EXPECT_EQ(readMqttPassword(path, &warning, &error), "s3cret \"x\"");
    EXPECT_EQ(warning, "");

    ::chmod(path.c_str(), 0644);
    EXPECT_EQ(readMqttPassword(path, &warning, &error), "s3cret \"x\"");
    EXPECT_NE(warning.find(path), std::string::npos);

    EXPECT_EQ(readMqttPassword((temp.path() / "none").string(), &warning, &error), std::nullopt);
    EXPECT_NE(error.find("none"), std::string::npos);
    // An unreadable file makes no sink: no connection goes out without the password asked for.
    MqttOptions options;
    options.host = "127.0.0.1";
    options.user = "u";
    options.passwordFile = (temp.path() / "none").string();
    error.clear();
    EXPECT_EQ(makeMqttSink(options, "from environment", "host", {}, &warning, &error), nullptr);
    EXPECT_NE(error.find("password"), std::string::npos);
}
