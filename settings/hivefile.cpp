#include "settings/hivefile.h"

#include "settings/hivetext.h"
#include "settings/userfolders.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace {

class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes at once; a write error that the kernel reports late shows here.
    bool close() { return ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

int openFile(const std::string& path, int flags, mode_t mode = 0)
{
    int fd;
    do
        fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Permission problems, as errno tells them, get their own code; anything else the caller's.
long failure(long fallback)
{
    return (errno == EACCES || errno == EPERM || errno == EROFS) ? reg::AccessDenied : fallback;
}

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(std::size_t(n));
    }
    return true;
}

struct Contents {
    bool exists = false;
    mode_t mode = 0600;
    std::string text;
};

long readContents(const fs::path& file, Contents& contents, long failCode)
{
    // Non-blocking, so that a FIFO at the path cannot hang the caller; regular files ignore it.
    FileHandle fd(openFile(file, O_RDONLY | O_NONBLOCK | O_NOCTTY));
    if (!fd.valid())
        return errno == ENOENT ? reg::Success : failure(failCode);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        std::uintmax_t(st.st_size) > HiveFileRegistry::MaxFileSize)
        return failCode;
    contents.exists = true;
    contents.mode = st.st_mode & 07777;
    std::string& text = contents.text;
    text.resize(std::size_t(st.st_size) + 1); // one byte more notices a file that grew
    std::size_t size = 0;
    for (;;) {
        if (size == text.size()) {
            if (size > HiveFileRegistry::MaxFileSize)
                return failCode;
            text.resize(std::min<std::size_t>(size * 2, HiveFileRegistry::MaxFileSize + 1));
        }
        const ssize_t n = ::read(fd.get(), text.data() + size, text.size() - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failure(failCode);
        if (n == 0)
            break;
        size += std::size_t(n);
    }
    text.resize(size);
    return reg::Success;
}

fs::path folderOf(const fs::path& file)
{
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// Missing folders are made private, as the base directory specification asks.
bool makeFolder(const fs::path& folder)
{
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    fs::path partial;
    for (const fs::path& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
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
        FileHandle fd(openFile(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, mode));
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
// or the new file, never a mixture.
bool replaceFile(const fs::path& target, std::string_view text, mode_t mode)
{
    // Only the holder of the exclusive lock writes it, so one name will do; a file left behind
    // by a writer that died is simply written over.
    const std::string temp = target.string() + ".tmp";
    FileHandle fd(openFile(temp, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0600));
    if (!fd.valid())
        return false;
    ::fchmod(fd.get(), mode); // keeps the permissions of the file it replaces
    if (!writeAll(fd.get(), text) || ::fsync(fd.get()) != 0 || !fd.close() ||
        ::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        errno = error;
        return false;
    }
    // Makes the rename itself durable; should this fail, the new file is in place all the same.
    FileHandle folder(openFile(folderOf(target), O_RDONLY | O_DIRECTORY));
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

HiveFileRegistry::HiveFileRegistry(std::filesystem::path file) : m_file(std::move(file)) {}

long HiveFileRegistry::transact(Access access, const std::function<long(RegTree&, bool&)>& op)
{
    const bool write = access == Access::Write;
    const long failCode = write ? reg::CantWrite : reg::CantRead;
    if (write && !makeFolder(folderOf(m_file)))
        return failure(failCode);

    // Readers do not create the lock file. Without one no writer has come yet, and as writers
    // replace the file whole, a reader sees either the old or the new file in any case.
    FileHandle lock(openFile(m_file.string() + ".lock", O_RDONLY | (write ? O_CREAT : 0), 0600));
    if (!lock.valid() && (write || errno != ENOENT))
        return failure(failCode);
    if (lock.valid()) {
        int locked;
        do
            locked = ::flock(lock.get(), write ? LOCK_EX : LOCK_SH);
        while (locked != 0 && errno == EINTR);
        if (locked != 0)
            return failCode;
    }

    Contents contents;
    if (const long rc = readContents(m_file, contents, failCode); rc != reg::Success)
        return rc;
    std::optional<ParsedHive> hive = parseHive(contents.text);
    if (!hive)
        return failCode; // not a hive: left untouched
    bool changed = false;
    const long rc = op(hive->tree, changed);
    if (!write || rc != reg::Success || !changed)
        return rc;

    const std::optional<std::string> text = formatHive(hive->tree);
    if (!text)
        return reg::InvalidParameter;
    if (text->size() > MaxFileSize)
        return failCode; // it could not be read back
    if (contents.exists && *text == contents.text)
        return reg::Success;
    const std::optional<fs::path> target = replacementTarget(m_file);
    if (!target)
        return failure(failCode);
    if (contents.exists && hive->droppedLines > 0 &&
        !keepBackup(*target, contents.text, contents.mode))
        return failure(failCode);
    if (!replaceFile(*target, *text, contents.mode))
        return failure(failCode);
    return reg::Success;
}

std::filesystem::path defaultHivePath()
{
    return programFolder(xdgBaseFolder("XDG_CONFIG_HOME", ".config")) / "user.reg";
}
