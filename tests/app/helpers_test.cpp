#include "app/folders.h"
#include "app/windowplace.h"
#include "settings/hivefile.h"
#include "util/textforms.h"

#include <QRect>
#include <array>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

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
    // In a comma locale (where both separators read as the decimal point) group separators are
    // not skipped.
    EXPECT_FALSE(parseNumber("1,000.5", ","));
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
}

// The settings and the log go under the folder an XDG variable names only when it is absolute: a
// relative one is ignored, as the XDG rules ask, and the home folder's default counts instead.
TEST(UserFolders, relativeXdgFoldersAreIgnored)
{
    const char* names[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};
    std::array<std::optional<std::string>, 3> saved;
    for (std::size_t i = 0; i < saved.size(); ++i)
        if (const char* value = std::getenv(names[i]))
            saved[i] = value;
    const std::filesystem::path program = std::filesystem::path("Norvalde") / "Quorvil4";
    ::setenv("HOME", "/home/ann", 1);
    for (const char* relative : {"config", "./data", "~/x"}) {
        ::setenv("XDG_CONFIG_HOME", relative, 1);
        ::setenv("XDG_DATA_HOME", relative, 1);
        EXPECT_EQ(defaultHivePath(), "/home/ann/.config" / program / "user.reg") << relative;
        EXPECT_EQ(dataFolder(), "/home/ann/.local/share" / program) << relative;
    }
    ::setenv("XDG_CONFIG_HOME", "/c", 1);
    ::setenv("XDG_DATA_HOME", "/d", 1);
    EXPECT_EQ(defaultHivePath(), "/c" / program / "user.reg");
    EXPECT_EQ(dataFolder(), "/d" / program);
    for (std::size_t i = 0; i < saved.size(); ++i)
        saved[i] ? ::setenv(names[i], saved[i]->c_str(), 1) : ::unsetenv(names[i]);
}
