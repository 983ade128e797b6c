// SPDX-License-Identifier: MIT
// The history window's own texts.
#pragma once

#include <QString>

namespace HistoryViewText {

inline const QString Title = QStringLiteral("Line Warden - Line history");

inline const QString MarginChart = QStringLiteral("Margin (dB)");
inline const QString RateChart = QStringLiteral("Connection rate (kbit/s)");
inline const QString AttenuationChart = QStringLiteral("Attenuation (dB)");
inline const QString PingDown = QStringLiteral("Ping Down");

inline const QString Range = QStringLiteral("Show:");
inline const QString LastDay = QStringLiteral("Last day");
inline const QString LastWeek = QStringLiteral("Last week");
inline const QString LastMonth = QStringLiteral("Last month");
inline const QString All = QStringLiteral("All");

inline const QString Hint = QStringLiteral("Point at a chart to read its record. The mouse wheel zooms, "
                                           "dragging moves along the time axis.");

// Time axis labels for a range up to two days, up to a quarter year, and longer.
inline const QString HoursFormat = QStringLiteral("dd/MM hh:mm");
inline const QString DaysFormat = QStringLiteral("dd/MM");
inline const QString MonthsFormat = QStringLiteral("MM/yyyy");

} // namespace HistoryViewText
