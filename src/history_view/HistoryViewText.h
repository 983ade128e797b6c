// SPDX-License-Identifier: MIT
// The history window's own texts.
#pragma once

#include <QString>

namespace HistoryViewText {

inline const QString Title = QStringLiteral("Line Warden - Line history");

inline const QString PingDown = QStringLiteral("Ping Down");

inline const QString Range = QStringLiteral("Show:");
inline const QString LastDay = QStringLiteral("Last day");
inline const QString LastWeek = QStringLiteral("Last week");
inline const QString LastMonth = QStringLiteral("Last month");
inline const QString All = QStringLiteral("All");

inline const QString Hint = QStringLiteral("Point at a chart to read its record. The mouse wheel zooms, "
                                           "dragging moves along the time axis.");

inline const QString Open = QStringLiteral("&Open...");
inline const QString OpenTitle = QStringLiteral("Open a statistics file");
inline const QString OpenFilter = QStringLiteral("Line statistics (*.csv);;All files (*)");

// The summary's two columns.
inline const QString ThisView = QStringLiteral("This view");
inline const QString WholeFile = QStringLiteral("Whole file");

// The list of outages and gaps.
inline const QString SpanKind = QStringLiteral("What");
inline const QString SpanFrom = QStringLiteral("From");
inline const QString SpanTo = QStringLiteral("To");
inline const QString SpanLength = QStringLiteral("Duration");
inline const QString SpanHint = QStringLiteral("Click a line to show it.");

} // namespace HistoryViewText
