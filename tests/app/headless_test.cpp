#include "app/console/headless.h"
#include "support/console.h"
#include "support/quorviltest.h"

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

    Headless& c = console();
    ASSERT_TRUE(c.start());
    EXPECT_EQ(c.loggingIntervalMs(), 10000);
    run(
        [&] {
            c.Timer1_Timer();
            c.Timer2_Timer();
        },
        [&] { c.TimerCount_Timer(); });
    const int fd = consoleFd.get();
    consoleFd.close();

    EXPECT_EQ(readFile(consoleLog), windowLog);
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

    Options options;
    options.mode = Options::Mode::Headless;
    options.intervalSeconds = 86400;
    Headless overridden({joystick, store, clock, fd, [](const std::string&) {}}, options);
    EXPECT_FALSE(overridden.start()); // the descriptor is closed: a write failure, status 1
    EXPECT_EQ(overridden.status(), 1);
    EXPECT_EQ(overridden.loggingIntervalMs(), 86400000);
}

// The window and the console mode hand on the same record of each tick: readings only from a
// joystick that answers, Celsius before rounding with the offset (a Fahrenheit step is 5/9 of a
// degree), and no temperature for a tick that does not count.
TEST_F(QuorvilTest, windowAndConsoleRecordTheSameTicks)
{
    put("Misc", "Degrees1C", "False");
    put("Misc", "Degrees1F", "True");
    put("Sensor2", "Offset2", "0"); // +3 F
    put("Sensor4", "Coefficient-4B", "oops");
    put("Sensor1", "Sensor1_Name", "Cellar \"B\"\\2");
    put("Alarms", "High1", "90");
    put("Alarms", "Scale", "F");
    const std::uint32_t steps[][6] = {{0, 10000, 32767, 167, 1000, 65535},
                                      {0, 12000, 0, 0, 1000, 2000},
                                      {4294967295u, 9000, 31000, 0, 2000, 2000}};
    const auto run = [&](auto&& tick) {
        clock->at = QDateTime(QDate(2026, 12, 5), QTime(23, 59, 58));
        for (const auto& s : steps) {
            joystick->set(0, s[0], s[1], s[2]);
            joystick->set(1, s[3], s[4], s[5]);
            tick();
            clock->at = clock->at.addSecs(1);
        }
    };
    loaded();
    run([&] { tickBoth(); });
    const std::vector<TickRecord> window = ticks->ticks;
    ASSERT_EQ(window.size(), 3u);

    auto recorded = std::make_shared<RecordedTicks>();
    Headless& c = console({recorded});
    ASSERT_TRUE(c.start());
    run([&] {
        c.Timer1_Timer();
        c.Timer2_Timer();
    });
    ASSERT_EQ(recorded->ticks.size(), 3u);

    for (std::size_t t = 0; t < window.size(); ++t) {
        const TickRecord& w = window[t];
        const TickRecord& c = recorded->ticks[t];
        EXPECT_EQ(w.unixMs, c.unixMs);
        EXPECT_EQ(w.joystickResults, c.joystickResults);
        for (int n = 0; n < 4; ++n) {
            SCOPED_TRACE(testing::Message() << "tick " << t << ", sensor " << n + 1);
            const SensorRecord& ws = w.sensors[n];
            const SensorRecord& cs = c.sensors[n];
            EXPECT_EQ(ws.name, cs.name);
            EXPECT_EQ(ws.reading, cs.reading);
            EXPECT_EQ(ws.counted, cs.counted);
            EXPECT_EQ(ws.coefficients, cs.coefficients);
            EXPECT_EQ(ws.celsius, cs.celsius);
            EXPECT_EQ(ws.shown, cs.shown);
            EXPECT_EQ(ws.high, cs.high);
            EXPECT_EQ(ws.low, cs.low);
        }
    }

    const TickRecord& first = window[0];
    EXPECT_EQ(first.unixMs, QDateTime(QDate(2026, 12, 5), QTime(23, 59, 58)).toMSecsSinceEpoch());
    EXPECT_EQ(first.scale, Scale::Fahrenheit);
    EXPECT_EQ(first.joystickResults, (std::array<std::int32_t, 2>{0, 167}));
    const SensorRecord& s1 = first.sensors[0];
    EXPECT_EQ(s1.name, "Cellar \"B\"\\2");
    EXPECT_EQ(s1.reading, 10000u);
    ASSERT_TRUE(s1.celsius);
    EXPECT_NEAR(*s1.celsius, 32.989, 0.001); // 91.4 F
    EXPECT_EQ(s1.shown, 91);
    EXPECT_EQ(s1.high, true);
    EXPECT_EQ(s1.low, std::nullopt);
    const SensorRecord& s2 = first.sensors[1];
    ASSERT_TRUE(s2.celsius);
    EXPECT_NEAR(*s2.celsius, 9.004 + 3 * 5.0 / 9.0, 0.001);
    // Joystick 2 unplugged: no readings, no temperatures.
    EXPECT_EQ(first.sensors[2].reading, std::nullopt);
    EXPECT_FALSE(first.sensors[2].counted);
    EXPECT_EQ(first.sensors[2].celsius, std::nullopt);
    EXPECT_TRUE(first.sensors[2].coefficients);
    // Tick 2: a reading of 0 is an unplugged thermistor, which does not count; coefficients that
    // are not numbers give no temperature while the reading is still passed on.
    EXPECT_EQ(window[1].sensors[1].reading, 0u);
    EXPECT_EQ(window[1].sensors[1].celsius, std::nullopt);
    EXPECT_EQ(window[1].sensors[3].reading, 2000u);
    EXPECT_EQ(window[1].sensors[3].celsius, std::nullopt);
    EXPECT_FALSE(window[1].sensors[3].coefficients);
    // Tick 3: joystick 1 in error.
    EXPECT_EQ(window[2].joystickResults[0], -1);
    EXPECT_EQ(window[2].sensors[0].reading, std::nullopt);
}
