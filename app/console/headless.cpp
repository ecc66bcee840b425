#include "app/console/headless.h"

#include "monitor/clock.h"
#include "monitor/tick.h"
#include "sensors/portstatus.h"
#include "settings/registry.h"
#include "util/fileio.h"

#include <cerrno>

Headless::Headless(HeadlessServices services, Options options)
    : m_services(std::move(services)), m_options(std::move(options)),
      m_preferences(designPreferences())
{
    if (!m_services.clock)
        m_services.clock = std::make_shared<SystemClock>();
    for (const std::shared_ptr<TickSink>& sink : m_services.tickSinks)
        m_recorder.addSink(sink);
    for (int joystick = 0; joystick < 2; ++joystick)
        m_reported[joystick] = portStatusText(joystick, JOYERR_NOERROR);
    for (QTimer* timer : {&Timer1, &Timer2, &TimerCount}) {
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(1000);
    }
    connect(&Timer1, &QTimer::timeout, this, &Headless::Timer1_Timer);
    connect(&Timer2, &QTimer::timeout, this, &Headless::Timer2_Timer);
    connect(&TimerCount, &QTimer::timeout, this, &Headless::TimerCount_Timer);
}

Headless::~Headless() = default;

bool Headless::start()
{
    registry store(m_services.registryApi);
    store.setCompany(registry::DefaultCompany);
    store.setAppName(registry::ProductName);
    if (const std::optional<std::string> problem = store.unreadable())
        m_services.report("quorvil4: the settings could not be read: " + store.location() + ": " +
                          *problem);
    loadPreferences(store, m_preferences);
    const StoredAlarms alarms = loadAlarms(store);
    m_alarms.setThresholds(
        {alarms.high, alarms.low, alarms.fahrenheit ? Scale::Fahrenheit : Scale::Celsius});

    if (m_options.intervalSeconds)
        TimerCount.setInterval(*m_options.intervalSeconds * 1000);
    else if (const std::optional<int> interval = loggingInterval(m_preferences.interval))
        TimerCount.setInterval(*interval);

    if (m_options.logFile) {
        if (const std::optional<std::string> failure =
                m_log.start(*m_options.logFile, true, CsvLog::Folder::MustExist)) {
            m_services.report("quorvil4: the log file could not be created: " + *m_options.logFile +
                              ": " + *failure);
            finish(1);
            return false;
        }
    } else if (!write(csvHeader(true), "written")) {
        return false;
    }
    // The polls first, so that the first line finds the readings of its second.
    Timer1.start();
    Timer2.start();
    TimerCount.start();
    return true;
}

void Headless::Timer1_Timer()
{
    sample(0, m_info[0]);
}

void Headless::Timer2_Timer()
{
    sample(1, m_info[1]);
}

void Headless::sample(int joystick, JOYINFOEX& info)
{
    const PortReading reading = readPort(*m_services.joystick, joystick, info);
    std::string status = reading.status;
    const Scale scale = m_preferences.celsius      ? Scale::Celsius
                        : m_preferences.fahrenheit ? Scale::Fahrenheit
                                                   : Scale::None;
    for (int axis = 0; axis < 2; ++axis) {
        const int index = joystick * 2 + axis;
        const Preferences::Sensor& sensor = m_preferences.sensors[index];
        const SensorOutcome outcome = convertSensor(index + 1, reading.raw[axis],
                                                    {sensor.coefficients[0], sensor.coefficients[1],
                                                     sensor.coefficients[2], sensor.offset, scale});
        if (outcome.status)
            status = *outcome.status;
        if (outcome.temperature)
            m_bare[index] = bareText(*outcome.temperature);
        for (const AlarmWatch::Event& event :
             m_alarms.observe(index + 1, countedTemperature(reading.result, outcome), scale))
            m_services.report(alarmLine(event, sensor.name));
        m_recorder.sensorPolled(index + 1, reading, axis == 0 ? info.dwXpos : info.dwYpos, outcome,
                                m_alarms, scale, sensor.name);
    }
    m_recorder.joystickPolled(joystick, m_services.clock->now().toMSecsSinceEpoch());
    // Which device feeds the sensors, once it starts to.
    if (std::string device = m_services.joystick->servedBy(joystick);
        device != m_served[joystick]) {
        if (!device.empty())
            m_services.report(joystickText(joystick) + ": " + device);
        m_served[joystick] = std::move(device);
    }
    // A problem is told when it starts and when it ends, not at every poll; one stream carries
    // both joysticks, so each line names its own.
    if (status != m_reported[joystick]) {
        m_reported[joystick] = status;
        m_services.report("joystick " + std::to_string(joystick + 1) + ": " + status);
    }
}

void Headless::TimerCount_Timer()
{
    write(logLine(*m_services.clock, m_bare), "written");
}

bool Headless::write(const std::string& bytes, const char* action)
{
    std::optional<std::string> failure;
    if (m_options.logFile) {
        failure = m_log.writeLine(bytes);
    } else {
        if (!writeAll(m_services.outputFd, bytes)) {
            // The reader went away (a pipe into head): that ends the run, and is no error.
            if (errno == EPIPE) {
                finish(0);
                return false;
            }
            failure = errnoText();
        }
    }
    if (!failure)
        return true;
    m_services.report(std::string("quorvil4: the log could not be ") + action + ": " +
                      (m_options.logFile ? *m_options.logFile + ": " : std::string()) + *failure);
    finish(1);
    return false;
}

void Headless::finish(int status)
{
    Timer1.stop();
    Timer2.stop();
    TimerCount.stop();
    m_status = status;
    emit finished(status);
}
