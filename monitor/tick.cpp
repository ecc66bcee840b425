#include "monitor/tick.h"

#include "log/csvlog.h"
#include "monitor/clock.h"
#include "monitor/datetimetext.h"
#include "sensors/portstatus.h"
#include "util/textforms.h"

#include <QLocale>

PortReading readPort(JoystickService& service, int joystick, JOYINFOEX& info)
{
    PortReading reading;
    reading.result = readJoystick(service, static_cast<std::uint32_t>(joystick), info);
    // The program keeps the result as a signed 32-bit code, as it shows it.
    reading.status = portStatusText(joystick, static_cast<std::int32_t>(reading.result));
    reading.raw = {std::to_string(info.dwXpos), std::to_string(info.dwYpos)};
    return reading;
}

std::optional<double> parseTypedNumber(std::string_view text)
{
    return parseNumber(text, QLocale().decimalPoint().toStdString());
}

SensorOutcome convertSensor(int sensor, std::string_view rawText, const SensorSetup& setup)
{
    SensorOutcome outcome;
    const std::optional<double> A = parseTypedNumber(setup.a);
    const std::optional<double> B = parseTypedNumber(setup.b);
    const std::optional<double> C = parseTypedNumber(setup.c);
    const std::optional<double> raw = parseNumber(rawText, ".");
    outcome.coefficients = A && B && C;
    if (!raw)
        return outcome;
    if (isUnplugged(*raw))
        outcome.status = unpluggedText(sensor);
    if (A && B && C) {
        if (const std::optional<Temperature> t =
                convertTemperature(*raw, {*A, *B, *C}, setup.scale, setup.offsetPosition)) {
            outcome.temperature = t->shown;
            outcome.celsius = t->celsius;
        }
    }
    return outcome;
}

std::optional<int> countedTemperature(std::uint32_t result, const SensorOutcome& outcome)
{
    if (result != JOYERR_NOERROR || outcome.status || !outcome.temperature)
        return std::nullopt;
    return *outcome.temperature;
}

std::optional<std::string> readingRefusal(int sensor, std::int32_t result, std::string_view rawText)
{
    if (result != JOYERR_NOERROR)
        return portStatusText((sensor - 1) / 2, result);
    const std::optional<double> raw = parseNumber(rawText, ".");
    if (!raw)
        return "no reading yet";
    if (isUnplugged(*raw))
        return unpluggedText(sensor);
    return std::nullopt;
}

std::string bareText(std::int16_t temperature)
{
    return std::to_string(temperature);
}

std::string shownText(std::int16_t temperature, Scale scale)
{
    return bareText(temperature) + scaleSuffix(scale);
}

std::string logLine(const Clock& clock, const std::array<std::string, 4>& temperatures)
{
    const QDateTime now = clock.now();
    return csvLine(dateText(now.date()).toLocal8Bit().toStdString(),
                   timeText(now.time()).toLocal8Bit().toStdString(), temperatures);
}
