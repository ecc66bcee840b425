#pragma once

#include "app/console/options.h"
#include "log/csvlog.h"
#include "monitor/alarms.h"
#include "monitor/tickrecord.h"
#include "sensors/conversion.h"
#include "sensors/joystick.h"
#include "settings/preferences.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Clock;
class RegistryApi;

// The services the console mode works through.
struct HeadlessServices {
    std::shared_ptr<JoystickService> joystick;
    std::shared_ptr<RegistryApi> registryApi;
    std::shared_ptr<Clock> clock; // the system's when null
    int outputFd = 1;             // where the log goes without --log
    // One line for standard error, without its line end.
    std::function<void(const std::string&)> report;
    std::vector<std::shared_ptr<TickSink>> tickSinks = {}; // each tick's record goes to these
};

// The program without a window: the stored settings, the same polling ticks as the main window,
// and the log's header and lines written to standard output or a file.
class Headless final : public QObject {
    Q_OBJECT

public:
    Headless(HeadlessServices services, Options options);
    ~Headless() override;

    // Reads the settings, opens the log, writes its header and starts the timers. False when the
    // run must end at once (status() says with which exit status).
    bool start();
    int status() const { return m_status; }

    int loggingIntervalMs() const { return TimerCount.interval(); }

    QTimer Timer1;
    QTimer Timer2;
    QTimer TimerCount;

    void Timer1_Timer();
    void Timer2_Timer();
    void TimerCount_Timer();

signals:
    // The console mode must end, with this exit status.
    void finished(int status);

private:
    void sample(int joystick, JOYINFOEX& info);
    bool write(const std::string& bytes, const char* action);
    void finish(int status);

    HeadlessServices m_services;
    Options m_options;
    Preferences m_preferences;
    AlarmWatch m_alarms;
    TickRecorder m_recorder;
    CsvLog m_log;
    JOYINFOEX m_info[2]{};
    std::array<std::string, 4> m_bare;
    std::array<std::string, 2> m_reported; // the status last reported per joystick
    std::array<std::string, 2> m_served;   // the device last reported per joystick
    int m_status = 0;
};
