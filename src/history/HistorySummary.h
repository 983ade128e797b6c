// SPDX-License-Identifier: MIT
// What a history adds up to: its period, the spread of the margins and rates,
// how often the line went down and how often it resynchronised.
#pragma once

#include "StatsHistory.h"

#include <QList>
#include <QString>
#include <array>

namespace history {

struct Spread {
    qsizetype count = 0; // records holding a value
    double min = 0;
    double mean = 0;
    double max = 0;
};

struct HistorySummary {
    qint64 first = 0;
    qint64 last = 0;
    qsizetype records = 0;
    qsizetype skippedLines = 0;
    std::array<Spread, FieldCount> spreads{};
    qsizetype upRecords = 0;
    qsizetype downRecords = 0;
    qsizetype upToDown = 0; // an Up record followed by a Down one, records without a ping result left out
    qsizetype resyncs = 0;  // a record whose connection rate differs from the last one known
};

HistorySummary Summarise(const StatsHistory& history);

struct SummaryRow {
    QString caption;
    QString value;
};

// The summary as the window shows it and --summary prints it.
QList<SummaryRow> SummaryRows(const HistorySummary& summary);

// A record's time as its time stamp reads, in local time.
QString FormatTime(qint64 time);

// One line about a record, for the read-out under the cursor.
QString RecordReadout(const StatsRecord& record);

} // namespace history
