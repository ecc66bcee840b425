#include "app/console/headless.h"
#include "support/quorviltest.h"

#include <fcntl.h>
#include <unistd.h>

// The console mode and the window's log, given the same stored settings, readings and clock,
// write the same bytes; the console tells of a joystick's trouble only when it starts and ends.
TEST_F(QuorvilTest, headlessWritesTheWindowsLogAndReportsOnlyChanges)
{
    put("Misc", "Degrees1C", "False");
    put("Misc", "Degrees1F", "True");
    put("Misc", "Timer_Interval", "3");
    put("Sensor2", "Offset2", "0");
    put("Sensor3", "Coefficient-3A", "0.0012");
    put("Sensor4", "Coefficient-4B", "oops"); // no temperature, an empty field
    put("Sensor1", "Sensor1_Name", "Freezer");
    put("Alarms", "High1", "90");
    put("Alarms", "Low3", "200");
    put("Alarms", "Scale", "F");
    // Each joystick's result, x and y.
    const std::uint32_t steps[][6] = {
        {0, 10000, 32767, 0, 1000, 65535},    {0, 10000, 0, 0, 1000, 65535},
        {0, 12000, 30000, 167, 1000, 65535},  {0, 12000, 30000, 167, 1000, 1},
        {0, 12000, 30000, 4294967295u, 5, 5}, {0, 9000, 31000, 0, 2000, 2000}};
    const auto run = [&](auto&& tick, auto&& logTick) {
        clock->at = QDateTime(QDate(2026, 12, 5), QTime(23, 59, 58));
        for (const auto& s : steps) {
            joystick->set(0, s[0], s[1], s[2]);
            joystick->set(1, s[3], s[4], s[5]);
            tick();
            logTick();
            clock->at = clock->at.addSecs(1);
        }
    };

    Quorvil& q = loaded();
    q.Option1->click();
    run([&] { tickBoth(); }, [&] { q.TimerCount_Timer(); });
    q.Option2->click();
    const std::string windowLog = readFile(logFolder.path() / "QuorvilLog.csv");

    TempDir temp;
    const std::string output = temp.path() / "out.csv";
    const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::vector<std::string> reports;
    Options options;
    options.mode = Options::Mode::Headless;
    Headless headless(
        {joystick, store, clock, fd, [&](const std::string& r) { reports.push_back(r); }}, options);
    ASSERT_TRUE(headless.start());
    EXPECT_EQ(headless.loggingIntervalMs(), 10000);
    run(
        [&] {
            headless.Timer1_Timer();
            headless.Timer2_Timer();
        },
        [&] { headless.TimerCount_Timer(); });
    ::close(fd);

    EXPECT_EQ(readFile(output), windowLog);
    // Result codes are signed 32-bit values; each status line names its joystick.
    const std::vector<std::string> expected = {
        "alarm: Freezer 91 above 90",
        "joystick 1: port status: sensor 2 unplugged",
        "alarm over: Freezer 84",
        "joystick 1: port status: sensors 1 - 2 connected",
        "joystick 2: port status: sensors 3 or 4 unplugged",
        "joystick 2: port status: joyGetPosEx error, rc = -1",
        "alarm: Freezer 95 above 90",
        "alarm: Sensor 3 195 below 200",
        "joystick 2: port status: sensors 3 - 4 connected"};
    EXPECT_EQ(reports, expected);

    options.intervalSeconds = 86400;
    Headless overridden({joystick, store, clock, fd, [](const std::string&) {}}, options);
    EXPECT_FALSE(overridden.start()); // the descriptor is closed: a write failure, status 1
    EXPECT_EQ(overridden.status(), 1);
    EXPECT_EQ(overridden.loggingIntervalMs(), 86400000);
}
