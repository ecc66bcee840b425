#pragma once

#include <array>

// Where each preference is stored: five sections of text values under the application key.
struct SensorKeys {
    const char* section;
    const char* name;
    std::array<const char*, 3> coefficients; // A, B, C
    const char* offset;
};

inline constexpr std::array<SensorKeys, 4> sensorKeys{{
    {"Sensor1", "Sensor1_Name", {"Coefficient-1A", "Coefficient-1B", "Coefficient-1C"}, "Offset1"},
    {"Sensor2", "Sensor2_Name", {"Coefficient-2A", "Coefficient-2B", "Coefficient-2C"}, "Offset2"},
    {"Sensor3", "Sensor3_Name", {"Coefficient-3A", "Coefficient-3B", "Coefficient-3C"}, "Offset3"},
    {"Sensor4", "Sensor4_Name", {"Coefficient-4A", "Coefficient-4B", "Coefficient-4C"}, "Offset4"},
}};

inline constexpr const char* MiscSection = "Misc";
inline constexpr const char* TimerIntervalKey = "Timer_Interval";
inline constexpr const char* Degrees1CKey = "Degrees1C";
inline constexpr const char* Degrees1FKey = "Degrees1F";
inline constexpr const char* LeftKey = "Left";
inline constexpr const char* TopKey = "Top";

// The alarm thresholds: "High1".."High4" and "Low1".."Low4", and the scale they were typed in.
inline constexpr const char* AlarmsSection = "Alarms";
inline constexpr const char* AlarmScaleKey = "Scale";

// The devices chosen to serve joystick ids 0 and 1, by the identity the joystick service gives.
inline constexpr const char* JoysticksSection = "Joysticks";
inline constexpr std::array<const char*, 2> joystickKeys{"Joystick1", "Joystick2"};
// Whether the history is recorded: "0" or "1", recorded when missing.
inline constexpr const char* HistorySection = "History";
inline constexpr const char* HistoryRecordKey = "Record";

// Deleted in this order by "Delete Settings".
inline constexpr std::array<const char*, 8> settingSections{
    "Sensor1", "Sensor2",     "Sensor3",        "Sensor4",
    "Misc",    AlarmsSection, JoysticksSection, HistorySection};
