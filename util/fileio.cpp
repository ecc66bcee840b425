#include "util/fileio.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>
#include <utility>

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.release();
    }
    return *this;
}

int FileDescriptor::release()
{
    return std::exchange(m_fd, -1);
}

bool FileDescriptor::close()
{
    return m_fd < 0 || ::close(release()) == 0;
}

int openFile(const char* path, int flags, mode_t mode)
{
    int fd;
    do
        fd = ::open(path, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
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

bool readAll(int fd, std::string& text, std::size_t limit, std::size_t sizeHint)
{
    // One byte more than expected notices a file that grew meanwhile.
    text.resize(std::min(sizeHint, limit) + 1);
    std::size_t done = 0;
    for (;;) {
        if (done == text.size()) {
            if (done > limit) {
                errno = EFBIG;
                return false;
            }
            text.resize(std::min(std::max<std::size_t>(done * 2, 4096), limit + 1));
        }
        const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        done += std::size_t(n);
    }
    text.resize(done);
    return true;
}

void keepStandardDescriptorsOpen()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // open gives the lowest free number, which is this one.
        const int standIn = ::open("/dev/null", O_RDONLY);
        if (standIn >= 0 && standIn != fd)
            ::close(standIn);
    }
}

std::string errnoText(int error)
{
    return std::generic_category().message(error);
}
