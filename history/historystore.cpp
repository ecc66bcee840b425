#include "history/historystore.h"

#include "util/fileio.h"
#include "util/userfolders.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <map>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// "Qv4h" in the file's header: how a history file is told from any other SQLite database.
constexpr std::uint32_t ApplicationId = 0x51763468;

// The header fields that say whose file this is, read without SQLite so that a foreign file is
// never touched, not even by a journal beside it.
struct FileHeader {
    bool sqlite = false;
    std::uint32_t applicationId = 0;
    std::uint32_t userVersion = 0;
};

std::uint32_t bigEndian(const unsigned char* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::optional<FileHeader> readHeader(const std::filesystem::path& file, int* error)
{
    FileDescriptor fd(openFile(file.c_str(), O_RDONLY));
    if (!fd.valid()) {
        *error = errno;
        return std::nullopt;
    }
    unsigned char bytes[100]{};
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::read(fd.get(), bytes + got, sizeof bytes - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = errno;
            return std::nullopt;
        }
        if (n == 0)
            break;
        got += std::size_t(n);
    }
    FileHeader header;
    header.sqlite = got == sizeof bytes && std::memcmp(bytes, "SQLite format 3", 16) == 0;
    if (header.sqlite) {
        header.userVersion = bigEndian(bytes + 60);
        header.applicationId = bigEndian(bytes + 68);
    }
    return header;
}

std::string sensorColumns(const char* pattern)
{
    std::string out;
    for (int i = 1; i <= 4; ++i) {
        for (const char* p = pattern; *p; ++p)
            out += *p == '#' ? char('0' + i) : *p;
    }
    return out;
}

// Per sensor: how many ticks counted, the least, the sum and the greatest, in hundredths.
const std::string summaryColumns = sensorColumns(", n# INTEGER NOT NULL, lo#, sum#, hi#");

std::string schema()
{
    return "CREATE TABLE tick(t INTEGER PRIMARY KEY" + sensorColumns(", c#") +
           sensorColumns(", r#") + ") WITHOUT ROWID;" +
           "CREATE TABLE minute(m INTEGER PRIMARY KEY" + summaryColumns + ") WITHOUT ROWID;" +
           "CREATE TABLE hour(h INTEGER PRIMARY KEY" + summaryColumns + ") WITHOUT ROWID;" +
           "PRAGMA application_id = " + std::to_string(ApplicationId) + ";" +
           "PRAGMA user_version = " + std::to_string(HistoryStore::Version) + ";";
}

std::string upsert(const char* table, const char* key)
{
    std::string sql = std::string("INSERT INTO ") + table + " VALUES(?" +
                      sensorColumns(", ?, ?, ?, ?") + ") ON CONFLICT(" + key + ") DO UPDATE SET ";
    sql += sensorColumns("lo# = CASE WHEN n# = 0 THEN excluded.lo# WHEN excluded.n# = 0 THEN lo# "
                         "ELSE min(lo#, excluded.lo#) END, "
                         "hi# = CASE WHEN n# = 0 THEN excluded.hi# WHEN excluded.n# = 0 THEN hi# "
                         "ELSE max(hi#, excluded.hi#) END, "
                         "sum# = sum# + excluded.sum#, n# = n# + excluded.n#, ");
    sql.resize(sql.size() - 2);
    return sql;
}

// SQLite is opened at the first use of a history, not at start-up: a window whose recording is
// done by the recorder program maps none of it until its History window opens.
#define QUORVIL_SQLITE_CALLS(X)                                                                    \
    X(bind_int)                                                                                    \
    X(bind_int64)                                                                                  \
    X(changes)                                                                                     \
    X(clear_bindings)                                                                              \
    X(close)                                                                                       \
    X(close_v2)                                                                                    \
    X(column_int)                                                                                  \
    X(column_int64)                                                                                \
    X(column_type)                                                                                 \
    X(db_readonly)                                                                                 \
    X(errcode)                                                                                     \
    X(errmsg)                                                                                      \
    X(exec)                                                                                        \
    X(finalize)                                                                                    \
    X(open_v2)                                                                                     \
    X(prepare_v2)                                                                                  \
    X(reset)                                                                                       \
    X(step)

struct Sqlite {
#define QUORVIL_FIELD(name) decltype(&::sqlite3_##name) name = nullptr;
    QUORVIL_SQLITE_CALLS(QUORVIL_FIELD)
#undef QUORVIL_FIELD
    std::string error; // why the library cannot be used; empty when it can
};

const Sqlite& sqlite()
{
    static const Sqlite loaded = [] {
        Sqlite lib;
        void* handle = ::dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            lib.error = ::dlerror();
            return lib;
        }
#define QUORVIL_RESOLVE(name)                                                                      \
    lib.name = reinterpret_cast<decltype(&::sqlite3_##name)>(::dlsym(handle, "sqlite3_" #name));   \
    if (!lib.name && lib.error.empty())                                                            \
        lib.error = "libsqlite3.so.0 lacks sqlite3_" #name;
        QUORVIL_SQLITE_CALLS(QUORVIL_RESOLVE)
#undef QUORVIL_RESOLVE
        return lib;
    }();
    return loaded;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

// A prepared statement, finalized when it goes.
class Statement final {
public:
    Statement(sqlite3* db, const std::string& sql)
    {
        if (sqlite().prepare_v2(db, sql.c_str(), int(sql.size()), &m_stmt, nullptr) != SQLITE_OK)
            m_stmt = nullptr;
    }
    ~Statement() { sqlite().finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    explicit operator bool() const { return m_stmt != nullptr; }
    sqlite3_stmt* get() const { return m_stmt; }
    void reset() const
    {
        sqlite().reset(m_stmt);
        sqlite().clear_bindings(m_stmt);
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

void add(HistoryPoint::Value& into, std::int32_t centi)
{
    into.min = into.count == 0 ? centi : std::min(into.min, centi);
    into.max = into.count == 0 ? centi : std::max(into.max, centi);
    into.sum += centi;
    ++into.count;
}

bool bindSummary(const Statement& st, std::int64_t key, const std::array<HistoryPoint::Value, 4>& v)
{
    sqlite3_stmt* s = st.get();
    st.reset();
    sqlite().bind_int64(s, 1, key);
    for (int i = 0; i < 4; ++i) {
        const int column = 2 + 4 * i;
        sqlite().bind_int(s, column, v[i].count);
        if (v[i].count > 0) {
            sqlite().bind_int(s, column + 1, v[i].min);
            sqlite().bind_int64(s, column + 2, v[i].sum);
            sqlite().bind_int(s, column + 3, v[i].max);
        } else {
            sqlite().bind_int64(s, column + 2, 0);
        }
    }
    return sqlite().step(s) == SQLITE_DONE;
}

HistoryPoint summaryRow(sqlite3_stmt* s, std::int64_t spanMs)
{
    HistoryPoint p;
    p.unixMs = sqlite().column_int64(s, 0) * spanMs;
    p.spanMs = spanMs;
    for (int i = 0; i < 4; ++i) {
        const int column = 1 + 4 * i;
        HistoryPoint::Value& v = p.sensors[i];
        v.count = sqlite().column_int(s, column);
        if (v.count > 0) {
            v.min = sqlite().column_int(s, column + 1);
            v.sum = sqlite().column_int64(s, column + 2);
            v.max = sqlite().column_int(s, column + 3);
        }
    }
    return p;
}

std::string sqliteReason(sqlite3* db, const char* action)
{
    return std::string(action) + ": " + (db ? sqlite().errmsg(db) : "out of memory");
}

} // namespace

std::int64_t levelSpanMs(HistoryLevel level)
{
    switch (level) {
    case HistoryLevel::Tick:
        return 1000;
    case HistoryLevel::Minute:
        return 60'000;
    case HistoryLevel::Hour:
        return 3'600'000;
    }
    return 1000;
}

HistoryStore::~HistoryStore()
{
    close();
}

void HistoryStore::close()
{
    if (m_db)
        sqlite().close_v2(m_db);
    m_db = nullptr;
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    m_lockFd = -1;
}

bool HistoryStore::exec(const char* sql) const
{
    return sqlite().exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Made whole under another name and linked into place, so that no one ever opens a half-made
// history, and of two programs making it at once one wins and the other opens its file.
bool HistoryStore::createFile(const std::filesystem::path& file, std::string* reason)
{
    if (!makePrivateFolders(file.parent_path())) {
        *reason = "cannot make the folder " + file.parent_path().string() + ": " + errnoText(errno);
        return false;
    }
    const std::filesystem::path fresh = file.string() + ".new-" + std::to_string(::getpid());
    std::error_code ignored; // a leftover of a crash is made anew; a failure shows at the open
    std::filesystem::remove(fresh, ignored);
    sqlite3* db = nullptr;
    bool made =
        sqlite().open_v2(fresh.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) ==
            SQLITE_OK &&
        sqlite().exec(db, ("BEGIN;" + schema() + "COMMIT;").c_str(), nullptr, nullptr, nullptr) ==
            SQLITE_OK &&
        sqlite().exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!made)
        *reason = sqliteReason(db, ("cannot make " + file.string()).c_str());
    made = sqlite().close(db) == SQLITE_OK && made;
    if (made && ::link(fresh.c_str(), file.c_str()) != 0 && errno != EEXIST) {
        *reason = "cannot make " + file.string() + ": " + errnoText(errno);
        made = false;
    }
    std::filesystem::remove(fresh, ignored);
    return made;
}

HistoryStore::Opened HistoryStore::open(const std::filesystem::path& file, Access access,
                                        std::string* reason)
{
    close();
    m_file = file;
    if (!sqlite().error.empty()) {
        *reason = "the SQLite library cannot be loaded: " + sqlite().error;
        return Opened::Failed;
    }
    int error = 0;
    std::optional<FileHeader> header = readHeader(file, &error);
    if (!header && error == ENOENT) {
        if (access == Access::Read) {
            *reason = "no history has been recorded yet";
            return Opened::Missing;
        }
        if (!createFile(file, reason))
            return Opened::Failed;
        header = readHeader(file, &error);
    }
    if (!header) {
        *reason = "cannot read " + file.string() + ": " + errnoText(error);
        return Opened::Failed;
    }
    if (!header->sqlite || header->applicationId != ApplicationId || header->userVersion == 0) {
        *reason = file.string() + " is not a Quorvil4 history";
        return Opened::NotHistory;
    }
    if (header->userVersion > unsigned(Version)) {
        *reason = file.string() + " was written by a newer version of Quorvil4";
        return Opened::FutureVersion;
    }
    const int flags = access == Access::Write ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    if (sqlite().open_v2(file.c_str(), &m_db, flags, nullptr) != SQLITE_OK ||
        (access == Access::Write && sqlite().db_readonly(m_db, "main") == 1)) {
        *reason = sqliteReason(m_db, ("cannot open " + file.string()).c_str());
        close();
        return Opened::Failed;
    }
    // A commit waits for no disk; the write-ahead log keeps the file whole through a power cut.
    // Writes go to the ends of the tables, which a small cache holds; small checkpoints keep
    // each one's wait for the disk short.
    if (access == Access::Write && !exec("PRAGMA synchronous = NORMAL; PRAGMA cache_size = -256; "
                                         "PRAGMA wal_autocheckpoint = 100")) {
        *reason = sqliteReason(m_db, ("cannot open " + file.string()).c_str());
        close();
        return Opened::Failed;
    }
    Statement check(m_db, "SELECT count(*) FROM sqlite_schema WHERE name IN "
                          "('tick', 'minute', 'hour')");
    if (!check || sqlite().step(check.get()) != SQLITE_ROW ||
        sqlite().column_int(check.get(), 0) != 3) {
        *reason = sqliteReason(m_db, ("cannot read " + file.string()).c_str());
        close();
        return Opened::Failed;
    }
    return Opened::Ok;
}

bool HistoryStore::claimWriting()
{
    if (m_lockFd >= 0)
        return true;
    const std::string lock = m_file.string() + ".lock";
    const int fd = openFile(lock.c_str(), O_RDWR | O_CREAT, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_lockFd = fd;
    return true;
}

HistoryStore::Written HistoryStore::append(const std::vector<HistoryTick>& ticks,
                                           std::string* reason)
{
    if (!m_db)
        return Written::Failed;
    const int begun = sqlite().exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (begun == SQLITE_BUSY)
        return Written::Busy;
    const auto fail = [&] {
        if (reason)
            *reason = sqliteReason(m_db, ("cannot write " + m_file.string()).c_str());
        const bool busy = sqlite().errcode(m_db) == SQLITE_BUSY;
        exec("ROLLBACK");
        return busy ? Written::Busy : Written::Failed;
    };
    if (begun != SQLITE_OK)
        return fail();
    Statement insert(m_db, "INSERT OR IGNORE INTO tick VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
    Statement minute(m_db, upsert("minute", "m"));
    Statement hour(m_db, upsert("hour", "h"));
    if (!insert || !minute || !hour)
        return fail();
    std::map<std::int64_t, std::array<HistoryPoint::Value, 4>> minutes;
    std::map<std::int64_t, std::array<HistoryPoint::Value, 4>> hours;
    for (const HistoryTick& tick : ticks) {
        insert.reset();
        sqlite().bind_int64(insert.get(), 1, tick.unixMs);
        for (int i = 0; i < 4; ++i) {
            if (tick.centi[i])
                sqlite().bind_int(insert.get(), 2 + i, *tick.centi[i]);
            if (tick.reading[i])
                sqlite().bind_int64(insert.get(), 6 + i, *tick.reading[i]);
        }
        if (sqlite().step(insert.get()) != SQLITE_DONE)
            return fail();
        // A tick kept before (the clock set back) must not count twice in its minute.
        if (sqlite().changes(m_db) == 0)
            continue;
        auto& m = minutes[floorDiv(tick.unixMs, levelSpanMs(HistoryLevel::Minute))];
        auto& h = hours[floorDiv(tick.unixMs, levelSpanMs(HistoryLevel::Hour))];
        for (int i = 0; i < 4; ++i) {
            if (tick.centi[i]) {
                add(m[i], *tick.centi[i]);
                add(h[i], *tick.centi[i]);
            }
        }
    }
    for (const auto& [key, values] : minutes)
        if (!bindSummary(minute, key, values))
            return fail();
    for (const auto& [key, values] : hours)
        if (!bindSummary(hour, key, values))
            return fail();
    if (!exec("COMMIT"))
        return fail();
    return Written::Ok;
}

int HistoryStore::dropTicksBefore(std::int64_t cutoffMs, int maxMinutes)
{
    if (!m_db)
        return 0;
    const std::int64_t minuteMs = levelSpanMs(HistoryLevel::Minute);
    Statement oldest(m_db, "SELECT min(t) FROM tick");
    if (!oldest || sqlite().step(oldest.get()) != SQLITE_ROW ||
        sqlite().column_type(oldest.get(), 0) == SQLITE_NULL)
        return 0;
    const std::int64_t first = floorDiv(sqlite().column_int64(oldest.get(), 0), minuteMs);
    const std::int64_t end = std::min(floorDiv(cutoffMs, minuteMs), first + maxMinutes);
    if (end <= first)
        return 0;
    Statement drop(m_db, "DELETE FROM tick WHERE t < ?");
    if (!drop)
        return 0;
    sqlite().bind_int64(drop.get(), 1, end * minuteMs);
    const int rc = sqlite().step(drop.get());
    if (rc == SQLITE_BUSY)
        return -1;
    return rc == SQLITE_DONE ? int(end - first) : 0;
}

std::vector<HistoryPoint> HistoryStore::read(HistoryLevel level, std::int64_t fromMs,
                                             std::int64_t toMs) const
{
    std::vector<HistoryPoint> points;
    if (!m_db || toMs <= fromMs)
        return points;
    // Ticks are kept for two days only: before the oldest one, minutes stand in for them.
    std::int64_t ticksFrom = toMs;
    if (level == HistoryLevel::Tick) {
        Statement oldest(m_db, "SELECT min(t) FROM tick");
        if (oldest && sqlite().step(oldest.get()) == SQLITE_ROW &&
            sqlite().column_type(oldest.get(), 0) != SQLITE_NULL)
            ticksFrom =
                std::clamp<std::int64_t>(sqlite().column_int64(oldest.get(), 0), fromMs, toMs);
    }
    const HistoryLevel summary =
        level == HistoryLevel::Hour ? HistoryLevel::Hour : HistoryLevel::Minute;
    const std::int64_t span = levelSpanMs(summary);
    const std::string table = summary == HistoryLevel::Hour ? "hour" : "minute";
    const std::string key = summary == HistoryLevel::Hour ? "h" : "m";
    Statement summaries(m_db, "SELECT * FROM " + table + " WHERE " + key + " >= ? AND " + key +
                                  " < ? ORDER BY " + key);
    if (summaries) {
        sqlite().bind_int64(summaries.get(), 1, floorDiv(fromMs, span));
        sqlite().bind_int64(summaries.get(), 2, floorDiv(ticksFrom + span - 1, span));
        // The minute holding the oldest tick comes from the ticks.
        if (level == HistoryLevel::Tick && ticksFrom < toMs)
            sqlite().bind_int64(summaries.get(), 2, floorDiv(ticksFrom, span));
        while (sqlite().step(summaries.get()) == SQLITE_ROW)
            points.push_back(summaryRow(summaries.get(), span));
    }
    if (ticksFrom >= toMs)
        return points;
    Statement ticks(m_db, "SELECT t" + sensorColumns(", c#") +
                              " FROM tick WHERE t >= ? AND t < ? ORDER BY t");
    if (!ticks)
        return points;
    sqlite().bind_int64(ticks.get(), 1, ticksFrom);
    sqlite().bind_int64(ticks.get(), 2, toMs);
    while (sqlite().step(ticks.get()) == SQLITE_ROW) {
        HistoryPoint p;
        p.unixMs = sqlite().column_int64(ticks.get(), 0);
        for (int i = 0; i < 4; ++i)
            if (sqlite().column_type(ticks.get(), 1 + i) != SQLITE_NULL)
                add(p.sensors[i], sqlite().column_int(ticks.get(), 1 + i));
        points.push_back(p);
    }
    return points;
}

std::optional<std::pair<std::int64_t, std::int64_t>> HistoryStore::extent() const
{
    if (!m_db)
        return std::nullopt;
    // Each end on its own: a query with both min and max reads the whole table.
    Statement st(m_db, "SELECT (SELECT min(m) FROM minute), (SELECT max(m) FROM minute), "
                       "(SELECT max(t) FROM tick)");
    if (!st || sqlite().step(st.get()) != SQLITE_ROW ||
        sqlite().column_type(st.get(), 0) == SQLITE_NULL)
        return std::nullopt;
    const std::int64_t minuteMs = levelSpanMs(HistoryLevel::Minute);
    const std::int64_t last = sqlite().column_type(st.get(), 2) != SQLITE_NULL
                                  ? sqlite().column_int64(st.get(), 2)
                                  : sqlite().column_int64(st.get(), 1) * minuteMs + minuteMs - 1;
    return std::pair{sqlite().column_int64(st.get(), 0) * minuteMs, last};
}
