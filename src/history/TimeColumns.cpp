// SPDX-License-Identifier: MIT
#include "TimeColumns.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace history {

namespace {

constexpr qint64 OneMinute = 60 * 1000;
constexpr qint64 LongestRecordSpan = 60 * OneMinute;

// Where the lowest and the highest value of one statistic lie within a column.
struct Extremes {
    const StatsRecord* low = nullptr;
    const StatsRecord* high = nullptr;
};

} // namespace

std::array<QList<QPointF>, FieldCount> ThinToColumns(const std::vector<StatsRecord>& records, qint64 from, qint64 to,
                                                     int columns) {
    std::array<QList<QPointF>, FieldCount> points;
    if (records.empty() || to <= from || columns <= 0)
        return points;
    for (auto& list : points)
        list.reserve(2 * columns + 4);
    auto first = std::lower_bound(records.begin(), records.end(), from,
                                  [](const StatsRecord& r, qint64 t) { return r.time < t; });
    auto last =
        std::upper_bound(records.begin(), records.end(), to, [](qint64 t, const StatsRecord& r) { return t < r.time; });
    if (first != records.begin())
        --first;
    if (last != records.end())
        ++last;

    const double columnWidth = double(to - from) / columns;
    std::array<Extremes, FieldCount> column{};
    auto flush = [&points, &column] {
        for (int f = 0; f < FieldCount; ++f) {
            auto [low, high] = column[f];
            if (!low)
                continue;
            if (high < low)
                std::swap(low, high);
            points[f].append(QPointF(double(low->time), low->values[f]));
            if (high != low)
                points[f].append(QPointF(double(high->time), high->values[f]));
        }
        column = {};
    };
    qint64 current = std::numeric_limits<qint64>::min();
    for (auto it = first; it != last; ++it) {
        const auto index = qint64(std::floor(double(it->time - from) / columnWidth));
        if (index != current) {
            flush();
            current = index;
        }
        for (int f = 0; f < FieldCount; ++f) {
            const double value = it->values[f];
            if (std::isnan(value))
                continue;
            Extremes& e = column[f];
            if (!e.low || value < e.low->values[f])
                e.low = &*it;
            if (!e.high || value > e.high->values[f])
                e.high = &*it;
        }
    }
    flush();
    return points;
}

std::vector<TimeSpan> DownSpans(const std::vector<StatsRecord>& records) {
    std::vector<TimeSpan> spans;
    for (size_t i = 0; i < records.size(); ++i) {
        if (records[i].ping != PingState::Down)
            continue;
        const qint64 start = records[i].time;
        const qint64 end =
            i + 1 < records.size() ? std::min(records[i + 1].time, start + LongestRecordSpan) : start + OneMinute;
        if (!spans.empty() && spans.back().to >= start)
            spans.back().to = std::max(spans.back().to, end);
        else
            spans.push_back({start, end});
    }
    return spans;
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

} // namespace history
