#include "history/historyrecorder.h"

#include <charconv>
#include <cmath>

HistoryTick historyTick(const TickRecord& tick)
{
    HistoryTick out;
    out.unixMs = tick.unixMs;
    for (std::size_t i = 0; i < 4; ++i) {
        const SensorRecord& s = tick.sensors[i];
        out.reading[i] = s.reading;
        // Hundredths: finer than any thermistor on a game port, and a whole number to keep.
        if (s.counted && s.celsius && std::isfinite(*s.celsius) && std::abs(*s.celsius) < 2e7)
            out.centi[i] = std::int32_t(std::nearbyint(*s.celsius * 100));
    }
    return out;
}

namespace {

template <typename T> void putField(std::string& line, const std::optional<T>& value)
{
    line += ' ';
    line += value ? std::to_string(*value) : "-";
}

// Takes the next field off text; false when there is none or it is not a T.
template <typename T> bool takeField(std::string_view& text, std::optional<T>& value)
{
    const std::size_t end = std::min(text.find(' '), text.size());
    const std::string_view field = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (field == "-") {
        value.reset();
        return true;
    }
    T number{};
    const auto [last, error] = std::from_chars(field.data(), field.data() + field.size(), number);
    if (field.empty() || error != std::errc() || last != field.data() + field.size())
        return false;
    value = number;
    return true;
}

} // namespace

std::string historyLine(const HistoryTick& tick)
{
    std::string line = std::to_string(tick.unixMs);
    for (const auto& centi : tick.centi)
        putField(line, centi);
    for (const auto& reading : tick.reading)
        putField(line, reading);
    return line;
}

std::optional<HistoryTick> parseHistoryLine(std::string_view line)
{
    HistoryTick tick;
    std::optional<std::int64_t> unixMs;
    bool whole = takeField(line, unixMs) && unixMs;
    for (auto& centi : tick.centi)
        whole = whole && takeField(line, centi);
    for (auto& reading : tick.reading)
        whole = whole && takeField(line, reading);
    if (!whole || !line.empty())
        return std::nullopt;
    tick.unixMs = *unixMs;
    return tick;
}

HistoryRecorder::HistoryRecorder(std::filesystem::path file, std::function<bool()> wanted,
                                 std::function<void(const std::string&)> report)
    : m_file(std::move(file)), m_wanted(std::move(wanted)), m_report(std::move(report))
{
}

HistoryRecorder::~HistoryRecorder()
{
    if (!m_pending.empty())
        flush(m_pending.back().unixMs);
}

void HistoryRecorder::record(const TickRecord& tick)
{
    add(historyTick(tick));
}

void HistoryRecorder::add(const HistoryTick& tick)
{
    if (m_failed)
        return;
    if (m_pending.empty() && m_batchStart == 0)
        m_batchStart = tick.unixMs;
    m_pending.push_back(tick);
    if (tick.unixMs - m_batchStart >= BatchMs || tick.unixMs < m_batchStart)
        flush(tick.unixMs);
}

void HistoryRecorder::flush(std::int64_t nowMs)
{
    m_batchStart = nowMs;
    if (m_failed || !m_wanted()) {
        m_pending.clear();
        return;
    }
    std::string reason;
    if (!m_store.isOpen() &&
        m_store.open(m_file, HistoryStore::Access::Write, &reason) != HistoryStore::Opened::Ok) {
        m_failed = true;
        m_pending.clear();
        m_report("History: " + reason + "; this run records no history.");
        return;
    }
    if (!m_store.claimWriting()) {
        if (!m_toldWaiting)
            m_report("History: another Quorvil4 is recording to " + m_file.string() +
                     "; this one leaves the recording to it.");
        m_toldWaiting = true;
        m_pending.clear();
        return;
    }
    switch (m_store.append(m_pending, &reason)) {
    case HistoryStore::Written::Ok:
        m_pending.clear();
        break;
    case HistoryStore::Written::Busy:
        if (m_pending.size() > MaxPending)
            m_pending.erase(m_pending.begin(),
                            m_pending.begin() + std::ptrdiff_t(m_pending.size() - MaxPending));
        return;
    case HistoryStore::Written::Failed:
        m_failed = true;
        m_pending.clear();
        m_store.close();
        m_report("History: " + reason + "; no more history is recorded in this run.");
        return;
    }
    m_store.dropTicksBefore(nowMs - HistoryStore::KeepTicksMs, DropMinutesPerBatch);
}
