// SPDX-License-Identifier: MIT
#include "TimeSpans.h"

#include <algorithm>

namespace history {

qint64 UsualSpacing(const std::vector<StatsRecord>& records) {
    if (records.size() < 2)
        return MsPerMinute;
    std::vector<qint64> spacings(records.size() - 1);
    for (size_t i = 0; i + 1 < records.size(); ++i)
        spacings[i] = records[i + 1].time - records[i].time;
    const auto middle = spacings.begin() + qsizetype(spacings.size() / 2);
    std::nth_element(spacings.begin(), middle, spacings.end());
    return std::max(*middle, MsPerMinute);
}

qint64 GapLimit(const std::vector<StatsRecord>& records) {
    return GapFactor * UsualSpacing(records);
}

std::vector<TimeSpan> DownSpans(const std::vector<StatsRecord>& records, qint64 gapLimit) {
    std::vector<TimeSpan> spans;
    for (size_t i = 0; i < records.size(); ++i) {
        if (records[i].ping != PingState::Down)
            continue;
        const qint64 start = records[i].time;
        const qint64 end =
            i + 1 < records.size() ? std::min(records[i + 1].time, start + gapLimit) : start + gapLimit / GapFactor;
        if (!spans.empty() && spans.back().to >= start)
            spans.back().to = std::max(spans.back().to, end);
        else
            spans.push_back({start, end});
    }
    return spans;
}

std::vector<TimeSpan> Gaps(const std::vector<StatsRecord>& records, qint64 gapLimit) {
    std::vector<TimeSpan> gaps;
    for (size_t i = 1; i < records.size(); ++i) {
        if (records[i].time - records[i - 1].time > gapLimit)
            gaps.push_back({records[i - 1].time, records[i].time});
    }
    return gaps;
}

std::vector<TimeSpan> VisibleSpans(const std::vector<TimeSpan>& spans, qint64 from, qint64 to, qint64 narrowest) {
    std::vector<TimeSpan> visible;
    auto it = std::upper_bound(spans.begin(), spans.end(), from, [](qint64 t, const TimeSpan& s) { return t < s.to; });
    for (; it != spans.end() && it->from <= to; ++it) {
        const TimeSpan span{it->from, std::max(it->to, it->from + narrowest)};
        if (!visible.empty() && span.from - visible.back().to < narrowest)
            visible.back().to = std::max(visible.back().to, span.to);
        else
            visible.push_back(span);
    }
    return visible;
}

SpanTotals Totals(const std::vector<TimeSpan>& spans) {
    SpanTotals totals;
    totals.count = qsizetype(spans.size());
    for (const TimeSpan& span : spans) {
        totals.total += span.length();
        totals.longest = std::max(totals.longest, span.length());
    }
    return totals;
}

} // namespace history
