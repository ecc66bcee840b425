#include "export/prometheus.h"

#include <charconv>
#include <cmath>

namespace {

// The length of the well-formed UTF-8 sequence at the start of text, 0 when there is none.
std::size_t utf8Length(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else
        return 0;
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

class Family {
public:
    Family(std::string& out, std::string_view name, std::string_view help)
        : m_out(out), m_name(name), m_help(help)
    {
    }

    // labels: the text between the braces, already escaped.
    void sample(const std::string& labels, std::string_view value)
    {
        if (!m_started) {
            m_started = true;
            m_out.append("# HELP ").append(m_name).append(" ").append(m_help).append("\n");
            m_out.append("# TYPE ").append(m_name).append(" gauge\n");
        }
        m_out.append(m_name).append("{").append(labels).append("} ").append(value).append("\n");
    }

private:
    std::string& m_out;
    std::string_view m_name;
    std::string_view m_help;
    bool m_started = false;
};

std::string twoDecimals(double value)
{
    // No "-0.00" for a value that rounds to zero.
    if (std::fabs(value) < 0.005)
        value = 0;
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    return ec == std::errc() ? std::string(buffer, end) : std::string("NaN");
}

std::string whole(long long value)
{
    return std::to_string(value);
}

} // namespace

std::string escapedLabelValue(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    while (!value.empty()) {
        const std::size_t length = utf8Length(value);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            value.remove_prefix(1);
            continue;
        }
        if (value[0] == '\\')
            out += "\\\\";
        else if (value[0] == '"')
            out += "\\\"";
        else if (value[0] == '\n')
            out += "\\n";
        else
            out.append(value.substr(0, length));
        value.remove_prefix(length);
    }
    return out;
}

std::string buildInfoText()
{
    std::string out;
    Family(out, "quorvil4_build_info", "The version of Quorvil4 that serves these metrics.")
        .sample("version=\"" QUORVIL_VERSION "\"", "1");
    return out;
}

std::string metricsText(const TickRecord& tick)
{
    std::string out;
    std::array<std::string, 4> labels;
    for (std::size_t i = 0; i < labels.size(); ++i)
        labels[i] = "sensor=\"" + whole(long(i) + 1) + "\",name=\"" +
                    escapedLabelValue(tick.sensors[i].name) + "\"";

    Family temperature(out, "quorvil4_temperature_celsius",
                       "Temperature with the sensor's offset, before rounding to whole degrees.");
    for (std::size_t i = 0; i < labels.size(); ++i)
        if (const std::optional<double> celsius = tick.sensors[i].celsius; celsius)
            temperature.sample(labels[i], twoDecimals(*celsius));
    Family reading(out, "quorvil4_reading",
                   "The axis reading (0 to 65535), while the sensor's joystick answers.");
    for (std::size_t i = 0; i < labels.size(); ++i)
        if (const std::optional<std::uint32_t> raw = tick.sensors[i].reading; raw)
            reading.sample(labels[i], whole(*raw));
    Family up(out, "quorvil4_sensor_up", "1 when the sensor gave a temperature at this poll.");
    for (std::size_t i = 0; i < labels.size(); ++i)
        up.sample(labels[i], tick.sensors[i].counted ? "1" : "0");
    Family alarm(out, "quorvil4_alarm", "1 while the sensor's alarm is on, for each bound set.");
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (tick.sensors[i].high)
            alarm.sample(labels[i] + ",bound=\"high\"", *tick.sensors[i].high ? "1" : "0");
        if (tick.sensors[i].low)
            alarm.sample(labels[i] + ",bound=\"low\"", *tick.sensors[i].low ? "1" : "0");
    }
    Family status(out, "quorvil4_joystick_status",
                  "The result of the last poll of the joystick, 0 when it answers.");
    for (std::size_t j = 0; j < tick.joystickResults.size(); ++j)
        status.sample("joystick=\"" + whole(long(j) + 1) + "\"", whole(tick.joystickResults[j]));
    return out + buildInfoText();
}
