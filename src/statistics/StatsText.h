// SPDX-License-Identifier: MIT
// The statistics side's own texts: what it sends the router, what it looks for
// in the answer, and stats.txt's name and readable record (stats.csv's are
// StatsCsv's).
#pragma once

#include <QString>

namespace StatsText {

// The router's shell: the statistics command, its prompt, and the line that the
// missing file "no_where" produces right after the statistics.
inline const QString StatsCommand = QStringLiteral("cat /proc/avalanche/avsar_modem_stats");
inline const QString NoWhere = QStringLiteral("no_where");
inline const QString EndLine = QStringLiteral("cat: no_where: No such file or directory");
inline const QString Prompt = QStringLiteral("/var #");

// The script's command words, each with its blank, and the texts it waits for.
inline const QString HostWord = QStringLiteral("HOST ");
inline const QString WaitWord = QStringLiteral("WAIT ");
inline const QString SendWord = QStringLiteral("SEND ");
inline const QString LoginWait = QStringLiteral("login");
inline const QString PasswordWait = QStringLiteral("password");
inline const QString ShellWait = QStringLiteral("#");

// The six keys in the driver's dump, and the mark that stands for the end of a line.
inline const QString UsRateKey = QStringLiteral("US Connection Rate:");
inline const QString DsRateKey = QStringLiteral("DS Connection Rate:");
inline const QString DsAttenuationKey = QStringLiteral("DS Line Attenuation:");
inline const QString DsMarginKey = QStringLiteral("DS Margin:");
inline const QString UsAttenuationKey = QStringLiteral("US Line Attenuation:");
inline const QString UsMarginKey = QStringLiteral("US Margin:");
inline const QString EndOfLine = QStringLiteral("[EOL]");

inline const QString TextFileName = QStringLiteral("stats.txt");
inline const QString FieldSeparator = QStringLiteral(", ");
inline const QString ChangedMark = QStringLiteral(", Changed");

} // namespace StatsText
