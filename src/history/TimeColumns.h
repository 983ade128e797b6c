// SPDX-License-Identifier: MIT
// What the charts draw of a time range, thinned to the pixel columns they
// have: the cost of drawing follows the width of the window, not the number
// of records.
#pragma once

#include "StatsRecord.h"

#include <QList>
#include <QPointF>
#include <array>
#include <vector>

namespace history {

// Points of each statistic for the range [from, to] cut into columns: each
// column keeps its records' minimum and maximum, in the order they came, so a
// dip of one record still shows. The nearest record outside the range on
// each side is kept too, so the lines run on to the edges. x is the record's
// time in milliseconds since the epoch.
std::array<QList<QPointF>, FieldCount> ThinToColumns(const std::vector<StatsRecord>& records, qint64 from, qint64 to,
                                                     int columns);

struct TimeSpan {
    qint64 from = 0;
    qint64 to = 0;
    bool operator==(const TimeSpan&) const = default;
};

// The stretches of time whose records say the ping was "Down", in time order.
// A record stands for the time until the next record, but for an hour at most
// (line-warden may have been closed in between), and the last one for its minute.
std::vector<TimeSpan> DownSpans(const std::vector<StatsRecord>& records);

// The spans that show in [from, to]: each at least `narrowest` wide, so that a
// minute's outage in a year still shows, and joined to the next when closer than that.
std::vector<TimeSpan> VisibleSpans(const std::vector<TimeSpan>& spans, qint64 from, qint64 to, qint64 narrowest);

} // namespace history
