#include "settings/hivefile.h"

#include "settings/hivetext.h"
#include "util/fileio.h"
#include "util/userfolders.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace {

// Permission problems, as errno tells them, get their own code; anything else the caller's.
long failure(long fallback)
{
    return (errno == EACCES || errno == EPERM || errno == EROFS) ? reg::AccessDenied : fallback;
}

fs::path folderOf(const fs::path& file)
{
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

std::string utcStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    return stamp;
}

// Keeps text as "<file>.bak-<UTC time>", never over an earlier backup.
bool keepBackup(const fs::path& file, std::string_view text, mode_t mode)
{
    const std::string base = file.string() + ".bak-" + utcStamp();
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string name = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        FileDescriptor fd(openFile(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, mode));
        if (!fd.valid() && errno == EEXIST)
            continue;
        if (!fd.valid())
            return false;
        if (writeAll(fd.get(), text) && ::fsync(fd.get()) == 0 && fd.close())
            return true;
        const int error = errno;
        ::unlink(name.c_str());
        errno = error;
        return false;
    }
    return false;
}

// Writes a flushed temporary file and renames it over target: readers and a crash see the old
// or the new file, never a mixture. written receives what the new file is on disk; on failure,
// troubled names the file that the reason concerns.
bool replaceFile(const fs::path& target, std::string_view text, mode_t mode, struct stat& written,
                 std::string& troubled)
{
    // Only the holder of the exclusive lock writes it, so one name will do. Whatever sits there
    // (a file left by a writer that died, a FIFO) is removed rather than opened.
    const std::string temp = target.string() + ".tmp";
    troubled = temp;
    if (::unlink(temp.c_str()) != 0 && errno != ENOENT)
        return false;
    FileDescriptor fd(openFile(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600));
    if (!fd.valid())
        return false;
    ::fchmod(fd.get(), mode); // keeps the permissions of the file it replaces
    const bool copied = writeAll(fd.get(), text) && ::fsync(fd.get()) == 0 &&
                        ::fstat(fd.get(), &written) == 0 && fd.close();
    if (!copied || ::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        if (copied)
            troubled = target.string();
        ::unlink(temp.c_str());
        errno = error;
        return false;
    }
    // Makes the rename itself durable; should this fail, the new file is in place all the same.
    FileDescriptor folder(openFile(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY));
    if (folder.valid())
        ::fsync(folder.get());
    return true;
}

// A link to the hive (say into a folder of dotfiles) stays a link: its target is replaced.
std::optional<fs::path> replacementTarget(const fs::path& file)
{
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return file;
    char* resolved = ::realpath(file.c_str(), nullptr);
    if (!resolved)
        return std::nullopt;
    fs::path target(resolved);
    std::free(resolved);
    return target;
}

} // namespace

HiveFileRegistry::Snapshot HiveFileRegistry::snapshotOf(const struct stat& st)
{
    Snapshot snapshot;
    snapshot.exists = true;
    snapshot.device = std::uint64_t(st.st_dev);
    snapshot.inode = std::uint64_t(st.st_ino);
    snapshot.size = std::uint64_t(st.st_size);
    snapshot.mtimeSec = std::uint64_t(st.st_mtim.tv_sec);
    snapshot.mtimeNsec = std::uint64_t(st.st_mtim.tv_nsec);
    snapshot.mode = unsigned(st.st_mode & 07777);
    return snapshot;
}

HiveFileRegistry::HiveFileRegistry(std::filesystem::path file, std::chrono::milliseconds lockWait)
    : m_file(std::move(file)), m_lockWait(lockWait)
{
}

HiveFileRegistry::~HiveFileRegistry()
{
    unlock();
}

long HiveFileRegistry::fail(long code, std::string reason)
{
    m_lastCode = code;
    m_lastReason = std::move(reason);
    return code;
}

std::string HiveFileRegistry::failureReason(long code) const
{
    return code == m_lastCode && !m_lastReason.empty() ? m_lastReason
                                                       : RegistryApi::failureReason(code);
}

// Brings the snapshot up to date with the file on disk, parsing it again only when it is
// another file or has changed. A writer compares the bytes as well: a file written within the
// same clock tick may come back with the inode, size and time of one replaced before it.
long HiveFileRegistry::refresh(long failCode, bool compareBytes)
{
    // Non-blocking, so that a FIFO at the path cannot hang the caller; regular files ignore it.
    FileDescriptor fd(openFile(m_file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY));
    if (!fd.valid() && errno == ENOENT) {
        m_snapshot = Snapshot{};
        m_snapshot->hive.emplace();
        return reg::Success;
    }
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
        return fail(failure(failCode), errnoText());
    if (!S_ISREG(st.st_mode))
        return fail(failCode, "The settings file is not a regular file");
    if (std::uintmax_t(st.st_size) > MaxFileSize)
        return fail(failCode, "The settings file is larger than 4 MiB");
    Snapshot now = snapshotOf(st);
    const bool same = m_snapshot && m_snapshot->exists && m_snapshot->device == now.device &&
                      m_snapshot->inode == now.inode && m_snapshot->size == now.size &&
                      m_snapshot->mtimeSec == now.mtimeSec &&
                      m_snapshot->mtimeNsec == now.mtimeNsec;
    if (!same || compareBytes) {
        if (!readAll(fd.get(), now.text, MaxFileSize, std::size_t(st.st_size))) {
            m_snapshot.reset();
            return fail(errno == EFBIG ? failCode : failure(failCode), errnoText());
        }
    }
    if (same && (!compareBytes || now.text == m_snapshot->text)) {
        m_snapshot->mode = now.mode;
    } else {
        now.hive = parseHive(now.text);
        m_snapshot = std::move(now);
    }
    if (!m_snapshot->hive)
        return fail(failCode, "The settings file is not in the registry text format");
    return reg::Success;
}

long HiveFileRegistry::lockForWriting()
{
    if (!makePrivateFolders(folderOf(m_file)))
        return fail(failure(reg::CantWrite), errnoText());
    // Opened so that nothing found at the name (a FIFO, a device, a link) can block or mislead.
    const std::string name = m_file.string() + ".lock";
    FileDescriptor lock(
        openFile(name.c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY, 0600));
    struct stat st {};
    if (!lock.valid() && errno != ELOOP && errno != EISDIR)
        return fail(failure(reg::CantWrite), name + ": " + errnoText());
    if (!lock.valid() || ::fstat(lock.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return fail(reg::CantWrite, "The lock file " + name + " is not a regular file");
    const auto deadline = std::chrono::steady_clock::now() + m_lockWait;
    while (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return fail(reg::CantWrite, errnoText());
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= left.zero())
            return fail(reg::CantWrite, "Another program holds the settings lock");
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(10)));
    }
    m_lock = std::move(lock);
    return reg::Success;
}

void HiveFileRegistry::unlock()
{
    m_lock.close();
}

// Writes the snapshot's tree as the new file.
long HiveFileRegistry::commit()
{
    Snapshot& snapshot = *m_snapshot;
    std::optional<std::string> text = formatHive(snapshot.hive->tree);
    if (!text)
        return fail(reg::InvalidParameter, "A key name holds a line break");
    if (text->size() > MaxFileSize)
        return fail(reg::CantWrite, "The settings would not fit in 4 MiB"); // unreadable
    const std::optional<fs::path> target = replacementTarget(m_file);
    if (!target)
        return fail(failure(reg::CantWrite), errno == ENOENT
                                                 ? "The settings file is a link to a missing file"
                                                 : errnoText());
    if (snapshot.exists && snapshot.hive->droppedLines > 0 &&
        !keepBackup(*target, snapshot.text, snapshot.mode))
        return fail(failure(reg::CantWrite), "No backup could be made: " + errnoText());
    struct stat st {};
    std::string troubled;
    if (!replaceFile(*target, *text, snapshot.mode, st, troubled))
        return fail(failure(reg::CantWrite), troubled + ": " + errnoText());
    Snapshot written = snapshotOf(st);
    written.mode = snapshot.mode;
    written.hive = std::move(snapshot.hive);
    written.text = std::move(*text);
    snapshot = std::move(written);
    snapshot.hive->droppedLines = 0;
    return reg::Success;
}

long HiveFileRegistry::transact(Access access, const std::function<long(RegTree&, bool&)>& op)
{
    const bool write = access == Access::Write;
    const bool batch = m_batchDepth > 0;
    if (write && batch && m_batchResult != reg::Success)
        return m_batchResult;
    if (write && !m_lock.valid()) {
        if (const long rc = lockForWriting(); rc != reg::Success)
            return batch ? (m_batchResult = rc) : rc;
    }
    // Outside a batch a write holds the lock for this call only.
    struct Unlock {
        HiveFileRegistry* self;
        ~Unlock()
        {
            if (self)
                self->unlock();
        }
    } unlockAfter{write && !batch ? this : nullptr};

    if (!m_pinned) {
        if (const long rc = refresh(write ? reg::CantWrite : reg::CantRead, write);
            rc != reg::Success)
            return write && batch ? (m_batchResult = rc) : rc;
        m_pinned = write && batch;
    }
    bool changed = false;
    const long rc = op(m_snapshot->hive->tree, changed);
    if (!write || rc != reg::Success || !changed)
        return rc;
    if (batch) {
        m_batchChanged = true;
        return reg::Success;
    }
    const long written = commit();
    if (written != reg::Success)
        m_snapshot.reset(); // it holds the change that did not reach the file
    return written;
}

void HiveFileRegistry::beginBatch()
{
    if (m_batchDepth++ == 0) {
        m_batchResult = reg::Success;
        m_batchChanged = false;
    }
}

long HiveFileRegistry::endBatch()
{
    if (m_batchDepth == 0 || --m_batchDepth > 0)
        return reg::Success;
    long rc = m_batchResult;
    if (rc == reg::Success && m_batchChanged)
        rc = commit();
    if (rc != reg::Success && m_batchChanged)
        m_snapshot.reset(); // all or nothing: the changes that were not written are dropped
    m_pinned = false;
    unlock();
    return rc;
}

std::filesystem::path defaultHivePath()
{
    return programFolder(xdgBaseFolder("XDG_CONFIG_HOME", ".config")) / "user.reg";
}
