#include "log/csvlog.h"

#include "util/userfolders.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

// Whether the file at path is still the one held open, not deleted or replaced meanwhile.
bool stillAtPath(int fd, const std::filesystem::path& path)
{
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

} // namespace

std::optional<std::string> CsvLog::start(const std::filesystem::path& file, bool timerEnabled,
                                         Folder folder)
{
    if (m_fd.valid())
        stop();
    m_file = file;
    m_header = csvHeader(timerEnabled);
    m_folder = folder;
    return open();
}

std::optional<std::string> CsvLog::open()
{
    if (m_folder == Folder::Create && m_file.has_parent_path() &&
        !makePrivateFolders(m_file.parent_path()))
        return errnoText();
    // Non-blocking, so that a FIFO at the path cannot hang the window; links are followed, as
    // to an earlier log. The check and the truncation go through this one descriptor.
    FileDescriptor fd(openFile(m_file.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY, 0644));
    if (!fd.valid() && errno == ENOENT && m_folder == Folder::MustExist)
        return "Its folder does not exist";
    if (!fd.valid())
        return errnoText();
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return errnoText();
    if (!S_ISREG(st.st_mode))
        return "It is not a regular file";
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
    if (!stillAtPath(m_fd.get(), m_file)) {
        m_fd.close();
        if (const std::optional<std::string> failure = open())
            return "It was removed and could not be made again: " + *failure;
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
    if (!writeAll(m_fd.get(), bytes))
        return errnoText();
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
