#include "app/console/options.h"
#include "app/windowplace.h"
#include "util/textforms.h"

#include <QRect>
#include <QStringList>
#include <gtest/gtest.h>

TEST(TextForms, readsNumbersWithPointOrLocaleSeparatorAndRejectsTheRest)
{
    const std::pair<const char*, double> good[] = {
        {"0.001355699", 0.001355699}, {" 1.3E-07 ", 1.3e-07}, {"+4", 4}, {"-.5", -0.5}, {"5.", 5}};
    for (const auto& [text, value] : good)
        EXPECT_EQ(parseNumber(text, "."), value) << text;
    const char* bad[] = {"",     " ",     "-",    ".",     "abc",   "1e999", "-1e999", "nan", "inf",
                         "-inf", "1.2.3", "0x10", "1 000", "12abc", "+-1",   "--1",    "1,5"};
    for (const char* text : bad)
        EXPECT_FALSE(parseNumber(text, ".")) << '"' << text << '"';
    // In a comma locale both separators read as the decimal point; group separators are not
    // skipped.
    EXPECT_EQ(parseNumber("0,001355699", ","), 0.001355699);
    EXPECT_EQ(parseNumber("0.001355699", ","), 0.001355699);
    EXPECT_FALSE(parseNumber("1,000.5", ","));
}

TEST(Options, combineAsAUserExpectsAndAnythingElseIsRefusedWithTheUsage)
{
    const auto words = [](const char* line) {
        std::vector<std::string> list;
        for (const QString& word : QString::fromLatin1(line).split(' ', Qt::SkipEmptyParts))
            list.push_back(word.toStdString());
        return list;
    };
    using Mode = Options::Mode;
    using Port = Options::Port;
    const std::tuple<const char*, Mode, Port> good[] = {
        {"", Mode::Window, Port::Hardware},
        {"--simulate", Mode::Window, Port::Simulated},
        {"--simulate=/tmp/port.txt", Mode::Window, Port::Scripted},
        {"--interval=86400 --headless --simulate=p --log=a.csv", Mode::Headless, Port::Scripted},
        {"--calibrate -18:9000 1:2 --fahrenheit", Mode::Calibrate, Port::Hardware},
        {"--bogus --help", Mode::Help, Port::Hardware},
        {"--version", Mode::Version, Port::Hardware}};
    std::string error;
    for (const auto& [line, mode, port] : good) {
        const std::optional<Options> options = parseOptions(words(line), &error);
        ASSERT_TRUE(options) << error;
        EXPECT_TRUE(options->mode == mode && options->port == port) << line;
        EXPECT_EQ(options->intervalSeconds == 86400 && options->logFile == "a.csv",
                  mode == Mode::Headless);
        EXPECT_EQ(options->fahrenheit && options->points.size() == 2, mode == Mode::Calibrate);
    }
    for (const char* line :
         {"--simulate=", "--verbose", "--simulate --simulate", "--interval=5",
          "--headless --interval=0", "--headless --interval=86401", "--headless --interval=1.5",
          "--headless --log=", "--simulate --calibrate", "--calibrate 1:2 -x"}) {
        error.clear();
        EXPECT_FALSE(parseOptions(words(line), &error)) << line;
        EXPECT_NE(error.find("usage: quorvil4"), std::string::npos) << line;
    }
}

TEST(WindowPlace, storedTwipsMoveTheWindowOnlyOntoAScreen)
{
    const QRect frame(10, 20, 350, 100);
    const QList<QRect> screen{QRect(0, 0, 800, 600)};
    EXPECT_EQ(storedWindowPosition("720", "1440", frame, screen), QPoint(96, 48));
    // Partly off the left edge is still on the screen.
    EXPECT_EQ(storedWindowPosition("0", "-1800", frame, screen), QPoint(-120, 0));
    // A coordinate that is no number keeps its current value.
    EXPECT_EQ(storedWindowPosition("abc", "1440", frame, screen), QPoint(96, 20));
    EXPECT_EQ(storedWindowPosition("1e300", "0", frame, screen), QPoint(0, 20));
    EXPECT_FALSE(storedWindowPosition("abc", "", frame, screen));
    EXPECT_FALSE(storedWindowPosition("720", "150000", frame, screen));
    EXPECT_FALSE(storedWindowPosition("720", "1440", frame, {}));
}
