// SPDX-License-Identifier: MIT
#include "StatsHistory.h"

#include "HistoryText.h"

#include <QDateTime>
#include <QFile>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

namespace history {

namespace {

constexpr qint64 MsPerMinute = 60 * 1000;
constexpr qint64 MsPerHour = 60 * MsPerMinute;
constexpr qint64 UnixEpochJulianDay = 2440588;
constexpr qsizetype TimeStampLength = 16; // "dd/mm/yyyy hh:mm"
constexpr int FieldsPerRecord = 8;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int number(const char* digits, int count) {
    int value = 0;
    for (int i = 0; i < count; ++i)
        value = value * 10 + (digits[i] - '0');
    return value;
}

// Turns the local wall-clock times of the records into instants. The local
// offset can only change on the hour, so it is looked up once per hour of
// records rather than once per record.
class LocalClock {
public:
    std::optional<qint64> instant(const QDate& date, int hour, int minute) {
        if (!date.isValid() || hour > 23 || minute > 59)
            return std::nullopt;
        const qint64 wallHour = (date.toJulianDay() - UnixEpochJulianDay) * 24 + hour;
        if (wallHour != m_wallHour) {
            m_wallHour = wallHour;
            m_offset = QDateTime(date, QTime(hour, 0)).toMSecsSinceEpoch() - wallHour * MsPerHour;
        }
        return wallHour * MsPerHour + m_offset + minute * MsPerMinute;
    }

private:
    qint64 m_wallHour = -1;
    qint64 m_offset = 0;
};

// "dd/mm/yyyy hh:mm"; the separators may be whatever the regional settings
// put there, but every digit must be in its place.
std::optional<qint64> readTime(const char* begin, const char* end, LocalClock& clock) {
    if (end - begin != TimeStampLength)
        return std::nullopt;
    for (int i = 0; i < TimeStampLength; ++i) {
        const bool separator = i == 2 || i == 5 || i == 10 || i == 13;
        if (isDigit(begin[i]) == separator)
            return std::nullopt;
    }
    const QDate date(number(begin + 6, 4), number(begin + 3, 2), number(begin, 2));
    return clock.instant(date, number(begin + 11, 2), number(begin + 14, 2));
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// A statistic as the router printed it: a number, maybe with blanks or tabs
// around it, or nothing when the collection found none.
bool readValue(const char* begin, const char* end, double& value) {
    while (begin != end && isBlank(*begin))
        ++begin;
    while (end != begin && isBlank(end[-1]))
        --end;
    if (begin == end) {
        value = NoValue;
        return true;
    }
    if (*begin == '+')
        ++begin;
    const auto [stop, error] = std::from_chars(begin, end, value);
    return error == std::errc() && stop == end && std::isfinite(value);
}

std::optional<PingState> readPingState(const char* begin, const char* end) {
    const QByteArrayView text(begin, end - begin);
    if (text.isEmpty())
        return PingState::Unknown;
    if (text == "Up")
        return PingState::Up;
    if (text == "Down")
        return PingState::Down;
    return std::nullopt;
}

// One line without its line end. A line whose end has not been written yet is
// taken only when its ping state proves it whole: cut anywhere else, it would
// end in a cut number, a cut state, or an empty state that may be a cut one.
std::optional<StatsRecord> readRecord(const char* begin, const char* end, bool ended, LocalClock& clock) {
    const char* fields[FieldsPerRecord];
    int count = 0;
    fields[count++] = begin;
    for (const char* p = begin; p != end; ++p) {
        if (*p != ',')
            continue;
        if (count == FieldsPerRecord)
            return std::nullopt; // a comma inside a value shifted the fields
        fields[count++] = p + 1;
    }
    if (count != FieldsPerRecord)
        return std::nullopt;
    auto fieldEnd = [&fields, end](int i) { return i + 1 < FieldsPerRecord ? fields[i + 1] - 1 : end; };

    StatsRecord record;
    const auto time = readTime(fields[0], fieldEnd(0), clock);
    const auto ping = readPingState(fields[7], fieldEnd(7));
    if (!time || !ping || (!ended && *ping == PingState::Unknown))
        return std::nullopt;
    record.time = *time;
    record.ping = *ping;
    for (int f = 0; f < FieldCount; ++f) {
        if (!readValue(fields[f + 1], fieldEnd(f + 1), record.values[f]))
            return std::nullopt;
    }
    return record;
}

} // namespace

StatsHistory ParseStats(QByteArrayView bytes) {
    StatsHistory history;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    history.records.reserve(std::count(p, end, '\n') + 1);
    LocalClock clock;
    while (p != end) {
        const char* lineFeed = static_cast<const char*>(std::memchr(p, '\n', end - p));
        const char* lineEnd = lineFeed ? lineFeed : end;
        const char* next = lineFeed ? lineFeed + 1 : end;
        // A last line whose CR has arrived but not its LF is whole too.
        const bool ended = lineFeed || (lineEnd != p && lineEnd[-1] == '\r');
        if (lineEnd != p && lineEnd[-1] == '\r')
            --lineEnd;
        if (const auto record = readRecord(p, lineEnd, ended, clock))
            history.records.push_back(*record);
        else
            ++history.skippedLines;
        p = next;
    }
    // Records go back in time when the clock was changed; the history is told in time order.
    auto byTime = [](const StatsRecord& a, const StatsRecord& b) { return a.time < b.time; };
    if (!std::is_sorted(history.records.begin(), history.records.end(), byTime))
        std::stable_sort(history.records.begin(), history.records.end(), byTime);
    history.status = history.records.empty() ? StatsHistory::Status::NoRecords : StatsHistory::Status::Read;
    return history;
}

StatsHistory ReadStatsFile(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return {StatsHistory::Status::Missing, {}, 0, {}};
    // Read only, and what is there now: line-warden may append while this
    // reads, and a line it has not finished yet is left for the next reading.
    // Copied, not mapped: a file cut short under a map would end the program.
    if (!file.open(QIODevice::ReadOnly))
        return {StatsHistory::Status::Unreadable, {}, 0, file.errorString()};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {StatsHistory::Status::Unreadable, {}, 0, file.errorString()};
    return ParseStats(bytes);
}

QString HistoryProblem(const StatsHistory& history, const QString& path) {
    switch (history.status) {
    case StatsHistory::Status::Read:
        return {};
    case StatsHistory::Status::Missing:
        return HistoryText::Missing.arg(path);
    case StatsHistory::Status::Unreadable:
        return HistoryText::Unreadable.arg(path, history.error);
    case StatsHistory::Status::NoRecords:
        break;
    }
    return history.skippedLines == 0 ? HistoryText::NoRecords.arg(path)
                                     : HistoryText::NoRecordsSkipped.arg(path).arg(history.skippedLines);
}

qsizetype NearestRecord(const std::vector<StatsRecord>& records, qint64 time) {
    if (records.empty())
        return -1;
    const auto after = std::lower_bound(records.begin(), records.end(), time,
                                        [](const StatsRecord& r, qint64 t) { return r.time < t; });
    if (after == records.begin())
        return 0;
    if (after == records.end() || time - (after - 1)->time <= after->time - time)
        return after - 1 - records.begin();
    return after - records.begin();
}

} // namespace history
