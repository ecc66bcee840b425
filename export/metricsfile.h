#pragma once

#include "monitor/tickrecord.h"

#include <filesystem>
#include <functional>
#include <string>

// The metrics text rewritten after every tick for node_exporter's textfile collector: written
// beside the file and renamed over it, so that a reader sees the old or the new text, never half.
// Removed when this goes, so that a stopped program's series end instead of standing still.
class MetricsFile final : public TickSink {
public:
    // report takes one line when the writes start failing and one when they work again.
    MetricsFile(std::filesystem::path path, std::function<void(const std::string&)> report);
    ~MetricsFile() override;
    MetricsFile(const MetricsFile&) = delete;
    MetricsFile& operator=(const MetricsFile&) = delete;

    void record(const TickRecord& tick) override;

private:
    std::filesystem::path m_path;
    std::filesystem::path m_temporary;
    std::function<void(const std::string&)> m_report;
    bool m_written = false; // the file is ours to remove
    bool m_failing = false;
};
