#pragma once

#include "monitor/tickrecord.h"

#include <vector>

// Keeps every tick record it is handed.
class RecordedTicks final : public TickSink {
public:
    void record(const TickRecord& tick) override { ticks.push_back(tick); }
    std::vector<TickRecord> ticks;
};
