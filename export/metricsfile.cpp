#include "export/metricsfile.h"

#include "export/prometheus.h"
#include "util/fileio.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

MetricsFile::MetricsFile(std::filesystem::path path, std::function<void(const std::string&)> report)
    : m_path(std::move(path)), m_temporary(m_path.string() + ".tmp"), m_report(std::move(report))
{
}

MetricsFile::~MetricsFile()
{
    ::unlink(m_temporary.c_str());
    if (m_written)
        ::unlink(m_path.c_str());
}

void MetricsFile::record(const TickRecord& tick)
{
    // The textfile collector ignores names without ".prom", so it never reads the temporary.
    FileDescriptor fd(openFile(m_temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    const bool ok = fd.valid() && writeAll(fd.get(), metricsText(tick)) && fd.close() &&
                    std::rename(m_temporary.c_str(), m_path.c_str()) == 0;
    if (!ok) {
        const std::string reason = errnoText();
        ::unlink(m_temporary.c_str());
        if (!m_failing)
            m_report("the metrics file could not be written: " + m_path.string() + ": " + reason);
        m_failing = true;
        return;
    }
    m_written = true;
    if (m_failing)
        m_report("the metrics file is written again: " + m_path.string());
    m_failing = false;
}
