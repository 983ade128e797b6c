// SPDX-License-Identifier: MIT
// What the charts draw of a time range, thinned to the pixel columns they
// have: the cost of drawing follows the width of the window, not the number
// of records.
#pragma once

#include "StatsRecord.h"

#include <array>
#include <vector>

namespace history {

// One statistic's values within one pixel column.
struct ColumnValues {
    double time = 0; // the mean time of the values: a lone record's own time
    double low = 0;
    double mean = 0;
    double high = 0;
    bool operator==(const ColumnValues&) const = default;
};

// Columns whose values a line joins: between two traces lies a gap.
using Trace = std::vector<ColumnValues>;

// Each statistic's values in [from, to] cut into columns, split into traces
// wherever two of its values lie further apart than gapLimit, and than a
// column is wide. The nearest
// record outside the range on each side is kept too, so that the lines run
// on to the edges. Times are milliseconds since the epoch.
std::array<std::vector<Trace>, FieldCount> ThinToColumns(const std::vector<StatsRecord>& records, qint64 from,
                                                         qint64 to, int columns, qint64 gapLimit);

} // namespace history
