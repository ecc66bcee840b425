#pragma once

#include "history/historystore.h"
#include "monitor/tickrecord.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Keeps each tick in the history file. Nothing happens at start-up: the file is opened with the
// first batch, a few seconds after the first tick. Batches of a few seconds go in one
// transaction each, so a crash loses at most one batch; a batch that finds the file busy waits
// for the next turn. Of two programs, the first records and the second leaves it to it.
class HistoryRecorder final : public TickSink {
public:
    static constexpr std::int64_t BatchMs = 5000;
    // A batch kept back while the file is busy never holds more than this.
    static constexpr std::size_t MaxPending = 3600;
    // Ticks past two days dropped per batch: a little at a time, so no tick waits for it.
    static constexpr int DropMinutesPerBatch = 10;

    // wanted: whether the user records (asked at every batch); report: one message for the user.
    HistoryRecorder(std::filesystem::path file, std::function<bool()> wanted,
                    std::function<void(const std::string&)> report);
    // Writes what is pending.
    ~HistoryRecorder() override;

    void record(const TickRecord& tick) override;
    void add(const HistoryTick& tick);
    // Writes the pending ticks now, as the next batch would.
    void flush(std::int64_t nowMs);

    std::size_t pending() const { return m_pending.size(); }
    bool failed() const { return m_failed; }

private:
    std::filesystem::path m_file;
    std::function<bool()> m_wanted;
    std::function<void(const std::string&)> m_report;
    HistoryStore m_store;
    std::vector<HistoryTick> m_pending;
    std::int64_t m_batchStart = 0;
    bool m_failed = false;
    bool m_toldWaiting = false;
};

// The tick as the history keeps it.
HistoryTick historyTick(const TickRecord& tick);

// A tick as one line of text, for the recorder program: the time in milliseconds, then four
// temperatures in hundredths and four readings, "-" for none, separated by spaces.
std::string historyLine(const HistoryTick& tick);
// None for a line that is not one of those.
std::optional<HistoryTick> parseHistoryLine(std::string_view line);
// The recorder program's exit status once it has told why it records no more.
constexpr int RecorderToldStatus = 3;
