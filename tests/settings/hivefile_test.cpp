#include "settings/hivefile.h"
#include "settings/hivetext.h"
#include "settings/registry.h"
#include "support/tempdir.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <numeric>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct stat statOf(const fs::path& path)
{
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

bool exitedCleanly(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs check in a child process that permissions bind (root's do not): its verdict, or none
// where root cannot give up its rights.
std::optional<bool> runUnprivileged(const std::function<bool()>& check)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return false;
    if (WEXITSTATUS(status) == 2)
        return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

class HiveFile : public testing::Test {
protected:
    registry open() { return registry(std::make_shared<HiveFileRegistry>(file)); }
    std::vector<fs::path> backups() const
    {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(file.parent_path()))
            if (entry.path().filename().string().starts_with("user.reg.bak-"))
                found.push_back(entry.path());
        return found;
    }
    bool parsesCleanly() const
    {
        std::optional<ParsedHive> hive = parseHive(readFile(file));
        return hive && hive->droppedLines == 0;
    }

    TempDir dir;
    fs::path file = dir.path() / "Norvalde" / "Quorvil4" / "user.reg";
    registry Reg = open();
};

TEST_F(HiveFile, firstWriteMakesPrivateFoldersAndLaterWritesOnlyWhatChanged)
{
    EXPECT_EQ(Reg.GetSetting("Misc", "Left", "d"), "d");
    EXPECT_FALSE(fs::exists(dir.path() / "Norvalde")); // reading makes nothing, not even a lock
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "1920"));
    EXPECT_EQ(statOf(dir.path() / "Norvalde").st_mode & 0777, 0700u);
    EXPECT_EQ(statOf(file).st_mode & 0777, 0600u);
    EXPECT_TRUE(fs::exists(file.string() + ".lock"));
    EXPECT_FALSE(fs::exists(file.string() + ".tmp"));

    // The same text again leaves the file alone; a change replaces it and keeps its mode.
    fs::permissions(file, fs::perms(0644));
    const ino_t before = statOf(file).st_ino;
    ASSERT_TRUE(Reg.SaveSetting("Misc", "LEFT", "1920"));
    EXPECT_EQ(statOf(file).st_ino, before);
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "0"));
    EXPECT_NE(statOf(file).st_ino, before);
    EXPECT_EQ(statOf(file).st_mode & 0777, 0644u);
    EXPECT_TRUE(backups().empty());
}

TEST_F(HiveFile, aMalformedLineKeepsTheRestAndTheOriginalIsBackedUpBeforeTheFirstWrite)
{
    fs::create_directories(file.parent_path());
    const std::string original = "REGEDIT4\n\n"
                                 "[HKEY_CURRENT_USER\\Software\\Norvalde\\Quorvil4\\Misc]\n"
                                 "\"Left\"=\"1920\"\n"
                                 "this line was mangled by hand\n"
                                 "\"Top\"=\"720\"\n"
                                 "\"Note\"=hex(1):61,62,\\\n"; // and the file is cut short
    writeFile(file, original);
    EXPECT_EQ(Reg.GetSetting("Misc", "Top"), "720");
    EXPECT_EQ(Reg.GetSetting("Misc", "Note", "d"), "d");
    EXPECT_TRUE(backups().empty()); // reading writes nothing

    ASSERT_TRUE(Reg.SaveSetting("Misc", "Top", "0"));
    ASSERT_EQ(backups().size(), 1u);
    EXPECT_EQ(readFile(backups()[0]), original);
    EXPECT_TRUE(parsesCleanly());
    EXPECT_EQ(Reg.GetAllSettings("Misc"), (registry::Table{{"Left", "1920"}, {"Top", "0"}}));
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Top", "1"));
    EXPECT_EQ(backups().size(), 1u);
}

TEST_F(HiveFile, whatIsNoHiveFailsEveryCallAndStaysUntouched)
{
    std::string junk(4096, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i)
        junk[i] = char(i * 131 % 251);
    std::string huge = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Norvalde\\Quorvil4\\Misc]\n";
    while (huge.size() <= HiveFileRegistry::MaxFileSize)
        huge += "\"Left\"=\"" + std::string(100, 'x') + "\"\n";
    fs::create_directories(file.parent_path());
    for (const std::string& content : {junk, huge, std::string("Left=1920\n")}) {
        writeFile(file, content);
        EXPECT_EQ(Reg.GetSetting("Misc", "Left", "d"), "d");
        EXPECT_TRUE(Reg.GetAllSettings("Misc").empty());
        EXPECT_FALSE(Reg.SaveSetting("Misc", "Left", "1"));
        EXPECT_FALSE(Reg.DeleteSetting("Misc"));
        EXPECT_EQ(readFile(file), content);
    }
    fs::remove(file);
    fs::create_directory(file); // a folder where the file should be
    EXPECT_EQ(Reg.GetSetting("Misc", "Left", "d"), "d");
    EXPECT_FALSE(Reg.SaveSetting("Misc", "Left", "1"));
    EXPECT_TRUE(fs::is_directory(file));

    writeFile(dir.path() / "plain", "a file where a folder should be");
    registry blocked(std::make_shared<HiveFileRegistry>(dir.path() / "plain" / "user.reg"));
    EXPECT_EQ(blocked.GetSetting("Misc", "Left", "d"), "d");
    EXPECT_FALSE(blocked.SaveSetting("Misc", "Left", "1"));
}

TEST_F(HiveFile, aChangeTheFileCouldNotHoldIsRefused)
{
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "1920"));
    const std::string before = readFile(file);
    EXPECT_FALSE(Reg.SaveSetting("Misc", "Huge", std::string(HiveFileRegistry::MaxFileSize, 'x')));
    EXPECT_FALSE(Reg.SaveSetting("Bad\nSection", "Left", "1"));
    EXPECT_EQ(readFile(file), before);
}

TEST_F(HiveFile, unreadableOrUnwritableFoldersGiveDefaultsAndFalse)
{
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "1920"));
    const std::string before = readFile(file);
    for (const fs::path& path :
         {dir.path(), dir.path() / "Norvalde", file, fs::path(file) += ".lock"})
        fs::permissions(path, fs::perms(0755));
    fs::permissions(file.parent_path(), fs::perms(0555));
    const std::optional<bool> readOnly = runUnprivileged([&] {
        registry reader = open();
        return reader.GetSetting("Misc", "Left") == "1920" &&
               !reader.SaveSetting("Misc", "Left", "1") && !reader.DeleteSetting("Misc");
    });
    if (!readOnly)
        GTEST_SKIP() << "root cannot give up its rights here";
    EXPECT_TRUE(*readOnly);
    fs::permissions(file.parent_path(), fs::perms(0000));
    EXPECT_EQ(runUnprivileged([&] {
                  registry reader = open();
                  return reader.GetSetting("Misc", "Left", "d") == "d" &&
                         !reader.SaveSetting("Misc", "Left", "1");
              }),
              true);
    fs::permissions(file.parent_path(), fs::perms(0700));
    EXPECT_EQ(readFile(file), before);
}

TEST_F(HiveFile, aLinkedHiveStaysALink)
{
    const fs::path real = dir.path() / "quorvil.reg";
    fs::create_directories(file.parent_path());
    fs::create_symlink(real, file);
    writeFile(real, "REGEDIT4\n\n");
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "1920"));
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_NE(readFile(real).find("\"Left\"=\"1920\""), std::string::npos);
}

TEST_F(HiveFile, twoProcessesWritingAtOnceLoseNothing)
{
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> writers;
    for (char who : {'A', 'B'}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(gate[1]);
            char c;
            if (::read(gate[0], &c, 1) != 0) // returns once the parent opens the gate
                ::_exit(3);
            registry writer = open();
            bool ok = true;
            for (int i = 0; i < 500; ++i)
                ok = writer.SaveSetting("Misc", who + std::to_string(i), std::to_string(i)) && ok;
            ::_exit(ok ? 0 : 1);
        }
        writers.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    for (pid_t pid : writers)
        EXPECT_TRUE(exitedCleanly(pid));
    EXPECT_TRUE(parsesCleanly());
    EXPECT_EQ(Reg.GetAllSettings("Misc").size(), 1000u);
    EXPECT_EQ(Reg.GetSetting("Misc", "A499") + Reg.GetSetting("Misc", "B0"), "4990");
}

TEST_F(HiveFile, aWriterKilledMidWriteLeavesEveryKeyWithItsOldOrNewValue)
{
    constexpr std::size_t keys = 10, acked = 8;
    constexpr int rounds = 10;
    std::vector<std::string> state(keys, "0");
    {
        // Padding makes each rewrite long enough to be caught in the middle.
        MemoryRegistry seed;
        RegNode& padding = seed.tree.create({"Software", "Norvalde", "Quorvil4", "Padding"});
        for (int i = 0; i < 2000; ++i)
            padding.values.push_back({"P" + std::to_string(i), reg::Sz, {'p', 0}});
        RegNode& misc = seed.tree.create({"Software", "Norvalde", "Quorvil4", "Misc"});
        for (std::size_t k = 0; k < keys; ++k)
            misc.values.push_back({"K" + std::to_string(k), reg::Sz, {'0', 0}});
        fs::create_directories(file.parent_path());
        writeFile(file, *formatHive(seed.tree));
    }
    for (int round = 1; round <= rounds; ++round) {
        int acks[2];
        ASSERT_EQ(::pipe(acks), 0);
        const pid_t pid = ::fork();
        if (pid == 0) { // write i sets key i % keys to round's i / keys + 1
            registry writer = open();
            for (std::size_t i = 0;; ++i) {
                writer.SaveSetting("Misc", "K" + std::to_string(i % keys),
                                   std::to_string(round * 100000 + int(i / keys) + 1));
                if (::write(acks[1], "+", 1) != 1)
                    ::_exit(1);
            }
        }
        ::close(acks[1]);
        // Learns from a few acknowledgements how long one write takes, then kills the writer at
        // a different moment of a write in each even round, and in each odd round as soon as
        // its new file is being written.
        using Clock = std::chrono::steady_clock;
        Clock::time_point first;
        for (std::size_t i = 0; i < acked; ++i) {
            char ack;
            ASSERT_EQ(::read(acks[0], &ack, 1), 1);
            first = i == 0 ? Clock::now() : first;
        }
        const auto cycle = (Clock::now() - first) / (acked - 1);
        const auto until = Clock::now() + (round % 2 ? cycle * 20 : cycle * round / rounds);
        while (Clock::now() < until && !(round % 2 && fs::exists(file.string() + ".tmp"))) {
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ::close(acks[0]);

        std::optional<ParsedHive> hive = parseHive(readFile(file));
        ASSERT_TRUE(hive && hive->droppedLines == 0) << "round " << round;
        EXPECT_EQ(hive->tree.find({"Software", "Norvalde", "Quorvil4", "Padding"})->values.size(),
                  2000u);
        // Old or new for every key: the file holds the state after some number of writes, at
        // least those acknowledged, so the counts of this round's writes fall by at most one.
        std::vector<int> counts;
        for (std::size_t k = 0; k < keys; ++k) {
            std::string& value = state[k];
            const std::string now = Reg.GetSetting("Misc", "K" + std::to_string(k));
            counts.push_back(now == value ? 0 : std::stoi(now) - round * 100000);
            value = now;
        }
        EXPECT_TRUE(std::is_sorted(counts.rbegin(), counts.rend()) &&
                    counts.front() - counts.back() <= 1 &&
                    std::accumulate(counts.begin(), counts.end(), 0) >= int(acked))
            << "round " << round << ": " << state.front() << " .. " << state.back();
    }
    ASSERT_TRUE(Reg.SaveSetting("Misc", "After", "1"));
    EXPECT_FALSE(fs::exists(file.string() + ".tmp"));
}

} // namespace
