// SPDX-License-Identifier: MIT
// The statistics side's own texts: the script's command words, the mark that
// stands for the end of a line in a value's rule, and stats.txt's name and
// readable record (stats.csv's are StatsCsv's; what is said to the router and
// looked for in its answer is the router model's).
#pragma once

#include <QString>

namespace StatsText {

// The script's command words, each with its blank.
inline const QString HostWord = QStringLiteral("HOST ");
inline const QString WaitWord = QStringLiteral("WAIT ");
inline const QString SendWord = QStringLiteral("SEND ");

// An end key that stands for the end of the line holding the start key.
inline const QString EndOfLine = QStringLiteral("[EOL]");

inline const QString TextFileName = QStringLiteral("stats.txt");
inline const QString FieldSeparator = QStringLiteral(", ");
inline const QString ChangedMark = QStringLiteral(", Changed");

} // namespace StatsText
