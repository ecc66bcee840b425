#include "app/console/calibratecommand.h"

#include "sensors/calibration.h"
#include "util/textforms.h"

#include <optional>
#include <ostream>
#include <string_view>

namespace {

// TEMPERATURE:READING; the temperature may be negative ("-18:9000"). The command line takes a
// decimal point, and a decimal comma as well. A point that is none gives the reason instead.
std::optional<CalibrationPoint> parsePoint(std::string_view text, std::string& reason)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        reason = "a point is TEMPERATURE:READING";
        return std::nullopt;
    }
    const std::optional<double> temperature = parseNumber(text.substr(0, colon), ",");
    const std::optional<double> reading = parseNumber(text.substr(colon + 1), ",");
    if (!temperature || !reading) {
        reason = !temperature ? "the temperature is not a number" : "the reading is not a number";
        return std::nullopt;
    }
    return CalibrationPoint{*temperature, *reading};
}

} // namespace

int runCalibrateCommand(const Options& options, std::ostream& out, std::ostream& err)
{
    std::vector<CalibrationPoint> points;
    for (const std::string& text : options.points) {
        std::string reason;
        const std::optional<CalibrationPoint> point = parsePoint(text, reason);
        if (!point) {
            err << "quorvil4: " << text << ": " << reason << '\n';
            return 2;
        }
        points.push_back(*point);
    }
    const Calibration fit =
        calibrate(points, options.fahrenheit ? Scale::Fahrenheit : Scale::Celsius);
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
