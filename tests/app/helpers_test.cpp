#include "app/controls.h"
#include "app/datetimetext.h"
#include "app/folders.h"
#include "app/options.h"
#include "app/textforms.h"
#include "app/windowplace.h"

#include <QComboBox>
#include <QRadioButton>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>

TEST(TextForms, numbersAndTruthValuesWriteShortest)
{
    EXPECT_EQ(shortestText(1440), "1440");
    EXPECT_EQ(shortestText(-120), "-120");
    EXPECT_EQ(shortestText(0.1), "0.1");
    EXPECT_EQ(shortestText(1447.5), "1447.5");
    EXPECT_EQ(truthText(true), "True");
    EXPECT_EQ(truthText(false), "False");
}

TEST(TextForms, readsNumbersWithPointOrLocaleSeparator)
{
    EXPECT_EQ(parseNumber("0.001355699", "."), 0.001355699);
    EXPECT_EQ(parseNumber(" 1.3E-07 ", "."), 1.3e-07);
    EXPECT_EQ(parseNumber("+4", "."), 4.0);
    EXPECT_EQ(parseNumber("-.5", "."), -0.5);
    EXPECT_EQ(parseNumber("5.", "."), 5.0);
    // In a comma locale both separators read as the decimal point.
    EXPECT_EQ(parseNumber("0,001355699", ","), 0.001355699);
    EXPECT_EQ(parseNumber("0.001355699", ","), 0.001355699);
}

TEST(TextForms, rejectsTextsThatAreNoNumber)
{
    const char* bad[] = {"",    " ",    "-",     ".",    "abc",   "1e999", "-1e999", "nan",
                         "inf", "-inf", "1.2.3", "0x10", "1 000", "12abc", "+-1",    "--1"};
    for (const char* text : bad)
        EXPECT_FALSE(parseNumber(text, ".")) << '"' << text << '"';
    // Group separators are not skipped.
    EXPECT_FALSE(parseNumber("1,000.5", ","));
    EXPECT_FALSE(parseNumber("1,5", "."));
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
    EXPECT_EQ(dateText(date, QLocale::c()), QStringLiteral("2026-12-05"));
    EXPECT_EQ(timeText(time, QLocale::c()), QStringLiteral("15:04:05"));
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(dateText(date, us), QStringLiteral("12/5/2026"));
    EXPECT_EQ(timeText(time, us), QStringLiteral("3:04:05 PM"));
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_TRUE(dateText(date, german).contains(QStringLiteral("2026")));
    EXPECT_TRUE(timeText(time, german).contains(QStringLiteral("15:04:05")));
}

TEST(Folders, dataFolderFollowsXdgDataHome)
{
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const QByteArray home = qgetenv("HOME");
    setenv("XDG_DATA_HOME", "/tmp/xdg-data", 1);
    EXPECT_EQ(dataFolder(), std::filesystem::path("/tmp/xdg-data/Norvalde/Quorvil4"));
    setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_EQ(dataFolder(),
              std::filesystem::path(home.toStdString()) / ".local/share/Norvalde/Quorvil4");
    if (saved.isNull())
        unsetenv("XDG_DATA_HOME");
    else
        setenv("XDG_DATA_HOME", saved.constData(), 1);
}

TEST(Options, onlyTheSimulateOptionsAreTaken)
{
    QString error;
    EXPECT_EQ(parseOptions({}, &error)->port, Options::Port::Hardware);
    EXPECT_EQ(parseOptions({"--simulate"}, &error)->port, Options::Port::Simulated);
    const auto scripted = parseOptions({"--simulate=/tmp/port.txt"}, &error);
    EXPECT_EQ(scripted->port, Options::Port::Scripted);
    EXPECT_EQ(scripted->scriptFile, "/tmp/port.txt");
    for (const QStringList& bad : {QStringList{"--simulate="}, QStringList{"--verbose"},
                                   QStringList{"--simulate", "--simulate"}}) {
        error.clear();
        EXPECT_FALSE(parseOptions(bad, &error));
        EXPECT_TRUE(error.contains(QStringLiteral("usage")));
    }
}

TEST(WindowPlace, storedTwipsMoveTheWindowOnlyOntoAScreen)
{
    const QRect frame(10, 20, 350, 100);
    const QList<QRect> screens{QRect(0, 0, 800, 600)};
    EXPECT_EQ(storedWindowPosition("720", "1440", frame, screens), QPoint(96, 48));
    // Partly off the left edge is still on the screen.
    EXPECT_EQ(storedWindowPosition("0", "-1800", frame, screens), QPoint(-120, 0));
    // A coordinate that is no number keeps its current value.
    EXPECT_EQ(storedWindowPosition("abc", "1440", frame, screens), QPoint(96, 20));
    EXPECT_FALSE(storedWindowPosition("abc", "", frame, screens));
    EXPECT_FALSE(storedWindowPosition("720", "150000", frame, screens));
    EXPECT_EQ(storedWindowPosition("1e300", "0", frame, screens), QPoint(0, 20));
    EXPECT_FALSE(storedWindowPosition("720", "1440", frame, {}));
    EXPECT_EQ(twipsFromPixels(96), 1440.0);
}

TEST(Controls, optionButtonCanBeDeselectedAndTypedTextIsNoChoice)
{
    QWidget frame;
    auto* celsius = new QRadioButton(&frame);
    auto* fahrenheit = new QRadioButton(&frame);
    celsius->setAutoExclusive(true);
    setOptionValue(celsius, true);
    setOptionValue(celsius, false);
    EXPECT_FALSE(celsius->isChecked());
    EXPECT_FALSE(fahrenheit->isChecked());
    EXPECT_TRUE(celsius->autoExclusive());

    QComboBox list;
    list.setEditable(true);
    list.addItems({"a", "b"});
    list.setCurrentIndex(1);
    EXPECT_EQ(listPosition(&list), 1);
    list.setEditText("typed");
    EXPECT_EQ(listPosition(&list), -1);
}
