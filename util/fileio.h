#pragma once

#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

// A file descriptor owned by its holder and closed when it goes.
class FileDescriptor final {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { close(); }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release();
    // Closes at once; a write error that the kernel reports late shows here (false, errno set).
    bool close();

private:
    int m_fd = -1;
};

// open(2), close-on-exec, tried again when a signal interrupts it.
int openFile(const char* path, int flags, mode_t mode = 0);

// Writes all of data, going on after partial or interrupted writes. False with errno set.
bool writeAll(int fd, std::string_view data);

// Reads to the end of the file into text, expecting about sizeHint bytes. False with errno set,
// EFBIG when the file holds more than limit bytes.
bool readAll(int fd, std::string& text, std::size_t limit, std::size_t sizeHint = 0);

// Gives each of descriptors 0, 1 and 2 that is closed a read-only /dev/null, before anything else
// is opened: a file opened later would otherwise take its number, and take in whatever is written
// to standard output or error. A write to such a stand-in fails as a closed one does (EBADF).
void keepStandardDescriptorsOpen();

// What errno (or the given error number) means, in words, for a message to the user.
std::string errnoText(int error = errno);
