#include "sensors/conversion.h"
#include "sensors/portstatus.h"
#include "sensors/scriptedport.h"
#include "sensors/simulatedport.h"
#include "support/fakejoystick.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(PortStatus, textsFollowTheResultCode)
{
    EXPECT_EQ(portStatusText(0, 0), "port status: sensors 1 - 2 connected");
    EXPECT_EQ(portStatusText(1, 0), "port status: sensors 3 - 4 connected");
    EXPECT_EQ(portStatusText(0, 167), "port status: sensors 1 or 2 unplugged");
    EXPECT_EQ(portStatusText(1, 167), "port status: sensors 3 or 4 unplugged");
    EXPECT_EQ(portStatusText(0, 165), "port status: joyGetPosEx error, rc = 165");
    EXPECT_EQ(portStatusText(1, 4294967295u), "port status: joyGetPosEx error, rc = 4294967295");
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

TEST(SimulatedPort, readingsShowTheDriftingTemperatures)
{
    double now = 1000;
    SimulatedPort port([&] { return now; });
    JOYCAPS caps{};
    EXPECT_EQ(port.joyGetDevCapsA(0, &caps, sizeof caps), 0u);
    EXPECT_EQ(port.joyGetDevCapsA(1, &caps, sizeof caps), 0u);
    EXPECT_NE(port.joyGetDevCapsA(2, &caps, sizeof caps), 0u);

    for (now = 0; now < 1200; now += 97) {
        for (std::uint32_t id = 0; id < 2; ++id) {
            JOYINFOEX info{};
            ASSERT_EQ(port.joyGetPosEx(id, &info), 0u);
            const std::uint32_t axes[2] = {info.dwXpos, info.dwYpos};
            for (int axis = 0; axis < 2; ++axis) {
                const int sensor = int(id) * 2 + axis + 1;
                const double wanted = SimulatedPort::temperatureAt(sensor, now);
                EXPECT_GT(wanted, -10);
                EXPECT_LT(wanted, 50);
                const auto shown = displayedTemperature(axes[axis], {}, Scale::Celsius, 3);
                ASSERT_TRUE(shown);
                EXPECT_NEAR(*shown, wanted, 1.0) << "sensor " << sensor << " at " << now;
            }
        }
    }
    // Slow drift: never more than a tenth of a degree in a second.
    for (int sensor = 1; sensor <= 4; ++sensor)
        EXPECT_LT(std::abs(SimulatedPort::temperatureAt(sensor, 500) -
                           SimulatedPort::temperatureAt(sensor, 501)),
                  0.1);
}

TEST(SimulatedPort, readingInvertsTheEquation)
{
    for (double celsius = -20; celsius <= 90; celsius += 5) {
        const double raw = readingForKelvin(celsius + 273.15);
        const Coefficients k;
        const double L = std::log(raw);
        EXPECT_NEAR(1 / (L * k.B + k.A + L * L * L * k.C) - 273.15, celsius, 1e-6);
    }
}

class ScriptedPortTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "quorvil-port-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        file = m_dir / "port.txt";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void write(const std::string& text) { std::ofstream(file) << text; }
    std::uint32_t read(ScriptedPort& port, std::uint32_t id, JOYINFOEX& info)
    {
        return port.joyGetPosEx(id, &info);
    }

    fs::path file;

private:
    fs::path m_dir;
};

TEST_F(ScriptedPortTest, linesGiveResultAndReadingEvenOnError)
{
    write("# bench\n0 0 10000 32767   # first\n\n1 167 65535 0\n");
    ScriptedPort port(file);
    JOYCAPS caps{};
    EXPECT_EQ(port.joyGetDevCapsA(0, &caps, sizeof caps), 0u);
    EXPECT_EQ(port.joyGetDevCapsA(1, &caps, sizeof caps), 0u);
    JOYINFOEX info{};
    EXPECT_EQ(read(port, 0, info), 0u);
    EXPECT_EQ(info.dwXpos, 10000u);
    EXPECT_EQ(info.dwYpos, 32767u);
    EXPECT_EQ(read(port, 1, info), 167u);
    EXPECT_EQ(info.dwXpos, 65535u);
    EXPECT_EQ(info.dwYpos, 0u);
}

TEST_F(ScriptedPortTest, fileIsReadAgainAtEveryCall)
{
    write("0 0 1 2\n");
    ScriptedPort port(file);
    JOYINFOEX info{};
    EXPECT_EQ(read(port, 0, info), 0u);
    write("0 165 3 4\n");
    EXPECT_EQ(read(port, 0, info), 165u);
    EXPECT_EQ(info.dwXpos, 3u);
}

TEST_F(ScriptedPortTest, joystickWithoutLineHasNoDriver)
{
    write("0 0 1 2\n");
    ScriptedPort port(file);
    JOYCAPS caps{};
    JOYINFOEX info{};
    info.dwXpos = 77;
    EXPECT_EQ(port.joyGetDevCapsA(1, &caps, sizeof caps), JOYERR_PARMS);
    EXPECT_EQ(read(port, 1, info), JOYERR_PARMS);
    EXPECT_EQ(info.dwXpos, 77u);
}

TEST_F(ScriptedPortTest, missingFileFailsEveryJoystick)
{
    ScriptedPort port(file);
    JOYCAPS caps{};
    JOYINFOEX info{};
    EXPECT_EQ(port.joyGetDevCapsA(0, &caps, sizeof caps), ScriptedPort::ScriptError);
    EXPECT_EQ(read(port, 1, info), ScriptedPort::ScriptError);
}

TEST_F(ScriptedPortTest, malformedLineFailsOnlyItsJoystick)
{
    const char* bad[] = {"1 0 abc 5", "1 0 70000 5", "1 0 5", "1 0 5 6 7", "1 -1 5 6"};
    for (const char* line : bad) {
        SCOPED_TRACE(line);
        write(std::string("0 0 100 200\n") + line + "\n");
        ScriptedPort port(file);
        JOYINFOEX info{};
        EXPECT_EQ(read(port, 1, info), ScriptedPort::ScriptError);
        EXPECT_EQ(info.dwXpos, 0u);
        EXPECT_EQ(read(port, 0, info), 0u);
        EXPECT_EQ(info.dwXpos, 100u);
    }
}

TEST_F(ScriptedPortTest, lineWithoutReadableIdFailsEveryJoystick)
{
    write("0 0 100 200\nx 0 1 2\n");
    ScriptedPort port(file);
    JOYINFOEX info{};
    EXPECT_EQ(read(port, 1, info), ScriptedPort::ScriptError);
    EXPECT_EQ(read(port, 0, info), ScriptedPort::ScriptError);
}
