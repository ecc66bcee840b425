#pragma once

#include "monitor/tickrecord.h"

#include <string>
#include <string_view>

// Prometheus's text exposition format, version 0.0.4.
inline constexpr std::string_view MetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

// The readings of one tick, with HELP and TYPE lines. A family without a sample is left out.
std::string metricsText(const TickRecord& tick);

// What there is to tell before the first tick: the build alone.
std::string buildInfoText();

// A label value as it goes between the quotes: backslash, double quote and line feed escaped,
// bytes that are not UTF-8 replaced (one such byte would fail the whole scrape).
std::string escapedLabelValue(std::string_view value);
