// SPDX-License-Identifier: MIT
// The two records of a collection and the append-only log files they go to.
#pragma once

#include <QDateTime>
#include <QString>

#include "StatsExtraction.h"

namespace StatsRecords {

// The six values as both records write them: a value that could break a
// record's line is written empty (see StatsCsv::LoggableValue).
LineStats AsWritten(const LineStats& stats);

// For stats.csv: time stamp, the downstream then the upstream rate, attenuation
// and margin, and the last ping result, joined by "," without quoting.
QString StatsCsvRecord(const LineStats& stats, const QString& pingStateText, const QDateTime& when);

// For stats.txt and the output box: time stamp, TAB, then StatsTextValues.
QString StatsTextRecord(const LineStats& stats, const QString& pingStateText, bool pingStateChanged,
                        const QDateTime& when);
// Downstream rate and margin, the last ping result, and ", Changed" when reachability changed meanwhile.
QString StatsTextValues(const LineStats& stats, const QString& pingStateText, bool pingStateChanged);

// Appends the line and CR LF to folder/fileName in the system's 8-bit code page,
// creating the file when it is missing; what is there but not a regular file
// (a FIFO, a device, a folder), or not the program's own (see OwnFile), is left alone. A failure loses this line for
// this file only, whole: what fitted of it on a full disk is cut off again, so that the records before and after it
// stay whole. It is logged as a warning and the caller goes on.
void AppendToAppFile(const QString& folder, const QString& line, const QString& fileName);

} // namespace StatsRecords
