// SPDX-License-Identifier: MIT
// Where the time axis has its ticks: at round calendar times (minutes, hours,
// midnights, Mondays, first days of months, new years), each labelled with
// exactly its own time in a form that suits the span shown.
#pragma once

#include <QString>
#include <vector>

namespace history {

struct TimeTick {
    qint64 time = 0; // milliseconds since the epoch
    QString label;
    bool operator==(const TimeTick&) const = default;
};

// The ticks in [from, to] in local time, at the finest round step whose
// labels fit an axis `width` characters wide with room between them (two
// ticks at the least); no two labels alike.
std::vector<TimeTick> CalendarTicks(qint64 from, qint64 to, int width);

} // namespace history
