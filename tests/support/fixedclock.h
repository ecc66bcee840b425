#pragma once

#include "monitor/clock.h"

// A clock that stands at one moment, 3:04:05 PM on 5 December 2026 unless moved.
class FixedClock final : public Clock {
public:
    QDateTime at{QDate(2026, 12, 5), QTime(15, 4, 5)};
    QDateTime now() const override { return at; }
};
