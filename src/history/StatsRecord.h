// SPDX-License-Identifier: MIT
// One line of stats.csv as the history reads it.
#pragma once

#include "text/StatsCsv.h"

#include <QtGlobal>
#include <array>
#include <limits>

namespace history {

// The six statistics, in the order a stats.csv record holds them.
using StatsField = StatsCsv::Statistic;
using enum StatsCsv::Statistic;
inline constexpr int FieldCount = StatsCsv::StatisticCount;

// The ping result the record carries; Unknown before the first result after start-up.
using PingState = StatsCsv::PingState;

inline constexpr double NoValue = std::numeric_limits<double>::quiet_NaN();

// A record's time is in milliseconds since the epoch; so is every time of the history.
inline constexpr qint64 MsPerMinute = 60 * 1000;
inline constexpr qint64 MsPerHour = 60 * MsPerMinute;
inline constexpr qint64 MsPerDay = 24 * MsPerHour;

struct StatsRecord {
    qint64 time = 0;                         // milliseconds since the epoch
    std::array<double, FieldCount> values{}; // NoValue where the collection found none
    PingState ping = PingState::Unknown;
};

} // namespace history
