// SPDX-License-Identifier: MIT
// What a history adds up to: its period, the spread of the margins and rates,
// how often the line went down and how often it resynchronised.
#pragma once

#include "StatsHistory.h"
#include "TimeSpans.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

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
    std::optional<qsizetype> skippedLines; // counted for a whole file only
    std::array<Spread, FieldCount> spreads{};
    qsizetype upRecords = 0;
    qsizetype downRecords = 0;
    qsizetype upToDown = 0; // an Up record followed by a Down one, records without a ping result left out
    qsizetype resyncs = 0;  // a record whose connection rate differs from the last one known
};

HistorySummary Summarise(const StatsHistory& history);
// What the records in [from, to] add up to.
HistorySummary Summarise(const std::vector<StatsRecord>& records, qint64 from, qint64 to);

struct SummaryRow {
    QString caption;
    QString value;
};

// The summary as --summary prints it, or shortened to fit the window twice side by side.
enum class SummaryForm { Full, Short };
QList<SummaryRow> SummaryRows(const HistorySummary& summary, SummaryForm form = SummaryForm::Full);

// A record's time as its time stamp reads, in local time.
QString FormatTime(qint64 time);

// "HH:MM:SS"; the hours may run past 24.
QString FormatDuration(qint64 milliseconds);

// "Outages: N, total HH:MM:SS, longest HH:MM:SS" and "Gaps without records: N, longest HH:MM:SS".
QString OutagesLine(const SpanTotals& outages);
QString GapsLine(const SpanTotals& gaps);
// A stretch's start, end and duration, on one line.
QString SpanLine(const TimeSpan& span);
// The outages and the gaps without records: each list under its totals' line.
QStringList OutageAndGapLines(const std::vector<StatsRecord>& records);

// One line about a record, for the read-out under the cursor.
QString RecordReadout(const StatsRecord& record);

} // namespace history
