// SPDX-License-Identifier: MIT
#include "StatsHistory.h"

#include "HistoryText.h"

#include <QDateTime>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace history {

namespace {

constexpr qint64 UnixEpochJulianDay = 2440588;
// Far longer than any record: a longer line is skipped without being kept.
constexpr qsizetype LongestLine = 4096;
constexpr qint64 ReadBlock = 4 << 20;
// The shortest line a record can be: a time stamp, seven commas and CR LF.
constexpr qint64 ShortestRecordLine = 25;

// Turns the local wall-clock times of the records into instants. The local
// offset can only change on the hour, so it is looked up once per hour of
// records rather than once per record.
class LocalClock {
public:
    std::optional<qint64> instant(const StatsCsv::WallTime& t) {
        const QDate date(t.year, t.month, t.day);
        if (!date.isValid() || t.hour > 23 || t.minute > 59)
            return std::nullopt;
        const qint64 wallHour = (date.toJulianDay() - UnixEpochJulianDay) * 24 + t.hour;
        if (wallHour != m_wallHour) {
            m_wallHour = wallHour;
            m_offset = QDateTime(date, QTime(t.hour, 0)).toMSecsSinceEpoch() - wallHour * MsPerHour;
        }
        return wallHour * MsPerHour + m_offset + t.minute * MsPerMinute;
    }

private:
    qint64 m_wallHour = -1;
    qint64 m_offset = 0;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// A statistic as the router printed it: a number, maybe with blanks or tabs
// around it, or nothing when the collection found none.
bool readValue(QByteArrayView field, double& value) {
    const char* begin = field.begin();
    const char* end = field.end();
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

// One line without its line end. A line whose end has not been written yet is
// taken only when its ping state proves it whole: cut anywhere else, it would
// end in a cut number, a cut state, or an empty state that may be a cut one.
std::optional<StatsRecord> readRecord(QByteArrayView line, bool ended, LocalClock& clock) {
    const auto fields = StatsCsv::SplitRecord(line);
    if (!fields)
        return std::nullopt;
    const auto ping = StatsCsv::ReadPingState((*fields)[StatsCsv::PingField]);
    if (!ping || (!ended && *ping == PingState::Unknown))
        return std::nullopt;
    const auto wallTime = StatsCsv::ReadTimeStamp((*fields)[StatsCsv::TimeField]);
    const auto time = wallTime ? clock.instant(*wallTime) : std::nullopt;
    if (!time)
        return std::nullopt;
    StatsRecord record;
    record.time = *time;
    record.ping = *ping;
    for (int f = 0; f < FieldCount; ++f) {
        if (!readValue((*fields)[StatsCsv::FieldOf(StatsField(f))], record.values[f]))
            return std::nullopt;
    }
    return record;
}

bool sameRecord(const StatsRecord& a, const StatsRecord& b) {
    return a.time == b.time && a.ping == b.ping && std::memcmp(&a.values, &b.values, sizeof a.values) == 0;
}

// Reads lines into a history as their bytes come, in pieces of any size.
class StatsReader {
public:
    explicit StatsReader(StatsHistory& history) : m_history(history), m_firstNew(history.records.size()) {
        // The last line read without its end is read again, whole this time.
        StatsHistory::Reading& reading = history.reading;
        if (reading.openRecord) {
            auto& records = history.records;
            for (auto it = records.end(); it != records.begin(); --it) {
                if (sameRecord(it[-1], *reading.openRecord)) {
                    records.erase(it - 1);
                    break;
                }
            }
            m_firstNew = records.size();
        }
        history.skippedLines -= reading.openLineSkipped;
        reading.openRecord.reset();
        reading.openLineSkipped = false;
        reading.size = reading.wholeLines;
    }

    void reserve(qint64 bytes) { m_history.records.reserve(m_history.records.size() + bytes / ShortestRecordLine + 1); }

    void feed(QByteArrayView bytes) {
        m_history.reading.size += bytes.size();
        while (!bytes.isEmpty()) {
            const qsizetype lineFeed = bytes.indexOf('\n');
            if (lineFeed < 0) {
                keep(bytes);
                return;
            }
            const QByteArrayView rest = bytes.first(lineFeed);
            if (m_overlong || m_carry.size() + rest.size() > LongestLine) {
                ++m_history.skippedLines;
            } else if (m_carry.isEmpty()) {
                readLine(rest, true);
            } else {
                m_carry.append(rest);
                readLine(m_carry, true);
            }
            m_history.reading.wholeLines = m_history.reading.size - (bytes.size() - lineFeed - 1);
            m_carry.clear();
            m_overlong = false;
            bytes = bytes.sliced(lineFeed + 1);
        }
    }

    // The last line, when its end has not come: read, and marked to be read again.
    void finish() {
        StatsHistory::Reading& reading = m_history.reading;
        if (reading.size > reading.wholeLines) {
            const qsizetype before = m_history.skippedLines;
            const size_t count = m_history.records.size();
            if (m_overlong)
                ++m_history.skippedLines;
            else
                readLine(m_carry, m_carry.endsWith('\r'));
            reading.openLineSkipped = m_history.skippedLines > before;
            if (m_history.records.size() > count)
                reading.openRecord = m_history.records.back();
        }
        // Records go back in time when the clock was changed; the history is told in time order.
        auto& records = m_history.records;
        auto byTime = [](const StatsRecord& a, const StatsRecord& b) { return a.time < b.time; };
        const auto checkFrom = records.begin() + qsizetype(m_firstNew > 0 ? m_firstNew - 1 : 0);
        if (!std::is_sorted(checkFrom, records.end(), byTime))
            std::stable_sort(records.begin(), records.end(), byTime);
        m_history.status = records.empty() ? StatsHistory::Status::NoRecords : StatsHistory::Status::Read;
    }

private:
    void keep(QByteArrayView bytes) {
        if (m_overlong || m_carry.size() + bytes.size() > LongestLine) {
            m_overlong = true;
            m_carry.clear();
            return;
        }
        m_carry.append(bytes);
    }

    void readLine(QByteArrayView line, bool ended) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (const auto record = readRecord(line, ended, m_clock))
            m_history.records.push_back(*record);
        else
            ++m_history.skippedLines;
    }

    StatsHistory& m_history;
    size_t m_firstNew;
    QByteArray m_carry; // the start of a line whose end is in a later piece
    bool m_overlong = false;
    LocalClock m_clock;
};

StatsHistory problem(StatsHistory::Status status, const QString& error = {}) {
    StatsHistory history;
    history.status = status;
    history.error = error;
    return history;
}

// Opened without waiting: a FIFO with no writer would otherwise hold the
// program for ever. Only a regular file is read.
class OpenedFile {
public:
    explicit OpenedFile(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
        if (m_fd < 0)
            m_problem = problem(errno == ENOENT ? StatsHistory::Status::Missing : StatsHistory::Status::Unreadable,
                                QString::fromLocal8Bit(std::strerror(errno)));
        else if (::fstat(m_fd, &m_stat) != 0)
            m_problem = problem(StatsHistory::Status::Unreadable, QString::fromLocal8Bit(std::strerror(errno)));
        else if (!S_ISREG(m_stat.st_mode))
            m_problem = problem(StatsHistory::Status::NotAFile);
        else if (m_stat.st_size > LargestStatsFile)
            m_problem = problem(StatsHistory::Status::TooLarge);
    }
    ~OpenedFile() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;

    const std::optional<StatsHistory>& failure() const { return m_problem; }
    qint64 size() const { return m_stat.st_size; }
    bool isFileOf(const StatsHistory& history) const {
        return history.status == StatsHistory::Status::Read && quint64(m_stat.st_dev) == history.reading.device &&
               quint64(m_stat.st_ino) == history.reading.inode && size() >= history.reading.wholeLines;
    }

    // Reads from where history stopped to the end, in blocks. When that
    // fails, the history is no longer whole: what to show instead comes back.
    std::optional<StatsHistory> readInto(StatsHistory& history) const {
        try {
            history.reading.device = m_stat.st_dev;
            history.reading.inode = m_stat.st_ino;
            StatsReader reader(history);
            reader.reserve(size() - history.reading.wholeLines);
            QByteArray block(ReadBlock, Qt::Uninitialized);
            for (qint64 at = history.reading.wholeLines;;) {
                const ssize_t count = ::pread(m_fd, block.data(), size_t(block.size()), at);
                if (count < 0 && errno == EINTR)
                    continue;
                if (count < 0)
                    return problem(StatsHistory::Status::Unreadable, QString::fromLocal8Bit(std::strerror(errno)));
                if (count == 0)
                    break;
                if ((at += count) > LargestStatsFile)
                    return problem(StatsHistory::Status::TooLarge);
                reader.feed(QByteArrayView(block.constData(), count));
            }
            reader.finish();
        } catch (const std::bad_alloc&) {
            return problem(StatsHistory::Status::TooLarge);
        }
        return std::nullopt;
    }

private:
    int m_fd;
    struct stat m_stat {};
    std::optional<StatsHistory> m_problem;
};

} // namespace

StatsHistory ParseStats(QByteArrayView bytes) {
    StatsHistory history;
    StatsReader reader(history);
    reader.reserve(bytes.size());
    reader.feed(bytes);
    reader.finish();
    return history;
}

StatsHistory ReadStatsFile(const QString& path) {
    // Read only, and what is there now: line-warden may append while this
    // reads, and a line it has not finished yet is read again the next time.
    StatsHistory history;
    const OpenedFile file(path);
    if (file.failure())
        return *file.failure();
    if (auto failed = file.readInto(history))
        return std::move(*failed);
    return history;
}

bool FollowStatsFile(StatsHistory& history, const QString& path) {
    const OpenedFile file(path);
    if (file.failure()) {
        // A file that went for a moment, as when it is replaced, leaves the records shown.
        if (history.status == StatsHistory::Status::Read || file.failure()->status == history.status)
            return false;
        history = *file.failure();
        return true;
    }
    if (!file.isFileOf(history))
        history = StatsHistory();
    else if (file.size() == history.reading.size)
        return false;
    if (auto failed = file.readInto(history))
        history = std::move(*failed);
    return true;
}

QString HistoryProblem(const StatsHistory& history, const QString& path) {
    switch (history.status) {
    case StatsHistory::Status::Read:
        return {};
    case StatsHistory::Status::Missing:
        return HistoryText::Missing.arg(path);
    case StatsHistory::Status::Unreadable:
        return HistoryText::Unreadable.arg(path, history.error);
    case StatsHistory::Status::NotAFile:
        return HistoryText::NotAFile.arg(path);
    case StatsHistory::Status::TooLarge:
        return HistoryText::TooLarge.arg(path).arg(LargestStatsFile >> 20);
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
