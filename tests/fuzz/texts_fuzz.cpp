#include "app/windowplace.h"
#include "sensors/conversion.h"
#include "util/textforms.h"

#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

// Texts from the coefficient boxes and the store: every reader takes any bytes, and the
// conversion with whatever numbers they give neither crashes nor overflows.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string separator = input.ConsumeRandomLengthString(4);
    std::optional<double> k[3]; // A, B and C
    for (std::optional<double>& value : k)
        value = parseNumber(input.ConsumeRandomLengthString(40), separator);
    const std::optional<double> reading = parseNumber(input.ConsumeRandomLengthString(24), ".");
    const std::string top = input.ConsumeRandomLengthString(24);
    const std::string left = input.ConsumeRandomLengthString(24);
    const std::string stored = input.ConsumeRandomLengthString(24);
    const int offsetPosition = input.ConsumeIntegral<int>();
    // Where a window can be: far off screen, but within what the window system measures.
    const QRect frame(input.ConsumeIntegralInRange(-100'000, 100'000),
                      input.ConsumeIntegralInRange(-100'000, 100'000),
                      input.ConsumeIntegralInRange(0, 5000), input.ConsumeIntegralInRange(0, 5000));

    (void)parseWholeNumber(stored);
    (void)parseTruth(stored);

    if (k[0] && k[1] && k[2] && reading) {
        for (const Scale scale : {Scale::Celsius, Scale::Fahrenheit, Scale::None}) {
            const std::optional<std::int16_t> shown =
                displayedTemperature(*reading, {*k[0], *k[1], *k[2]}, scale, offsetPosition);
            // What is shown is also written as text, and must read back.
            if (shown && parseWholeNumber(shortestText(*shown)) != *shown)
                __builtin_trap();
        }
    }
    if (k[0] && parseNumber(shortestText(*k[0]), ".") != k[0])
        __builtin_trap();

    const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, -200, 1280, 1024)};
    if (const std::optional<QPoint> place = storedWindowPosition(top, left, frame, screens)) {
        // The stored place must keep a grip of the window on some screen.
        const QRect moved(*place, frame.size());
        bool onScreen = false;
        for (const QRect& screen : screens)
            onScreen = onScreen || moved.intersects(screen);
        if (!onScreen)
            __builtin_trap();
    }
    return 0;
}
