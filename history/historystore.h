#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

// One tick as kept: temperatures in hundredths of a degree Celsius, only for counted sensors.
struct HistoryTick {
    std::int64_t unixMs = 0;
    std::array<std::optional<std::int32_t>, 4> centi;
    std::array<std::optional<std::uint32_t>, 4> reading;
};

// How finely a stretch of history is read back.
enum class HistoryLevel { Tick, Minute, Hour };

// One point read back: a tick, or the summary of a minute or an hour that held ticks.
struct HistoryPoint {
    struct Value {
        std::int32_t count = 0; // counted ticks; no value without one
        std::int32_t min = 0;
        std::int32_t max = 0;
        std::int64_t sum = 0; // the mean is sum / count
    };
    std::int64_t unixMs = 0; // the tick, or the start of its minute or hour
    std::int64_t spanMs = 1000;
    std::array<Value, 4> sensors;
};

std::int64_t levelSpanMs(HistoryLevel level);

// The history database: every tick of the last two days, and per minute and per hour the least,
// the sum and the greatest of each sensor for ever. Written by one program at a time (a lock
// file beside it), read by any number.
class HistoryStore final {
public:
    static constexpr int Version = 1;
    static constexpr std::int64_t KeepTicksMs = 48LL * 3600 * 1000;
    static constexpr const char* FileName = "history.sqlite";

    enum class Access { Read, Write };
    enum class Opened { Ok, Missing, NotHistory, FutureVersion, Failed };

    HistoryStore() = default;
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // A missing file is made only for writing. Anything but Ok leaves the file as it was and
    // puts the reason for the user in reason.
    Opened open(const std::filesystem::path& file, Access access, std::string* reason);
    bool isOpen() const { return m_db != nullptr; }
    void close();

    // Whether this program may write: false while another one holds the writer's lock.
    bool claimWriting();

    enum class Written { Ok, Busy, Failed };
    // In one transaction; a tick already kept for that millisecond is skipped. Busy when another
    // connection holds the database: nothing is written, try again later.
    Written append(const std::vector<HistoryTick>& ticks, std::string* reason = nullptr);
    // Drops at most maxMinutes of the oldest ticks that lie before cutoffMs (their minutes and
    // hours are kept). The number of minutes dropped, or -1 when the database was busy.
    int dropTicksBefore(std::int64_t cutoffMs, int maxMinutes);

    // The points in [fromMs, toMs) at that level, oldest first.
    std::vector<HistoryPoint> read(HistoryLevel level, std::int64_t fromMs,
                                   std::int64_t toMs) const;
    // The first and last time anything was kept; none while the history is empty.
    std::optional<std::pair<std::int64_t, std::int64_t>> extent() const;

private:
    bool exec(const char* sql) const;
    bool createFile(const std::filesystem::path& file, std::string* reason);

    sqlite3* m_db = nullptr;
    std::filesystem::path m_file;
    int m_lockFd = -1;
};
