#pragma once

#include "util/fileio.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The temperature log: a header line, then one line of date, time and the four bare temperatures
// per tick. Every line reaches the file as it is written, so a crash loses at most that line.
class CsvLog final {
public:
    static constexpr std::string_view FileName = "QuorvilLog.csv";
    static constexpr std::string_view HeaderText = "Date,Time,Sensor1,Sensor2,Sensor3,Sensor4,";
    // Why a start failed while another program (or another log of this one) holds the file.
    static constexpr std::string_view AnotherWriter = "another Quorvil4 is logging to this file";

    CsvLog() = default;
    CsvLog(const CsvLog&) = delete;
    CsvLog& operator=(const CsvLog&) = delete;

    // Creates the folder if needed, creates the file or empties an earlier log (a file that is
    // empty or starts with the header line), and writes the header line ending in the timer's
    // state. The file stays locked against other logs until stop. Anything else at the path, or
    // a log that another one is writing, is left untouched. On failure nothing stays open and
    // the reason is returned.
    std::optional<std::string> start(const std::filesystem::path& file, bool timerEnabled);
    // One whole line, CR LF included (csvLine), at the end of the file. A log deleted or moved
    // away meanwhile is started again at its path before the line, and one emptied meanwhile gets
    // its header again. A write that fails leaves the file ending in its last whole line.
    std::optional<std::string> writeLine(std::string_view line);
    std::optional<std::string> stop();

    bool isOpen() const { return m_fd.valid(); }
    const std::filesystem::path& file() const { return m_file; }

private:
    std::optional<std::string> open();
    std::optional<std::string> write(std::string_view bytes);

    FileDescriptor m_fd;
    std::filesystem::path m_file;
    std::string m_header;
};

// The header line: the header text, the logging timer's state as a word, CR LF.
std::string csvHeader(bool timerEnabled);
// A data line: date, time and the four bare temperatures, CR LF.
std::string csvLine(std::string_view date, std::string_view time,
                    const std::array<std::string, 4>& temperatures);

// Milliseconds between log lines for a position of the interval list; none for any other.
std::optional<int> loggingInterval(int position);
