// SPDX-License-Identifier: MIT
// The stretches a history is told in besides its values: when the ping was
// Down, and when no records were written at all (Line Warden closed, the
// computer asleep). Both rest on the file's usual spacing of records.
#pragma once

#include "StatsRecord.h"

#include <vector>

namespace history {

// Two records further apart than this many times the usual spacing have a
// gap between them: no line joins them, and no stretch is drawn across it.
inline constexpr int GapFactor = 5;

// The time between two records as the file mostly has it: the median, and a
// minute at least, as time stamps go no finer.
qint64 UsualSpacing(const std::vector<StatsRecord>& records);

// GapFactor times the usual spacing.
qint64 GapLimit(const std::vector<StatsRecord>& records);

struct TimeSpan {
    qint64 from = 0;
    qint64 to = 0;
    qint64 length() const { return to - from; }
    bool operator==(const TimeSpan&) const = default;
};

// The stretches whose records say the ping was "Down", in time order. A Down
// record stands for the time until the next record, but for gapLimit at most,
// and the last record for gapLimit / GapFactor, the usual spacing.
std::vector<TimeSpan> DownSpans(const std::vector<StatsRecord>& records, qint64 gapLimit);

// From record to record, wherever two lie further apart than gapLimit.
std::vector<TimeSpan> Gaps(const std::vector<StatsRecord>& records, qint64 gapLimit);

// The spans that show in [from, to]: each at least `narrowest` wide, so that a
// minute's outage in a year still shows, and joined to the next when closer than that.
std::vector<TimeSpan> VisibleSpans(const std::vector<TimeSpan>& spans, qint64 from, qint64 to, qint64 narrowest);

struct SpanTotals {
    qsizetype count = 0;
    qint64 total = 0;
    qint64 longest = 0;
};
SpanTotals Totals(const std::vector<TimeSpan>& spans);

} // namespace history
