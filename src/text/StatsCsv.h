// SPDX-License-Identifier: MIT
// stats.csv's record, written by the statistics side and read back by the
// history: the time stamp, the six statistics and the last ping result, joined
// by "," without quoting, one record a line ended by CR LF. The readable record
// of stats.txt shares its time stamp, its ping texts and its value rule.
#pragma once

#include "modMisc.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <array>
#include <optional>

namespace StatsCsv {

inline const QString FileName = QStringLiteral("stats.csv");

// The six statistics in the order a record holds them, after its time stamp.
enum Statistic { DownRate, DownAttenuation, DownMargin, UpRate, UpAttenuation, UpMargin, StatisticCount };

// A record's fields: the time stamp, the statistics, then the ping result.
inline constexpr int TimeField = 0;
inline constexpr int PingField = StatisticCount + 1;
inline constexpr int FieldCount = StatisticCount + 2;
constexpr int FieldOf(Statistic statistic) {
    return statistic + 1;
}

inline constexpr char Separator = ',';
inline const QString& LineEnd = modMisc::CRLF;

// The last ping result as records carry it; empty before the first one.
inline const QString Up = QStringLiteral("Up");
inline const QString Down = QStringLiteral("Down");
enum class PingState : quint8 { Unknown, Up, Down };

// "dd/mm/yyyy hh:mm": local time, 24-hour clock, no seconds.
inline const QString TimeStampFormat = QStringLiteral("dd/MM/yyyy hh:mm");
QString TimeStamp(const QDateTime& when);

// No statistic a router prints is longer than this.
inline constexpr qsizetype LongestValue = 32;

// The value as a log may hold it: unchanged, or empty when it is no single
// statistic: it holds a line break, a control character other than TAB or a
// comma, or it is longer than LongestValue. Whatever a router sends, a record
// stays one line of its fields.
QString LoggableValue(const QString& value);

// The number a value stands for: blanks and TABs around it allowed; nothing
// when it is empty or not wholly a finite number, so that an unreadable value
// is never taken for 0.
std::optional<double> NumberOf(QStringView value);

// A record's line without its line end; the values are written as given.
QString Record(const QDateTime& when, const std::array<QString, StatisticCount>& values, const QString& pingState);

// Reading a record back from the bytes of one line without its line end.
// The fields, or nothing when the line holds another number of them.
std::optional<std::array<QByteArrayView, FieldCount>> SplitRecord(QByteArrayView line);

struct WallTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
};

// The time stamp's digits, every one in its place; the separators may be
// whatever regional settings put there. Nothing when it is no time stamp.
std::optional<WallTime> ReadTimeStamp(QByteArrayView field);

// Nothing when the field is none of the ping texts or empty.
std::optional<PingState> ReadPingState(QByteArrayView field);

} // namespace StatsCsv
