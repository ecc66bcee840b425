#include "sensors/conversion.h"
#include "sensors/portstatus.h"
#include "sensors/scriptedport.h"
#include "sensors/simulatedport.h"
#include "support/deadline.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

// The bench's readings, read back under the default coefficients, show its temperatures.
TEST(SimulatedPort, readingsGiveBackTheDriftingTemperatures)
{
    double now = 0;
    SimulatedPort port([&] { return now; });
    for (now = 0; now < 1200; now += 97) {
        JOYINFOEX info[2]{};
        ASSERT_EQ(readJoystick(port, 0, info[0]), 0u);
        ASSERT_EQ(readJoystick(port, 1, info[1]), 0u);
        const std::uint32_t raw[] = {info[0].dwXpos, info[0].dwYpos, info[1].dwXpos,
                                     info[1].dwYpos};
        for (int sensor = 1; sensor <= 4; ++sensor)
            EXPECT_NEAR(displayedTemperature(raw[sensor - 1], {}, Scale::Celsius, 3).value_or(-999),
                        SimulatedPort::temperatureAt(sensor, now), 1.0);
    }
}

// 165 is the service's "no driver", 166 a script that cannot be used.
TEST(ScriptedPort, linesGiveTheAnswersAndBadScriptsFailClearly)
{
    const char* const bench = "# bench\n0 0 10000 32767   # first\n\n1 167 65535 0\n";
    const struct {
        const char* script; // none: the file is missing
        std::uint32_t id, result, caps, x, y;
    } cases[] = {
        {bench, 0, 0, 0, 10000, 32767},
        {bench, 1, 167, 0, 65535, 0},          // the reading comes even with an error
        {"0 0 1 2\n0 0 3 4\n", 0, 0, 0, 1, 2}, // the first line counts
        {"0 0 1 2\n", 1, 165, 165, 77, 77},    // no line: no driver
        {nullptr, 1, 166, 166, 77, 77},
        {"0 0 100 200\nx 0 1 2\n", 0, 166, 166, 77, 77}, // could be meant for any joystick
        // A malformed line fails only its own joystick.
        {"0 0 100 200\n1 0 abc 5\n", 0, 0, 0, 100, 200},
        {"0 0 100 200\n1 0 abc 5\n", 1, 166, 166, 77, 77},
        {"1 0 70000 5\n", 1, 166, 166, 77, 77},
    };
    TempDir dir;
    const auto file = dir.path() / "port.txt";
    ScriptedPort port(file);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.script ? c.script : "(missing)") + " id " +
                     std::to_string(c.id));
        std::filesystem::remove(file);
        if (c.script) // read again at every call
            writeFile(file, c.script);
        JOYCAPS caps{};
        JOYINFOEX info{};
        info.dwXpos = info.dwYpos = 77;
        EXPECT_EQ(port.joyGetDevCapsA(c.id, &caps, sizeof caps), c.caps);
        EXPECT_EQ(port.joyGetPosEx(c.id, &info), c.result);
        EXPECT_EQ(info.dwXpos, c.x);
        EXPECT_EQ(info.dwYpos, c.y);
    }
    // Far larger than any script, such as a device node: refused rather than read.
    JOYINFOEX info{};
    writeFile(file, "0 0 5 6\n" + std::string(100000, '#'));
    EXPECT_EQ(port.joyGetPosEx(0, &info), 166u);
    // Nor is a FIFO waited on.
    std::filesystem::remove(file);
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    finishesWithin(std::chrono::seconds(20), [&] { EXPECT_EQ(port.joyGetPosEx(0, &info), 166u); });
}
