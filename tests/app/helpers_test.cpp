#include "app/console/options.h"
#include "app/folders.h"
#include "app/windowplace.h"
#include "monitor/datetimetext.h"
#include "util/textforms.h"

#include <QRect>
#include <cstdlib>
#include <gtest/gtest.h>

TEST(TextForms, numbersAndTruthValuesWriteShortest)
{
    const std::pair<double, const char*> rows[] = {
        {1440, "1440"}, {-120, "-120"}, {0.1, "0.1"}, {1447.5, "1447.5"}};
    for (const auto& [value, text] : rows)
        EXPECT_EQ(shortestText(value), text);
    EXPECT_EQ(truthText(true) + truthText(false), "TrueFalse");
}

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

TEST(TextForms, readsStoredWholeNumbersAndTruthValues)
{
    EXPECT_EQ(parseWholeNumber("-1"), -1);
    EXPECT_EQ(parseWholeNumber(" 6 "), 6);
    for (const char* text : {"", "1.5", "abc", "99999999999999999999", "- 1"})
        EXPECT_FALSE(parseWholeNumber(text)) << text;
    EXPECT_EQ(parseTruth("True"), true);
    EXPECT_EQ(parseTruth(" fALSE"), false);
    for (const char* text : {"", "yes", "1", "Truest"})
        EXPECT_FALSE(parseTruth(text)) << text;
}

TEST(DateTimeText, followsTheLocaleWithFullYearAndSeconds)
{
    const QDate date(2026, 12, 5);
    const QTime time(15, 4, 5);
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(dateText(date, QLocale::c()) + " " + timeText(time, QLocale::c()),
              QStringLiteral("2026-12-05 15:04:05"));
    EXPECT_EQ(dateText(date, us) + " " + timeText(time, us),
              QStringLiteral("12/5/2026 3:04:05 PM"));
    EXPECT_TRUE(dateText(date, german).contains(QStringLiteral("2026")));
    EXPECT_TRUE(timeText(time, german).contains(QStringLiteral("15:04:05")));
}

TEST(Folders, dataFolderFollowsXdgDataHome)
{
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    setenv("XDG_DATA_HOME", "/tmp/xdg-data", 1);
    EXPECT_EQ(dataFolder(), std::filesystem::path("/tmp/xdg-data/Norvalde/Quorvil4"));
    setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_EQ(dataFolder(), std::filesystem::path(qgetenv("HOME").toStdString()) /
                                ".local/share/Norvalde/Quorvil4");
    saved.isNull() ? unsetenv("XDG_DATA_HOME") : setenv("XDG_DATA_HOME", saved.constData(), 1);
}

TEST(Options, combineAsAUserExpectsAndAnythingElseIsRefusedWithTheUsage)
{
    using Mode = Options::Mode;
    using Port = Options::Port;
    struct Row {
        std::vector<std::string> arguments;
        Mode mode;
        Port port;
    };
    const Row good[] = {
        {{}, Mode::Window, Port::Hardware},
        {{"--simulate"}, Mode::Window, Port::Simulated},
        {{"--simulate=/tmp/port.txt"}, Mode::Window, Port::Scripted},
        {{"--headless", "--simulate=p", "--interval=86400", "--log=a.csv"},
         Mode::Headless,
         Port::Scripted},
        {{"--calibrate", "-18:9000", "0:7903", "25:3296", "--fahrenheit"},
         Mode::Calibrate,
         Port::Hardware},
        {{"--bogus", "--help"}, Mode::Help, Port::Hardware},
        {{"--version"}, Mode::Version, Port::Hardware},
    };
    std::string error;
    for (const Row& row : good) {
        const std::optional<Options> options = parseOptions(row.arguments, &error);
        ASSERT_TRUE(options) << error;
        EXPECT_EQ(options->mode, row.mode) << row.arguments.size();
        EXPECT_EQ(options->port, row.port) << row.arguments.size();
    }
    const auto headless = parseOptions({"--interval=5", "--headless", "--log=a.csv"}, &error);
    EXPECT_EQ(headless->intervalSeconds, 5);
    EXPECT_EQ(headless->logFile, "a.csv");
    const auto calibrate = parseOptions({"--calibrate", "-18:9000", "1:2", "--fahrenheit"}, &error);
    EXPECT_EQ(calibrate->points, (std::vector<std::string>{"-18:9000", "1:2"}));
    EXPECT_TRUE(calibrate->fahrenheit);

    const std::vector<std::string> bad[] = {{"--simulate="},
                                            {"--verbose"},
                                            {"--simulate", "--simulate"},
                                            {"--interval=5"},
                                            {"--headless", "--interval=0"},
                                            {"--headless", "--interval=86401"},
                                            {"--headless", "--interval=1.5"},
                                            {"--headless", "--log="},
                                            {"--simulate", "--calibrate"},
                                            {"--calibrate", "1:2", "-x"}};
    for (const auto& arguments : bad) {
        error.clear();
        EXPECT_FALSE(parseOptions(arguments, &error)) << arguments.back();
        EXPECT_NE(error.find("usage: quorvil4"), std::string::npos) << arguments.back();
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
