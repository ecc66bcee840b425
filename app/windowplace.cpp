#include "app/windowplace.h"

#include "util/textforms.h"

#include <cmath>
#include <limits>

namespace {

// Enough of the window on a screen to be found and dragged back.
constexpr int MinVisible = 16;

std::optional<int> pixelsFromTwips(const std::string& text)
{
    const std::optional<double> twips = parseNumber(text, ".");
    if (!twips)
        return std::nullopt;
    const double pixels = std::round(*twips / TwipsPerPixel);
    if (std::abs(pixels) > 1'000'000)
        return std::nullopt;
    return static_cast<int>(pixels);
}

} // namespace

double twipsFromPixels(int pixels)
{
    return static_cast<double>(pixels) * TwipsPerPixel;
}

std::optional<QPoint> storedWindowPosition(const std::string& topText, const std::string& leftText,
                                           const QRect& currentFrame, const QList<QRect>& screens)
{
    QPoint place = currentFrame.topLeft();
    const auto top = pixelsFromTwips(topText);
    const auto left = pixelsFromTwips(leftText);
    if (!top && !left)
        return std::nullopt;
    if (top)
        place.setY(*top);
    if (left)
        place.setX(*left);
    const QRect moved(place, currentFrame.size());
    for (const QRect& screen : screens) {
        const QRect shared = moved.intersected(screen);
        if (shared.width() >= MinVisible && shared.height() >= MinVisible)
            return place;
    }
    return std::nullopt;
}
