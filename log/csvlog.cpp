#include "log/csvlog.h"

#include "util/userfolders.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Whether the file begins with the header line this log writes.
bool startsWithHeader(int fd)
{
    const std::string header = std::string(CsvLog::HeaderText) + "True";
    char start[64];
    ssize_t size;
    do
        size = ::pread(fd, start, header.size() + 1, 0);
    while (size < 0 && errno == EINTR);
    const std::string_view found(start, std::size_t(std::max<ssize_t>(size, 0)));
    return found.starts_with(header) &&
           (found.size() == header.size() || found[header.size()] == '\r' ||
            found[header.size()] == '\n');
}

// Whether the file at path is still the one held open, not deleted or replaced meanwhile; held
// receives what the open file is.
bool stillAtPath(int fd, const std::filesystem::path& path, struct stat& held)
{
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// Cuts a file back to the end of its last whole line, so that a write cut short by a full disk
// leaves no fragment for the next line to run into.
bool cutToLastWholeLine(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    off_t end = st.st_size;
    char chunk[4096];
    while (end > 0) {
        const off_t from = std::max<off_t>(end - off_t(sizeof chunk), 0);
        ssize_t size;
        do
            size = ::pread(fd, chunk, std::size_t(end - from), from);
        while (size < 0 && errno == EINTR);
        if (size <= 0)
            return false;
        const std::string_view read(chunk, std::size_t(size));
        if (const std::size_t lineEnd = read.rfind('\n'); lineEnd != std::string_view::npos) {
            end = from + off_t(lineEnd) + 1;
            break;
        }
        end = from;
    }
    return end == st.st_size || ::ftruncate(fd, end) == 0;
}

} // namespace

std::optional<std::string> CsvLog::start(const std::filesystem::path& file, bool timerEnabled)
{
    if (m_fd.valid())
        stop();
    m_file = file;
    m_header = csvHeader(timerEnabled);
    return open();
}

std::optional<std::string> CsvLog::open()
{
    if (m_file.has_parent_path() && !makePrivateFolders(m_file.parent_path()))
        return errnoText();
    // Non-blocking, so that a FIFO at the path cannot hang the window; links are followed, as
    // to an earlier log. The check and the truncation go through this one descriptor. Appending,
    // so that a log emptied by another program (a rotation) goes on at its new end, not behind a
    // hole where the old lines were.
    FileDescriptor fd(
        openFile(m_file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY, 0644));
    if (!fd.valid())
        return errnoText();
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return errnoText();
    if (!S_ISREG(st.st_mode))
        return "It is not a regular file";
    // Held while logging and let go with the descriptor: two writers would interleave and
    // overwrite each other's lines. A file system without locks still takes the log, unguarded.
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return std::string(AnotherWriter);
        if (errno != EINTR)
            break;
    }
    if (st.st_size > 0 && !startsWithHeader(fd.get()))
        return "It is not a Quorvil4 log, so it was left untouched";
    if (::ftruncate(fd.get(), 0) != 0)
        return errnoText();
    m_fd = std::move(fd);
    if (std::optional<std::string> failure = write(m_header)) {
        m_fd.close();
        return failure;
    }
    return std::nullopt;
}

std::optional<std::string> CsvLog::writeLine(std::string_view line)
{
    if (!m_fd.valid())
        return errnoText(EBADF);
    struct stat held {};
    if (!stillAtPath(m_fd.get(), m_file, held)) {
        m_fd.close();
        if (const std::optional<std::string> failure = open())
            return "It was removed and could not be made again: " + *failure;
    } else if (held.st_size == 0) {
        // Emptied by another program meanwhile: the lines that follow get their header back.
        return write(m_header + std::string(line));
    }
    return write(line);
}

std::optional<std::string> CsvLog::stop()
{
    if (!m_fd.valid() || m_fd.close())
        return std::nullopt;
    return errnoText();
}

std::optional<std::string> CsvLog::write(std::string_view bytes)
{
    if (!writeAll(m_fd.get(), bytes)) {
        const int error = errno;
        cutToLastWholeLine(m_fd.get());
        return errnoText(error);
    }
    // A power cut loses at most the line being written.
    if (::fdatasync(m_fd.get()) != 0 && errno != EINVAL)
        return errnoText();
    return std::nullopt;
}

std::string csvHeader(bool timerEnabled)
{
    return std::string(CsvLog::HeaderText) + (timerEnabled ? "True" : "False") + "\r\n";
}

std::string csvLine(std::string_view date, std::string_view time,
                    const std::array<std::string, 4>& temperatures)
{
    std::string line;
    line.reserve(64);
    line.append(date).append(",").append(time);
    for (const std::string& t : temperatures)
        line.append(",").append(t);
    line.append("\r\n");
    return line;
}

std::optional<int> loggingInterval(int position)
{
    static constexpr int intervals[] = {1000, 5000, 6000, 10000, 15000, 30000, 60000};
    if (position < 0 || position >= int(std::size(intervals)))
        return std::nullopt;
    return intervals[position];
}
