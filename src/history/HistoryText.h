// SPDX-License-Identifier: MIT
// The history's own texts, shared by the window and the terminal summary.
#pragma once

#include <QString>

namespace HistoryText {

inline const QString Missing = QStringLiteral("%1 does not exist yet. Line Warden writes it once it collects "
                                              "line statistics.");
inline const QString Unreadable = QStringLiteral("%1 cannot be read: %2");
inline const QString NotAFile = QStringLiteral("%1 is not a regular file; only a file of line statistics is read.");
inline const QString TooLarge = QStringLiteral("%1 is too large to read: more than %2 MB, far more than twenty "
                                               "years of minute records.");
inline const QString NoRecords = QStringLiteral("%1 holds no line statistics records.");
inline const QString NoRecordsSkipped = QStringLiteral("%1 holds no line statistics records (%2 lines could not "
                                                       "be read).");

inline const QString Period = QStringLiteral("Period");
inline const QString PeriodValue = QStringLiteral("%1 to %2");
inline const QString Records = QStringLiteral("Records");
inline const QString Skipped = QStringLiteral("Skipped lines");
inline const QString DownMargin = QStringLiteral("Downstream margin");
inline const QString UpMargin = QStringLiteral("Upstream margin");
inline const QString DownRate = QStringLiteral("Downstream rate");
inline const QString UpRate = QStringLiteral("Upstream rate");
inline const QString DownAttenuation = QStringLiteral("Downstream attenuation");
inline const QString UpAttenuation = QStringLiteral("Upstream attenuation");
inline const QString MinMeanMax = QStringLiteral("min %1, mean %2, max %3 %4");
inline const QString MinMeanMaxShort = QStringLiteral("%1 / %2 / %3 %4");
inline const QString MinMeanMaxHeading = QStringLiteral("min / mean / max");
inline const QString NoValues = QStringLiteral("no values");
inline const QString Decibel = QStringLiteral("dB");
inline const QString Kbps = QStringLiteral("kbit/s");
inline const QString Changes = QStringLiteral("Up -> Down changes");
inline const QString UpShare = QStringLiteral("Records Up");
inline const QString UpShareValue = QStringLiteral("%1 % of %2 with a ping result");
inline const QString UpShareShort = QStringLiteral("%1 %");
inline const QString NoPingResults = QStringLiteral("no ping results");
inline const QString Resyncs = QStringLiteral("Resyncs");

inline const QString NoRecordsShown = QStringLiteral("no records");
inline const QString Readout = QStringLiteral("%1   down %2 kbit/s, attenuation %3 dB, margin %4 dB   "
                                              "up %5 kbit/s, attenuation %6 dB, margin %7 dB   %8");
inline const QString NoPing = QStringLiteral("no ping result");

// The stretches without a working line or without records, and their totals.
inline const QString OutagesLine = QStringLiteral("Outages: %1, total %2, longest %3");
inline const QString GapsLine = QStringLiteral("Gaps without records: %1, longest %2");
inline const QString SpanLine = QStringLiteral("%1 to %2  %3");
inline const QString SpanIndent = QStringLiteral("  ");
inline const QString Outage = QStringLiteral("Outage");
inline const QString Gap = QStringLiteral("Gap");

// Time axis labels, by the step between ticks.
inline const QString TickTime = QStringLiteral("hh:mm");
inline const QString TickDayTime = QStringLiteral("dd/MM hh:mm");
inline const QString TickDay = QStringLiteral("dd/MM");
inline const QString TickMonth = QStringLiteral("MM/yyyy");
inline const QString TickYear = QStringLiteral("yyyy");

} // namespace HistoryText
