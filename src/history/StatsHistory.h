// SPDX-License-Identifier: MIT
// Reads the records of stats.csv (see StatsCsv). A log of months may hold
// anything, so every line that cannot be read as a record is skipped and
// counted, never fatal. A file that grows is read on from where the last
// reading stopped.
#pragma once

#include "StatsRecord.h"

#include <QByteArrayView>
#include <QString>
#include <optional>
#include <vector>

namespace history {

// Larger than twenty years of minute records: what is larger is no stats.csv,
// and its records would not fit in a desktop's memory.
inline constexpr qint64 LargestStatsFile = qint64(512) << 20;

struct StatsHistory {
    enum class Status { Read, Missing, Unreadable, NotAFile, TooLarge, NoRecords };
    Status status = Status::NoRecords;
    std::vector<StatsRecord> records; // in time order
    qsizetype skippedLines = 0;
    QString error; // why an Unreadable file could not be read

    // How far the file was read, so that a file that grows is read on from there.
    struct Reading {
        qint64 wholeLines = 0; // bytes up to and with the last line end
        qint64 size = 0;       // bytes seen, a last line without its end included
        // That last line is read again with the rest of it: the record taken
        // from it goes then, or the count of skipped lines it added.
        std::optional<StatsRecord> openRecord;
        bool openLineSkipped = false;
        // The file read, to tell a replaced file from a grown one.
        quint64 device = 0;
        quint64 inode = 0;
    } reading;
};

// The records in bytes, in time order. Lines end in CR LF or LF; a last line
// without its end is read when it is whole, as line-warden may be writing it.
StatsHistory ParseStats(QByteArrayView bytes);

// Reads the file at path without locking or changing it. What is not a
// regular file (a FIFO, a device, a folder) is not read, nor is a file
// larger than LargestStatsFile.
StatsHistory ReadStatsFile(const QString& path);

// Reads what was appended to path since history was read, or the whole file
// again when it was replaced or cut short. A file that went away leaves the
// records as they are. True when the history changed.
bool FollowStatsFile(StatsHistory& history, const QString& path);

// Why there is nothing to show for the file at path; empty when there is.
QString HistoryProblem(const StatsHistory& history, const QString& path);

// The record whose time lies nearest to time; -1 when there are none.
qsizetype NearestRecord(const std::vector<StatsRecord>& records, qint64 time);

} // namespace history
