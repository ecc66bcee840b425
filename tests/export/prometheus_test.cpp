#include "export/prometheus.h"
#include "monitor/tick.h"

#include <gtest/gtest.h>

namespace {

// Sensor n's tick as the window and the console mode record it, from the typed setup.
void poll(TickRecorder& recorder, AlarmWatch& alarms, int sensor, std::uint32_t result,
          std::uint32_t raw, const SensorSetup& setup, std::string name)
{
    PortReading reading;
    reading.result = result;
    reading.raw[(sensor - 1) % 2] = std::to_string(raw);
    const SensorOutcome outcome = convertSensor(sensor, reading.raw[(sensor - 1) % 2], setup);
    alarms.observe(sensor, countedTemperature(result, outcome), setup.scale);
    recorder.sensorPolled(sensor, reading, raw, outcome, alarms, setup.scale, std::move(name));
}

bool hasLine(const std::string& text, const std::string& line)
{
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

} // namespace

TEST(MetricsText, tickGivesEveryFamilyFromTheRecord)
{
    TickRecorder recorder;
    AlarmWatch alarms;
    alarms.setThresholds({{90, std::nullopt, std::nullopt, std::nullopt},
                          {std::nullopt, 55, std::nullopt, std::nullopt},
                          Scale::Fahrenheit});
    const SensorSetup fahrenheit{"0.001355699", "0.000196433", "0.000000130", 0, Scale::Fahrenheit};
    // Offset position 0 is +3 degrees Fahrenheit: 5/3 of a degree Celsius.
    poll(recorder, alarms, 1, 0, 10000, fahrenheit, "Freezer");
    poll(recorder, alarms, 2, 0, 32767, fahrenheit, "Cellar");
    poll(recorder, alarms, 3, 167, 1000, fahrenheit, "Loft");
    poll(recorder, alarms, 4, 167, 65535, fahrenheit, "Case");
    const std::string text = metricsText(recorder.last());

    EXPECT_TRUE(hasLine(text, "# TYPE quorvil4_temperature_celsius gauge")) << text;
    // 32.989 C plus 5/3: Celsius whatever the scale shown, two decimals, before rounding.
    EXPECT_TRUE(hasLine(text, "quorvil4_temperature_celsius{sensor=\"1\",name=\"Freezer\"} 34.66"))
        << text;
    EXPECT_TRUE(hasLine(text, "quorvil4_temperature_celsius{sensor=\"2\",name=\"Cellar\"} 10.67"));
    EXPECT_TRUE(hasLine(text, "quorvil4_reading{sensor=\"2\",name=\"Cellar\"} 32767"));
    EXPECT_TRUE(hasLine(text, "quorvil4_sensor_up{sensor=\"1\",name=\"Freezer\"} 1"));
    // The unplugged joystick: down, and neither a temperature nor a reading.
    EXPECT_TRUE(hasLine(text, "quorvil4_sensor_up{sensor=\"3\",name=\"Loft\"} 0"));
    EXPECT_EQ(text.find("{sensor=\"3\",name=\"Loft\"} 1"), std::string::npos);
    EXPECT_EQ(text.find("quorvil4_temperature_celsius{sensor=\"3\""), std::string::npos);
    EXPECT_EQ(text.find("quorvil4_reading{sensor=\"4\""), std::string::npos);
    EXPECT_TRUE(hasLine(text, "quorvil4_joystick_status{joystick=\"1\"} 0"));
    EXPECT_TRUE(hasLine(text, "quorvil4_joystick_status{joystick=\"2\"} 167"));
    // 94 F is above 90 and 51 F below 55; only the bounds that are set appear.
    EXPECT_TRUE(hasLine(text, "quorvil4_alarm{sensor=\"1\",name=\"Freezer\",bound=\"high\"} 1"));
    EXPECT_TRUE(hasLine(text, "quorvil4_alarm{sensor=\"2\",name=\"Cellar\",bound=\"low\"} 1"));
    EXPECT_EQ(text.find("bound=\"low\"} 0"), std::string::npos);
    EXPECT_EQ(text.find("quorvil4_alarm{sensor=\"1\",name=\"Freezer\",bound=\"low\""),
              std::string::npos);
    EXPECT_TRUE(hasLine(text, "quorvil4_build_info{version=\"4.1\"} 1"));
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_TRUE(text.ends_with("\n"));
}

TEST(MetricsText, familyWithoutSamplesIsLeftOut)
{
    TickRecord tick;
    tick.joystickResults = {167, 167};
    const std::string text = metricsText(tick);
    EXPECT_EQ(text.find("quorvil4_temperature_celsius"), std::string::npos) << text;
    EXPECT_EQ(text.find("quorvil4_alarm"), std::string::npos);
    EXPECT_EQ(text.find("quorvil4_reading"), std::string::npos);
    EXPECT_TRUE(hasLine(text, "quorvil4_sensor_up{sensor=\"4\",name=\"\"} 0"));
}

TEST(MetricsText, valuesNearZeroHaveNoMinusSign)
{
    TickRecord tick;
    tick.sensors[0].celsius = -0.004;
    tick.sensors[1].celsius = -0.005;
    tick.sensors[2].celsius = -40.125;
    const std::string text = metricsText(tick);
    EXPECT_TRUE(hasLine(text, "quorvil4_temperature_celsius{sensor=\"1\",name=\"\"} 0.00")) << text;
    EXPECT_TRUE(hasLine(text, "quorvil4_temperature_celsius{sensor=\"2\",name=\"\"} -0.01"));
    EXPECT_TRUE(hasLine(text, "quorvil4_temperature_celsius{sensor=\"3\",name=\"\"} -40.12"));
}

TEST(MetricsText, labelValuesAreEscaped)
{
    EXPECT_EQ(escapedLabelValue("Cellar \"B\"\\2"), "Cellar \\\"B\\\"\\\\2");
    EXPECT_EQ(escapedLabelValue("two\nlines\r\t"), "two\\nlines\r\t");
    EXPECT_EQ(escapedLabelValue("K\xC3\xBChlschrank \xE2\x84\x83 \xF0\x9F\xA7\x8A"),
              "K\xC3\xBChlschrank \xE2\x84\x83 \xF0\x9F\xA7\x8A");
    TickRecord tick;
    tick.sensors[0].name = "Cellar \"B\"\\2";
    EXPECT_TRUE(hasLine(metricsText(tick),
                        "quorvil4_sensor_up{sensor=\"1\",name=\"Cellar \\\"B\\\"\\\\2\"} 0"));
}

TEST(MetricsText, bytesThatAreNotUtf8AreReplaced)
{
    const std::string replacement = "\xEF\xBF\xBD";
    // Latin-1, a cut sequence, an overlong form, a surrogate, beyond U+10FFFF.
    EXPECT_EQ(escapedLabelValue("K\xFChl"), "K" + replacement + "hl");
    EXPECT_EQ(escapedLabelValue("end\xE2\x84"), "end" + replacement + replacement);
    EXPECT_EQ(escapedLabelValue("\xC0\xAF"), replacement + replacement);
    EXPECT_EQ(escapedLabelValue("\xED\xA0\x80"), replacement + replacement + replacement);
    EXPECT_EQ(escapedLabelValue("\xF4\x90\x80\x80"),
              replacement + replacement + replacement + replacement);
    // A replaced byte never swallows the quote that follows it.
    EXPECT_EQ(escapedLabelValue("\xE2\""), replacement + "\\\"");
}
