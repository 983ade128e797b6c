// SPDX-License-Identifier: MIT
#include "StatsCsv.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace StatsCsv {

namespace {

// "dd/mm/yyyy hh:mm": where the separators stand; digits everywhere else.
constexpr qsizetype TimeStampLength = 16;
constexpr std::array<qsizetype, 4> TimeStampSeparators{2, 5, 10, 13};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int number(QByteArrayView digits) {
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

// TAB may stand around a value as the router printed it; every other control
// character, and the line and paragraph separators, could end or split a line.
bool breaksRecord(QChar c) {
    if (c == u'\t')
        return false;
    const QChar::Category category = c.category();
    return c == QLatin1Char(Separator) || category == QChar::Other_Control || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

} // namespace

QString TimeStamp(const QDateTime& when) {
    return when.toString(TimeStampFormat);
}

QString LoggableValue(const QString& value) {
    if (value.size() > LongestValue || std::any_of(value.begin(), value.end(), breaksRecord))
        return {};
    return value;
}

QString Record(const QDateTime& when, const std::array<QString, StatisticCount>& values, const QString& pingState) {
    QStringList fields{TimeStamp(when)};
    fields.append(QStringList(values.begin(), values.end()));
    fields.append(pingState);
    return fields.join(QLatin1Char(Separator));
}

std::optional<std::array<QByteArrayView, FieldCount>> SplitRecord(QByteArrayView line) {
    std::array<QByteArrayView, FieldCount> fields;
    qsizetype start = 0;
    for (int i = 0; i + 1 < FieldCount; ++i) {
        const qsizetype end = line.indexOf(Separator, start);
        if (end < 0)
            return std::nullopt;
        fields[i] = line.sliced(start, end - start);
        start = end + 1;
    }
    fields[FieldCount - 1] = line.sliced(start);
    // One more separator: a value holding a comma shifted the fields.
    if (fields[FieldCount - 1].contains(Separator))
        return std::nullopt;
    return fields;
}

std::optional<WallTime> ReadTimeStamp(QByteArrayView field) {
    if (field.size() != TimeStampLength)
        return std::nullopt;
    for (qsizetype i = 0; i < TimeStampLength; ++i) {
        const bool separator =
            std::find(TimeStampSeparators.begin(), TimeStampSeparators.end(), i) != TimeStampSeparators.end();
        if (isDigit(field[i]) == separator)
            return std::nullopt;
    }
    return WallTime{number(field.sliced(6, 4)), number(field.sliced(3, 2)), number(field.sliced(0, 2)),
                    number(field.sliced(11, 2)), number(field.sliced(14, 2))};
}

std::optional<PingState> ReadPingState(QByteArrayView field) {
    if (field.isEmpty())
        return PingState::Unknown;
    const QLatin1StringView text(field.data(), field.size());
    if (text == Up)
        return PingState::Up;
    if (text == Down)
        return PingState::Down;
    return std::nullopt;
}

std::optional<double> NumberOf(QStringView value) {
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number;
}

} // namespace StatsCsv
