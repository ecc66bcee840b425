#include "app/calibratecommand.h"

#include "app/textforms.h"
#include "sensors/calibration.h"

#include <optional>
#include <ostream>
#include <string_view>

namespace {

constexpr std::string_view Usage = "usage: quorvil4 --calibrate T1:R1 T2:R2 T3:R3 [--fahrenheit]";

// TEMPERATURE:READING; the temperature may be negative ("-18:9000").
std::optional<CalibrationPoint> parsePoint(std::string_view text)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    const std::optional<double> temperature = parseNumber(text.substr(0, colon));
    const std::optional<double> reading = parseNumber(text.substr(colon + 1));
    if (!temperature || !reading)
        return std::nullopt;
    return CalibrationPoint{*temperature, *reading};
}

} // namespace

int runCalibrateCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::vector<CalibrationPoint> points;
    Scale scale = Scale::Celsius;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--fahrenheit") {
            scale = Scale::Fahrenheit;
        } else if (const std::optional<CalibrationPoint> point = parsePoint(arg)) {
            points.push_back(*point);
        } else {
            err << "quorvil4: "
                << (arg.starts_with("--") ? "unknown option: " : "not TEMPERATURE:READING: ") << arg
                << '\n'
                << Usage << '\n';
            return 2;
        }
    }
    const Calibration fit = calibrate(points, scale);
    if (fit.refused()) {
        err << "quorvil4: " << fit.refusal << '\n';
        return 2;
    }
    if (!fit.warning.empty())
        err << "quorvil4: warning: " << fit.warning << '\n';
    const Coefficients& k = fit.coefficients;
    out << shortestText(k.A) << '\n' << shortestText(k.B) << '\n' << shortestText(k.C) << '\n';
    return 0;
}
