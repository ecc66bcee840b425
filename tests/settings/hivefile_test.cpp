#include "settings/hivefile.h"
#include "settings/hivetext.h"
#include "settings/registry.h"
#include "support/deadline.h"
#include "support/tempdir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

// A store over a hive file in a fresh folder, where the program keeps it; every test ends with
// no key left open.
class HiveStore : public testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(api->openKeyCount(), 0u) << "a key was left open"; }

    TempDir dir;
    std::filesystem::path file = dir.path() / "Norvalde" / "Quorvil4" / "user.reg";
    std::shared_ptr<HiveFileRegistry> api = std::make_shared<HiveFileRegistry>(file);
    registry Reg{api};
};

// Calls in turn and what each gives (Get with the default "d"; List as name=text pairs). Names
// ignore case and keep the spelling and order of their first writing; "*" is the unnamed value;
// a key with sub-keys, and the application key itself, are never deleted.
TEST_F(HiveStore, eachCallFindsItsSectionAndValue)
{
    const struct {
        char call; // Save, Get, Delete, List
        const char *section, *key, *text, *result;
    } script[] = {
        {'G', "Misc", "Left", "", "d"},
        {'S', "Misc", "Left", "1920", "true"},
        {'S', "Misc", "Top", "", "true"},
        {'S', "MISC", "left", "3", "true"},
        {'G', "misc", "LEFT", "", "3"},
        {'G', "Misc", "Top", "", ""},
        {'S', "Misc", "*", "unnamed", "true"},
        {'G', "Misc", "*", "", "unnamed"},
        {'L', "misc", "", "", "Left=3;Top=;=unnamed;"},
        {'D', "Misc", "*", "", "true"},
        {'S', "", "Top", "720", "true"},
        {'S', "Outer\\Inner", "x", "1", "true"},
        {'D', "Outer", "", "", "false"},
        {'D', "", "", "", "false"},
        {'D', "Outer\\Inner", "", "", "true"},
        {'D', "Outer", "", "", "true"},
        {'D', "Outer", "", "", "false"},
        {'D', "Misc", "Left", "", "true"},
        {'D', "Misc", "Left", "", "false"},
        {'G', "", "Top", "", "720"},
        {'L', "Misc", "", "", "Top=;"},
    };
    for (const auto& step : script) {
        SCOPED_TRACE(std::string(1, step.call) + " " + step.section + " " + step.key);
        std::string result;
        if (step.call == 'S' || step.call == 'D')
            result = (step.call == 'S' ? Reg.SaveSetting(step.section, step.key, step.text)
                                       : Reg.DeleteSetting(step.section, step.key))
                         ? "true"
                         : "false";
        else if (step.call == 'G')
            result = Reg.GetSetting(step.section, step.key, "d");
        for (const auto& [name, text] :
             step.call == 'L' ? Reg.GetAllSettings(step.section) : registry::Table{})
            result += name + "=" + text + ";";
        EXPECT_EQ(result, step.result);
        if (&step == script) { // reading creates nothing
            EXPECT_FALSE(fs::exists(dir.path() / "Norvalde"));
        }
    }
    EXPECT_NE(readFile(file).find("\\Quorvil4\\Misc]"), std::string::npos);
}

// Any text under any name comes back exactly, through a store that reads the file afresh.
TEST_F(HiveStore, anyTextAndNameComesBackExactly)
{
    const registry::Table rows = {{"say \"hi\" [x]=", "\"quoted\" "},
                                  {"back\\slash", "C:\\new\\table\\"},
                                  {"line\nbreak\r", "two\r\nlines\n\ttab" + std::string(300, '~')},
                                  {"\tGrüße", "Grüße 温度 🌡 \\\""},
                                  {"@", std::string("nul\0inside", 10)},
                                  {"*x", "\xff\xfe not UTF-8"}};
    for (const auto& [name, text] : rows)
        ASSERT_TRUE(Reg.SaveSetting("Awkward", name, text)) << name;

    registry fresh(std::make_shared<HiveFileRegistry>(file));
    EXPECT_EQ(fresh.GetAllSettings("Awkward"), rows);
    for (const auto& [name, text] : rows)
        EXPECT_EQ(fresh.GetSetting("Awkward", name, "d"), text) << name;
}

// A single line that a rewrite would lose (or change: see the text tests) is enough to keep the
// file as it was, beside it, before the first rewrite and only then.
TEST_F(HiveStore, aFileThatARewriteWouldChangeIsBackedUpBeforeTheFirstWrite)
{
    const std::string original =
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Norvalde\\Quorvil4\\Misc]\n"
        "\"Left\"=\"1920\"\nthis line was mangled by hand\n";
    const auto backups = [this] { // their contents
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(file.parent_path()))
            if (entry.path().string().starts_with(file.string() + ".bak-"))
                found.push_back(readFile(entry.path()));
        return found;
    };
    fs::create_directories(file.parent_path());
    writeFile(file, original);
    EXPECT_EQ(Reg.GetSetting("Misc", "Left"), "1920");
    EXPECT_TRUE(backups().empty()); // reading writes nothing
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Top", "0"));
    EXPECT_EQ(backups(), std::vector{original});
    EXPECT_EQ(parseHive(readFile(file))->droppedLines, 0u);
    EXPECT_EQ(Reg.GetAllSettings("Misc"), (registry::Table{{"Left", "1920"}, {"Top", "0"}}));
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Top", "1"));
    EXPECT_EQ(backups().size(), 1u);
}

// Writes are private and keep the mode and link they find; what cannot be read or written fails
// and loses nothing.
TEST_F(HiveStore, writesArePrivateAndWhatCannotBeReadOrWrittenLosesNothing)
{
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "1920"));
    EXPECT_EQ(fs::status(dir.path() / "Norvalde").permissions(), fs::perms(0700));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0600));
    const fs::path real = dir.path() / "quorvil.reg";
    fs::rename(file, real);
    fs::create_symlink(real, file);
    fs::permissions(real, fs::perms(0644));
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "0"));
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(fs::status(real).permissions(), fs::perms(0644));
    EXPECT_NE(readFile(real).find("\"Left\"=\"0\""), std::string::npos);

    // Changes the file could not hold, and a rewrite that cannot be made.
    const std::string before = readFile(file);
    EXPECT_FALSE(Reg.SaveSetting("Misc", "Huge", std::string(HiveFileRegistry::MaxFileSize, 'x')));
    fs::create_directory(real.string() + ".tmp"); // the copy is made beside the real file
    EXPECT_FALSE(Reg.SaveSetting("Misc", "Left", "1"));
    EXPECT_EQ(Reg.failureReason(), real.string() + ".tmp: Is a directory"); // not the file's name
    fs::remove(real.string() + ".tmp");
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(Reg.GetSetting("Misc", "Left"), "0");

    // Files that are no hive, or too big to read.
    std::string huge = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Norvalde\\Quorvil4\\Misc]\n";
    while (huge.size() <= HiveFileRegistry::MaxFileSize)
        huge += "\"Left\"=\"" + std::string(100, 'x') + "\"\n";
    const std::pair<std::string, const char*> contents[] = {
        {huge, "larger than 4 MiB"}, {"Left=1920\n", "not in the registry text format"}};
    for (const auto& [content, reason] : contents) {
        SCOPED_TRACE(content.substr(0, 12));
        writeFile(file, content);
        registry deleting(api);
        EXPECT_FALSE(deleting.DeleteSetting("Misc"));
        EXPECT_NE(deleting.failureReason().find(reason), std::string::npos);
        EXPECT_EQ(Reg.GetSetting("Misc", "Left", "d"), "d");
        EXPECT_FALSE(Reg.SaveSetting("Misc", "Left", "1"));
        EXPECT_NE(Reg.failureReason().find(reason), std::string::npos) << Reg.failureReason();
        EXPECT_FALSE(Reg.DeleteSetting("Misc"));
        EXPECT_EQ(readFile(file), content);
    }
}

// Another program's change, by rename or in place, is seen at the next call even when the file
// keeps its size or its time; a write compares the bytes too, so it never loses that change.
TEST_F(HiveStore, aChangeByAnotherProgramIsSeenAtTheNextCall)
{
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "1"));
    const std::string text = readFile(file);
    struct stat first {};
    ASSERT_EQ(::stat(file.c_str(), &first), 0);
    const auto change = [&](const char* left, std::time_t later) {
        if (left)
            writeFile(file, text.substr(0, text.find("\"1\"")) + left + "\n\n"); // in place
        const timespec times[] = {{0, UTIME_OMIT}, {first.st_mtim.tv_sec + later, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    };
    change(nullptr, 0);
    EXPECT_EQ(Reg.GetSetting("Misc", "Left"), "1");
    ASSERT_TRUE(
        registry(std::make_shared<HiveFileRegistry>(file)).SaveSetting("Misc", "Left", "2"));
    change(nullptr, 0); // another file of the same size and time
    EXPECT_EQ(Reg.GetSetting("Misc", "Left"), "2");
    change("\"3\"", 1); // the same file and size, later
    EXPECT_EQ(Reg.GetSetting("Misc", "Left"), "3");
    change("\"44\"", 1); // the same file and time, longer
    EXPECT_EQ(Reg.GetSetting("Misc", "Left"), "44");
    change("\"55\"", 1); // nothing tells but the bytes
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Top", "0"));
    EXPECT_EQ(Reg.GetSetting("Misc", "Left"), "55");
}

// Reads take no lock; a write waits for it a bounded time, once for a whole batch, which then
// fails whole. Nothing at the names of the lock, the file or its copy can block a call.
TEST_F(HiveStore, aHeldLockOrAFifoNeverFreezesTheStore)
{
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "1920"));
    const std::string lockFile = file.string() + ".lock", before = readFile(file);
    registry store(std::make_shared<HiveFileRegistry>(file, std::chrono::milliseconds(100)));
    finishesWithin(std::chrono::seconds(20), [&] {
        const int holder = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(::flock(holder, LOCK_EX), 0);
        EXPECT_EQ(store.GetSetting("Misc", "Left"), "1920");
        store.beginBatch();
        EXPECT_FALSE(store.SaveSetting("Misc", "Left", "1"));
        ::close(holder); // a write that waited again would now succeed
        EXPECT_FALSE(store.SaveSetting("Misc", "Top", "2"));
        EXPECT_FALSE(store.endBatch());
        EXPECT_EQ(store.failureReason(), "Another program holds the settings lock");
        EXPECT_EQ(readFile(file), before);
        EXPECT_EQ(store.GetSetting("Misc", "Left"), "1920");
        for (const std::string& fifo : {lockFile, file.string() + ".tmp"})
            EXPECT_EQ((fs::remove(fifo), ::mkfifo(fifo.c_str(), 0600)), 0) << fifo;
        EXPECT_FALSE(store.SaveSetting("Misc", "Top", "3"));
        EXPECT_EQ(store.failureReason(), "The lock file " + lockFile + " is not a regular file");
        fs::remove(lockFile);
        EXPECT_TRUE(store.SaveSetting("Misc", "Top", "3")); // the FIFO of the copy is replaced
        ASSERT_TRUE(fs::remove(file) && ::mkfifo(file.c_str(), 0600) == 0);
        EXPECT_EQ(store.GetSetting("Misc", "Top", "d"), "d");
        EXPECT_FALSE(store.SaveSetting("Misc", "Top", "4"));
    });
}

TEST_F(HiveStore, twoProcessesWritingAtOnceLoseNothing)
{
    // A writer in a tight loop leaves the other few chances at the lock: a long wait.
    const auto saveMany = [this](char who) {
        registry writer(std::make_shared<HiveFileRegistry>(file, std::chrono::seconds(30)));
        bool ok = true;
        for (int i = 0; i < 100; ++i)
            ok = writer.SaveSetting("Misc", who + std::to_string(i), std::to_string(i)) && ok;
        return ok;
    };
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(saveMany('A') ? 0 : 1);
    EXPECT_TRUE(saveMany('B'));
    int status = 0;
    EXPECT_TRUE(::waitpid(child, &status, 0) == child && WIFEXITED(status) && !WEXITSTATUS(status));
    EXPECT_EQ(parseHive(readFile(file))->droppedLines, 0u);
    EXPECT_EQ(Reg.GetAllSettings("Misc").size(), 200u);
}
