#include "log/csvlog.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace {

std::string reason(int error)
{
    return std::generic_category().message(error);
}

} // namespace

CsvLog::~CsvLog()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<std::string> CsvLog::start(const std::filesystem::path& file, bool timerEnabled)
{
    if (m_fd >= 0)
        stop();
    m_file = file;
    std::error_code ec;
    if (file.has_parent_path() && !std::filesystem::is_directory(file.parent_path(), ec)) {
        std::filesystem::create_directories(file.parent_path(), ec);
        if (ec)
            return ec.message();
    }
    m_fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0)
        return reason(errno);
    if (auto failure = write(csvHeader(timerEnabled))) {
        ::close(m_fd);
        m_fd = -1;
        return failure;
    }
    return std::nullopt;
}

std::optional<std::string> CsvLog::writeLine(std::string_view line)
{
    if (m_fd < 0)
        return reason(EBADF);
    return write(line);
}

std::optional<std::string> CsvLog::stop()
{
    if (m_fd < 0)
        return std::nullopt;
    const int rc = ::close(m_fd);
    m_fd = -1;
    return rc == 0 ? std::nullopt : std::optional(reason(errno));
}

std::optional<std::string> CsvLog::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return reason(errno);
        }
        bytes.remove_prefix(std::size_t(n));
    }
    // A power cut loses at most the line being written.
    if (::fdatasync(m_fd) != 0 && errno != EINVAL)
        return reason(errno);
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
