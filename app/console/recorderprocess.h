#pragma once

#include "monitor/tickrecord.h"

#include <QSocketNotifier>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>

// Records the history through the recorder program, fed each tick as a line on a socket, so that
// the window keeps none of SQLite in its memory. The program starts with the first batch, a few
// seconds after the first tick and only while the user records; it ends when this does, after
// writing what it holds. Its reports, and its end before its time, reach report.
class RecorderProcess final : public TickSink {
public:
    RecorderProcess(std::filesystem::path program, std::filesystem::path historyFile,
                    std::filesystem::path settingsFile, std::function<bool()> wanted,
                    std::function<void(const std::string&)> report);
    // Closes the program's input and waits a while for its last batch.
    ~RecorderProcess() override;
    RecorderProcess(const RecorderProcess&) = delete;
    RecorderProcess& operator=(const RecorderProcess&) = delete;

    void record(const TickRecord& tick) override;

    // The running program's process id; -1 before it starts and after it ends.
    pid_t pid() const { return m_pid; }

    // Lines kept back while the program reads nothing never take more than this.
    static constexpr std::size_t MaxUnsent = 256 * 1024;
    // How long the end waits for the program to write its last batch and end.
    static constexpr int EndWaitMs = 5000;

private:
    bool start(std::string* reason);
    void send(std::string line);
    // Reads what the program said; true while it runs.
    bool readReports();
    void ended();

    std::filesystem::path m_program;
    std::filesystem::path m_historyFile;
    std::filesystem::path m_settingsFile;
    std::function<bool()> m_wanted;
    std::function<void(const std::string&)> m_report;
    pid_t m_pid = -1;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::string m_unsent; // before the start: the first batch; after: what the socket did not take
    std::string m_heard;  // a report not yet ended by its line end
    std::int64_t m_batchStart = 0;
    bool m_done = false; // failed or ended: nothing more is recorded in this run
    bool m_toldBehind = false;
};
