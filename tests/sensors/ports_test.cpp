#include "sensors/conversion.h"
#include "sensors/portstatus.h"
#include "sensors/scriptedport.h"
#include "sensors/simulatedport.h"
#include "support/deadline.h"
#include "support/fakejoystick.h"
#include "support/tempdir.h"

#include <cmath>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(PortStatus, textsFollowTheResultCode)
{
    EXPECT_EQ(portStatusText(0, 0), "port status: sensors 1 - 2 connected");
    EXPECT_EQ(portStatusText(1, 0), "port status: sensors 3 - 4 connected");
    EXPECT_EQ(portStatusText(0, 167), "port status: sensors 1 or 2 unplugged");
    EXPECT_EQ(portStatusText(1, 167), "port status: sensors 3 or 4 unplugged");
    EXPECT_EQ(portStatusText(0, 165), "port status: joyGetPosEx error, rc = 165");
    EXPECT_EQ(unpluggedText(3), "port status: sensor 3 unplugged");
}

TEST(PortStatus, readAsksForEveryValueAndKeepsTheRecordOnFailure)
{
    FakeJoystick joystick;
    JOYINFOEX info{};
    joystick.set(0, 0, 1234, 4321);
    EXPECT_EQ(readJoystick(joystick, 0, info), 0u);
    EXPECT_EQ(joystick.port(0).lastRequest.dwSize, 52u);
    EXPECT_EQ(joystick.port(0).lastRequest.dwFlags, 255u);
    joystick.set(0, 167, 9, 9);
    EXPECT_EQ(readJoystick(joystick, 0, info), 167u);
    EXPECT_EQ(info.dwXpos, 1234u);
    EXPECT_EQ(info.dwYpos, 4321u);
}

TEST(SimulatedPort, readingsShowSlowlyDriftingTemperatures)
{
    double now = 0;
    SimulatedPort port([&] { return now; });
    for (now = 0; now < 1200; now += 97) {
        for (std::uint32_t id = 0; id < 2; ++id) {
            JOYINFOEX info{};
            ASSERT_EQ(port.joyGetPosEx(id, &info), 0u);
            for (const int axis : {0, 1}) {
                const int sensor = int(id) * 2 + axis + 1;
                const double wanted = SimulatedPort::temperatureAt(sensor, now);
                const auto shown =
                    displayedTemperature(axis ? info.dwYpos : info.dwXpos, {}, Scale::Celsius, 3);
                EXPECT_TRUE(wanted > -10 && wanted < 50) << wanted;
                EXPECT_NEAR(shown.value_or(-999), wanted, 1.0) << sensor << " at " << now;
                EXPECT_LT(std::abs(SimulatedPort::temperatureAt(sensor, now + 1) - wanted), 0.1);
            }
        }
    }
}

TEST(ScriptedPort, linesGiveTheAnswersAndBadScriptsFailClearly)
{
    constexpr std::uint32_t Error = ScriptedPort::ScriptError;
    struct Case {
        const char* script; // none: the file is missing
        std::uint32_t id, result, caps, x, y;
    };
    const char* const bench = "# bench\n0 0 10000 32767   # first\n\n1 167 65535 0\n";
    const Case cases[] = {
        {bench, 0, 0, 0, 10000, 32767},
        {bench, 1, 167, 0, 65535, 0}, // the reading comes even with an error
        {"0 0 1 2\n", 1, JOYERR_PARMS, JOYERR_PARMS, 77, 77}, // no line: no driver
        {nullptr, 1, Error, Error, 77, 77},
        {"0 0 100 200\nx 0 1 2\n", 0, Error, Error, 77, 77}, // could be meant for any joystick
        // A malformed line fails only its own joystick.
        {"0 0 100 200\n1 0 abc 5\n", 0, 0, 0, 100, 200},
        {"0 0 100 200\n1 0 abc 5\n", 1, Error, Error, 77, 77},
        {"1 0 70000 5\n", 1, Error, Error, 77, 77},
        {"1 0 5\n", 1, Error, Error, 77, 77},
        {"1 0 5 6 7\n", 1, Error, Error, 77, 77},
        {"1 -1 5 6\n", 1, Error, Error, 77, 77},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.script ? c.script : "(missing)") + " id " +
                     std::to_string(c.id));
        TempDir dir;
        if (c.script)
            writeFile(dir.path() / "port.txt", c.script);
        ScriptedPort port(dir.path() / "port.txt");
        JOYCAPS caps{};
        JOYINFOEX info{};
        info.dwXpos = info.dwYpos = 77;
        EXPECT_EQ(port.joyGetDevCapsA(c.id, &caps, sizeof caps), c.caps);
        EXPECT_EQ(port.joyGetPosEx(c.id, &info), c.result);
        EXPECT_EQ(info.dwXpos, c.x);
        EXPECT_EQ(info.dwYpos, c.y);
    }
}

TEST(ScriptedPort, fileIsReadAgainAtEveryCall)
{
    TempDir dir;
    writeFile(dir.path() / "port.txt", "0 0 1 2\n");
    ScriptedPort port(dir.path() / "port.txt");
    JOYINFOEX info{};
    EXPECT_EQ(port.joyGetPosEx(0, &info), 0u);
    writeFile(dir.path() / "port.txt", "0 165 3 4\n");
    EXPECT_EQ(port.joyGetPosEx(0, &info), 165u);
    EXPECT_EQ(info.dwXpos, 3u);
    // A file far larger than any script, such as a device node, is refused rather than read.
    writeFile(dir.path() / "port.txt", "0 0 5 6\n" + std::string(100000, '#'));
    EXPECT_EQ(port.joyGetPosEx(0, &info), ScriptedPort::ScriptError);
    EXPECT_EQ(ScriptedPort("/dev/zero").joyGetPosEx(0, &info), ScriptedPort::ScriptError);
    // Nor is a FIFO waited on.
    std::filesystem::remove(dir.path() / "port.txt");
    ASSERT_EQ(::mkfifo((dir.path() / "port.txt").c_str(), 0600), 0);
    finishesWithin(std::chrono::seconds(20),
                   [&] { EXPECT_EQ(port.joyGetPosEx(0, &info), ScriptedPort::ScriptError); });
}
