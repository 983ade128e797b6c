// SPDX-License-Identifier: MIT
// Reads the records of stats.csv: "dd/mm/yyyy hh:mm" and seven fields joined
// by commas, one record a line. A log of months may hold anything, so every
// line that cannot be read as a record is skipped and counted, never fatal.
#pragma once

#include "StatsRecord.h"

#include <QByteArrayView>
#include <QString>
#include <vector>

namespace history {

struct StatsHistory {
    enum class Status { Read, Missing, Unreadable, NoRecords };
    Status status = Status::NoRecords;
    std::vector<StatsRecord> records; // in time order
    qsizetype skippedLines = 0;
    QString error; // why an Unreadable file could not be read
};

// The records in bytes, in time order. Lines end in CR LF or LF; a last line
// without its end is read when it is whole, as line-warden may be writing it.
StatsHistory ParseStats(QByteArrayView bytes);

// Reads the file at path without locking or changing it.
StatsHistory ReadStatsFile(const QString& path);

// Why there is nothing to show for the file at path; empty when there is.
QString HistoryProblem(const StatsHistory& history, const QString& path);

// The record whose time lies nearest to time; -1 when there are none.
qsizetype NearestRecord(const std::vector<StatsRecord>& records, qint64 time);

} // namespace history
