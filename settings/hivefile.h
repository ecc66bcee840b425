#pragma once

#include "settings/hivetext.h"
#include "settings/regtree.h"
#include "util/fileio.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

// The per-user registry kept in a REGEDIT4 text file. Reads take no lock: every change is
// written to a flushed temporary file renamed over the old one, so a reader sees the old file
// or the new, never a mixture. The parsed file is reused for as long as the file on disk is the
// same one (device, inode, size and modification time). Every change rewrites the file whole
// under an exclusive lock on "<file>.lock", waited for a bounded time; a batch holds the lock
// once and writes once. A file holding lines that a rewrite would drop is first kept beside it
// as "<file>.bak-<UTC time>".
class HiveFileRegistry final : public TreeRegistry {
public:
    explicit HiveFileRegistry(std::filesystem::path file,
                              std::chrono::milliseconds lockWait = DefaultLockWait);
    HiveFileRegistry(const HiveFileRegistry&) = delete; // it may hold the lock
    HiveFileRegistry& operator=(const HiveFileRegistry&) = delete;
    ~HiveFileRegistry() override;

    const std::filesystem::path& file() const { return m_file; }

    void beginBatch() override;
    long endBatch() override;
    std::string location() const override { return m_file.string(); }
    std::string failureReason(long code) const override;

    // A larger file is not read (calls fail) and a change that would make it larger fails.
    static constexpr std::uintmax_t MaxFileSize = 4 << 20;
    // How long a write, or a whole batch, waits for another writer to let go of the lock.
    static constexpr std::chrono::milliseconds DefaultLockWait{2000};

protected:
    long transact(Access access, const std::function<long(RegTree&, bool&)>& op) override;

private:
    // The file as last read or written, and what tells whether it is still the one on disk.
    struct Snapshot {
        bool exists = false;
        std::uint64_t device = 0, inode = 0, size = 0, mtimeSec = 0, mtimeNsec = 0;
        unsigned mode = 0600;
        std::string text;
        std::optional<ParsedHive> hive; // none: not a hive
    };

    static Snapshot snapshotOf(const struct stat& st);
    long refresh(long failCode, bool compareBytes);
    long lockForWriting();
    void unlock();
    long commit();
    long fail(long code, std::string reason);

    std::filesystem::path m_file;
    std::chrono::milliseconds m_lockWait;
    std::optional<Snapshot> m_snapshot;
    FileDescriptor m_lock;
    int m_batchDepth = 0;
    long m_batchResult = 0;
    bool m_batchChanged = false;
    bool m_pinned = false; // the tree in memory holds a batch's changes not yet written
    long m_lastCode = 0;
    std::string m_lastReason;
};

// $XDG_CONFIG_HOME/Norvalde/Quorvil4/user.reg (XDG_CONFIG_HOME defaults to ~/.config).
std::filesystem::path defaultHivePath();
