#include "hivestore.h"
#include "support/deadline.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <numeric>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using HiveFile = HiveStore;

std::vector<fs::path> backupsBeside(const fs::path& file)
{
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        if (entry.path().filename().string().starts_with(file.filename().string() + ".bak-"))
            found.push_back(entry.path());
    return found;
}

int exitCode(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(HiveFile, writesArePrivateAndKeepTheModeAndLinkTheyFind)
{
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "1920"));
    EXPECT_EQ(fs::status(dir.path() / "Norvalde").permissions(), fs::perms(0700));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0600));
    EXPECT_TRUE(backupsBeside(file).empty());

    const fs::path real = dir.path() / "quorvil.reg";
    fs::rename(file, real);
    fs::create_symlink(real, file);
    fs::permissions(real, fs::perms(0644));
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "0"));
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(fs::status(real).permissions(), fs::perms(0644));
    EXPECT_NE(readFile(real).find("\"Left\"=\"0\""), std::string::npos);
}

// From one line up, what a rewrite would lose or change is kept as it was before the first one.
TEST_F(HiveFile, aFileThatARewriteWouldChangeIsBackedUpBeforeTheFirstWrite)
{
    const std::string misc = "[HKEY_CURRENT_USER\\Software\\Norvalde\\Quorvil4\\Misc]\n"
                             "\"Left\"=\"1920\"\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : "Windows Registry Editor Version 5.00\r\n\r\n" + misc)
        utf16 += {c, '\0'}; // ASCII only
    const std::string originals[] = {
        "REGEDIT4\n\n" + misc + "this line was mangled by hand\n\"Top\"=\"720\"\n",
        "REGEDIT4\n\n" + misc + "\"Name\"=\"Dachboden S\xfc" + "d\"\n", // Latin-1
        utf16,
    };
    fs::create_directories(file.parent_path());
    for (const std::string& original : originals) {
        SCOPED_TRACE(original);
        for (const fs::path& backup : backupsBeside(file))
            fs::remove(backup);
        writeFile(file, original);
        EXPECT_EQ(Reg.GetSetting("Misc", "Left"), "1920");
        EXPECT_TRUE(backupsBeside(file).empty()); // reading writes nothing

        ASSERT_TRUE(Reg.SaveSetting("Misc", "Top", "0"));
        ASSERT_EQ(backupsBeside(file).size(), 1u);
        EXPECT_EQ(readFile(backupsBeside(file)[0]), original);
        EXPECT_TRUE(stored() && readFile(file).starts_with("REGEDIT4\n"));
        EXPECT_EQ(Reg.GetAllSettings("Misc"), (registry::Table{{"Left", "1920"}, {"Top", "0"}}));
        ASSERT_TRUE(Reg.SaveSetting("Misc", "Top", "1"));
        EXPECT_EQ(backupsBeside(file).size(), 1u);
    }
}

TEST_F(HiveFile, whatCannotBeReadOrWrittenFailsAndLosesNothing)
{
    // Changes the file could not hold.
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "1920"));
    const std::string before = readFile(file);
    EXPECT_FALSE(Reg.SaveSetting("Misc", "Huge", std::string(HiveFileRegistry::MaxFileSize, 'x')));
    EXPECT_FALSE(Reg.SaveSetting("Bad\nSection", "Left", "1"));
    EXPECT_EQ(readFile(file), before);

    // Files that are no hive, or too big to read.
    std::string huge = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Norvalde\\Quorvil4\\Misc]\n";
    while (huge.size() <= HiveFileRegistry::MaxFileSize)
        huge += "\"Left\"=\"" + std::string(100, 'x') + "\"\n";
    const std::string junk("\x7f"
                           "ELF\x02\x01\x01\0\0\xff\xfe",
                           11); // binary
    const std::pair<std::string, const char*> contents[] = {
        {junk, "not in the registry text format"},
        {huge, "larger than 4 MiB"},
        {"Left=1920\n", "not in the registry text format"}};
    for (const auto& [content, reason] : contents) {
        SCOPED_TRACE(content.substr(0, 12));
        writeFile(file, content);
        EXPECT_EQ(Reg.GetSetting("Misc", "Left", "d"), "d");
        EXPECT_TRUE(Reg.GetAllSettings("Misc").empty());
        EXPECT_FALSE(Reg.SaveSetting("Misc", "Left", "1"));
        EXPECT_NE(Reg.failureReason().find(reason), std::string::npos) << Reg.failureReason();
        EXPECT_FALSE(Reg.DeleteSetting("Misc"));
        EXPECT_EQ(readFile(file), content);
    }

    // A folder where the file should be, and a file where a folder should be.
    fs::remove(file);
    fs::create_directory(file);
    writeFile(dir.path() / "plain", "");
    for (const fs::path& blocked : {file, dir.path() / "plain" / "user.reg"}) {
        registry store(std::make_shared<HiveFileRegistry>(blocked));
        EXPECT_EQ(store.GetSetting("Misc", "Left", "d"), "d") << blocked;
        EXPECT_FALSE(store.SaveSetting("Misc", "Left", "1")) << blocked;
    }
    EXPECT_TRUE(fs::is_directory(file));
}

TEST_F(HiveFile, unreadableOrUnwritableFoldersGiveDefaultsAndFalse)
{
    // Root's rights ignore permissions: the child becomes another user, who owns the store.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dir.path().c_str(), 65534, 65534), 0);
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(99);
        const fs::path folder = file.parent_path();
        bool ok = Reg.SaveSetting("Misc", "Left", "1920");
        fs::permissions(folder, fs::perms(0555));
        ok = ok && Reg.GetSetting("Misc", "Left") == "1920" &&
             !Reg.SaveSetting("Misc", "Left", "1") && !Reg.DeleteSetting("Misc");
        fs::permissions(folder, fs::perms::none);
        ok = ok && Reg.GetSetting("Misc", "Left", "d") == "d" &&
             !Reg.SaveSetting("Misc", "Left", "1") && !Reg.DeleteSetting("Misc");
        fs::permissions(folder, fs::perms(0700));
        ::_exit(ok && Reg.GetSetting("Misc", "Left") == "1920" ? 0 : 1);
    }
    const int code = exitCode(pid);
    if (code == 99)
        GTEST_SKIP() << "root cannot give up its rights here";
    EXPECT_EQ(code, 0);
}

// Reads take no lock; a write waits for it a bounded time, once for a whole batch. Nothing at
// the names of the lock, the file or its temporary copy can block a call, a FIFO neither.
TEST_F(HiveFile, aHeldLockOrAFifoNeverFreezesTheStore)
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
        for (const std::string& fifo : {lockFile, file.string() + ".tmp"})
            EXPECT_EQ((fs::remove(fifo), ::mkfifo(fifo.c_str(), 0600)), 0) << fifo;
        EXPECT_FALSE(store.SaveSetting("Misc", "Top", "3"));
        fs::remove(lockFile);
        EXPECT_TRUE(store.SaveSetting("Misc", "Top", "3")); // the FIFO of the copy is replaced
        ASSERT_TRUE(fs::remove(file) && ::mkfifo(file.c_str(), 0600) == 0);
        EXPECT_EQ(store.GetSetting("Misc", "Top", "d"), "d");
        EXPECT_FALSE(store.SaveSetting("Misc", "Top", "4"));
    });
}

TEST_F(HiveFile, twoProcessesWritingAtOnceLoseNothing)
{
    std::vector<pid_t> writers;
    for (char who : {'A', 'B'}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            // A writer in a tight loop leaves the other few chances at the lock: a long wait.
            registry writer(std::make_shared<HiveFileRegistry>(file, std::chrono::seconds(30)));
            bool ok = true;
            for (int i = 0; i < 500; ++i)
                ok = writer.SaveSetting("Misc", who + std::to_string(i), std::to_string(i)) && ok;
            ::_exit(ok ? 0 : 1);
        }
        writers.push_back(pid);
    }
    for (pid_t pid : writers)
        EXPECT_EQ(exitCode(pid), 0);
    EXPECT_TRUE(stored());
    EXPECT_EQ(Reg.GetAllSettings("Misc").size(), 1000u);
    EXPECT_EQ(Reg.GetSetting("Misc", "A499") + Reg.GetSetting("Misc", "B0"), "4990");
}

TEST_F(HiveFile, aWriterKilledMidWriteLeavesEveryKeyWithItsOldOrNewValue)
{
    constexpr int keys = 10, acked = 8, rounds = 10;
    // Padding makes each rewrite long enough to be caught in the middle.
    std::string seed = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Norvalde\\Quorvil4\\Padding]\n";
    for (int i = 0; i < 2000; ++i)
        seed += "\"P" + std::to_string(i) + "\"=\"p\"\n";
    fs::create_directories(file.parent_path());
    writeFile(file, seed);
    const fs::path temporary = file.string() + ".tmp";
    std::vector<std::string> state(keys);
    for (int round = 1; round <= rounds; ++round) {
        int acks[2];
        ASSERT_EQ(::pipe(acks), 0);
        const pid_t pid = ::fork();
        if (pid == 0) { // write i sets key i % keys to this round's i / keys + 1
            for (int i = 0;; ++i) {
                Reg.SaveSetting("Misc", "K" + std::to_string(i % keys),
                                std::to_string(round * 100000 + i / keys + 1));
                if (::write(acks[1], "+", 1) != 1)
                    ::_exit(1);
            }
        }
        ::close(acks[1]);
        for (int i = 0; i < acked; ++i) {
            char ack;
            ASSERT_EQ(::read(acks[0], &ack, 1), 1);
        }
        // Kills the writer while a new file is being written, a little later in each round.
        for (int seen = 0, polls = 0; seen < round * round && polls < 1000000; ++polls)
            seen += fs::exists(temporary);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ::close(acks[0]);

        std::optional<RegTree> tree = stored();
        ASSERT_TRUE(tree) << "round " << round;
        EXPECT_EQ(tree->find(appKey({"Padding"}))->values.size(), 2000u);
        // The file holds the state after some number of writes, at least those acknowledged,
        // so this round's count of writes per key falls by at most one from first key to last.
        std::vector<int> counts;
        for (int k = 0; k < keys; ++k) {
            const std::string now = Reg.GetSetting("Misc", "K" + std::to_string(k));
            counts.push_back(now == state[k] ? 0 : std::stoi(now) - round * 100000);
            state[k] = now;
        }
        EXPECT_TRUE(std::is_sorted(counts.rbegin(), counts.rend()) &&
                    counts.front() - counts.back() <= 1 &&
                    std::accumulate(counts.begin(), counts.end(), 0) >= acked)
            << "round " << round << ": " << state.front() << " .. " << state.back();
    }
    ASSERT_TRUE(Reg.SaveSetting("Misc", "After", "1"));
    EXPECT_FALSE(fs::exists(temporary));
}

} // namespace
