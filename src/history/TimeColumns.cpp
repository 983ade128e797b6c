// SPDX-License-Identifier: MIT
#include "TimeColumns.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace history {

namespace {

// One statistic's values gathered in the current column.
struct Gathered {
    int count = 0;
    double timeSum = 0; // from the range's start, so that no precision is lost
    double sum = 0;
    double low = 0;
    double high = 0;
    qint64 firstTime = 0;
    qint64 lastTime = 0;
};

} // namespace

std::array<std::vector<Trace>, FieldCount> ThinToColumns(const std::vector<StatsRecord>& records, qint64 from,
                                                         qint64 to, int columns, qint64 gapLimit) {
    std::array<std::vector<Trace>, FieldCount> traces;
    if (records.empty() || to <= from || columns <= 0)
        return traces;
    auto first = std::lower_bound(records.begin(), records.end(), from,
                                  [](const StatsRecord& r, qint64 t) { return r.time < t; });
    auto last =
        std::upper_bound(records.begin(), records.end(), to, [](qint64 t, const StatsRecord& r) { return t < r.time; });
    if (first != records.begin())
        --first;
    if (last != records.end())
        ++last;

    const double columnWidth = double(to - from) / columns;
    // A hole narrower than a column cannot show at this scale; left open, it
    // would blank the whole width between two columns.
    const double widestJoined = std::max(double(gapLimit), columnWidth);
    std::array<Gathered, FieldCount> column{};
    // When the last value already drawn was taken, per statistic.
    std::array<qint64, FieldCount> drawnUpTo;
    drawnUpTo.fill(std::numeric_limits<qint64>::min());
    auto flush = [&] {
        for (int f = 0; f < FieldCount; ++f) {
            const Gathered& g = column[f];
            if (g.count == 0)
                continue;
            std::vector<Trace>& field = traces[f];
            if (field.empty() || double(g.firstTime - drawnUpTo[f]) > widestJoined)
                field.emplace_back();
            field.back().push_back({double(from) + g.timeSum / g.count, g.low, g.sum / g.count, g.high});
            drawnUpTo[f] = g.lastTime;
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
            Gathered& g = column[f];
            if (g.count == 0) {
                g.low = g.high = value;
                g.firstTime = it->time;
            }
            ++g.count;
            g.timeSum += double(it->time - from);
            g.sum += value;
            g.low = std::min(g.low, value);
            g.high = std::max(g.high, value);
            g.lastTime = it->time;
        }
    }
    flush();
    return traces;
}

} // namespace history
