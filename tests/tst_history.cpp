// SPDX-License-Identifier: MIT
// Reading stats.csv, whatever it holds, and what the history adds up to.
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "FileBytes.h"

#include "history/HistorySummary.h"
#include "history/StatsHistory.h"
#include "history/TimeColumns.h"
#include "history/TimeTicks.h"

#include <sys/stat.h>

using namespace history;

Q_DECLARE_METATYPE(std::vector<StatsRecord>)
Q_DECLARE_METATYPE(StatsHistory::Status)

namespace {

const QByteArray Normal = "07/12/2026 09:05,8000,20.5,12,800,10,8,Up\r\n";

QString value(double v) {
    return std::isnan(v) ? QStringLiteral("-") : QString::number(v);
}

// Each record as "hh:mm down-rate down-margin up-margin ping".
QString describe(const std::vector<StatsRecord>& records) {
    QStringList out;
    for (const StatsRecord& r : records) {
        const char* ping = r.ping == PingState::Up ? "Up" : r.ping == PingState::Down ? "Down" : "-";
        out << QStringLiteral("%1 %2 %3 %4 %5")
                   .arg(FormatTime(r.time).right(5), value(r.values[DownRate]), value(r.values[DownMargin]),
                        value(r.values[UpMargin]), QLatin1String(ping));
    }
    return out.join(QStringLiteral("; "));
}

const QDateTime NineOClock(QDate(2026, 12, 7), QTime(9, 0));

// A record that many minutes after 09:00 on 07/12/2026 with the given rates and ping state.
QByteArray at(int minute, const QByteArray& downRate, const QByteArray& upRate, const QByteArray& ping) {
    return StatsCsv::TimeStamp(NineOClock.addSecs(60 * minute)).toLatin1() + ',' + downRate + ",20,10," + upRate +
           ",10,8," + ping + "\r\n";
}

// Records at these minutes, every statistic of the value given (NaN for none).
std::vector<StatsRecord> valuesAt(const QList<std::pair<int, double>>& minutesAndValues) {
    std::vector<StatsRecord> records;
    for (const auto& [minute, value] : minutesAndValues) {
        records.push_back({minute * 60000LL, {}, PingState::Up});
        records.back().values.fill(value);
    }
    return records;
}

// Each trace as its first and last column's time in minutes, or the one time of a lone column.
QString describe(const std::vector<Trace>& traces) {
    QStringList out;
    for (const Trace& trace : traces) {
        const QString first = QString::number(trace.front().time / 60000);
        out << (trace.size() == 1 ? first : first + ".." + QString::number(trace.back().time / 60000));
    }
    return out.join(QStringLiteral(" | "));
}

std::vector<StatsRecord> recordsOf(const QList<std::pair<int, PingState>>& minutesAndPings) {
    std::vector<StatsRecord> records;
    for (const auto& [minute, ping] : minutesAndPings)
        records.push_back({minute * 60000LL, {}, ping});
    return records;
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("records");
        QTest::addColumn<int>("skipped");
        const QString one = QStringLiteral("09:05 8000 12 8 Up");
        QTest::newRow("normal") << Normal + "07/12/2026 09:06,8000,20.5,11.5,800,10,-1,Down\r\n"
                                << one + "; 09:06 8000 11.5 -1 Down" << 0;
        QTest::newRow("no statistics found")
            << QByteArray("07/12/2026 09:05,,,,,,,Down\r\n") << "09:05 - - - Down" << 0;
        QTest::newRow("no ping result yet")
            << QByteArray("07/12/2026 09:05,8000,20.5,12,800,10,8,\r\n") << "09:05 8000 12 8 -" << 0;
        QTest::newRow("blanks and tabs around values")
            << QByteArray("07/12/2026 09:05, 8000\t,20.5,\t12 ,800,10,+8,Up\r\n") << one << 0;
        QTest::newRow("comma inside a value shifts the fields")
            << Normal + "07/12/2026 09:06,8,000,20.5,12,800,10,8,Up\r\n"
            << one << 1;
        QTest::newRow("too few fields") << Normal + "07/12/2026 09:06,8000,20.5,12,800,10,Up\r\n" << one << 1;
        QTest::newRow("junk lines") << "garbage\r\n" + Normal + QByteArray("\x00\xff\x01,\x7f\r\n\r\n", 9) << one << 3;
        QTest::newRow("junk in a value") << Normal + "07/12/2026 09:06,80x0,20.5,12,800,10,8,Up\r\n" << one << 1;
        QTest::newRow("not a number") << Normal + "07/12/2026 09:06,nan,20.5,inf,800,10,8,Up\r\n" << one << 1;
        QTest::newRow("unknown ping state") << Normal + "07/12/2026 09:06,8000,20.5,12,800,10,8,UP\r\n" << one << 1;
        QTest::newRow("impossible date and time")
            << "31/02/2026 09:05,8000,20.5,12,800,10,8,Up\r\n07/12/2026 24:00,8000,20.5,12,800,10,8,Up\r\n" + Normal
            << one << 2;
        QTest::newRow("short time stamp") << "7/12/2026 09:05,8000,20.5,12,800,10,8,Up\r\n" + Normal << one << 1;
        QTest::newRow("regional separators") << QByteArray("07.12.2026 09.05,8000,20.5,12,800,10,8,Up\r\n") << one << 0;
        QTest::newRow("torn last line") << Normal + "07/12/2026 09:06,8000,20" << one << 1;
        QTest::newRow("last line torn after its last comma")
            << Normal + "07/12/2026 09:06,8000,20.5,12,800,10,8," << one << 1;
        QTest::newRow("last line whole but for its line end")
            << Normal + "07/12/2026 09:06,8000,20.5,12,800,10,8,Up" << one + "; 09:06 8000 12 8 Up" << 0;
        QTest::newRow("last line without its LF")
            << Normal + "07/12/2026 09:06,8000,20.5,12,800,10,8,\r" << one + "; 09:06 8000 12 8 -" << 0;
        QTest::newRow("LF ends") << QByteArray("07/12/2026 09:05,8000,20.5,12,800,10,8,Up\n"
                                               "07/12/2026 09:06,8000,20.5,12,800,10,8,Up\n")
                                 << one + "; 09:06 8000 12 8 Up" << 0;
        QTest::newRow("out of time order") << at(7, "1", "1", "Up") + at(5, "2", "1", "Up") + at(6, "3", "1", "Up")
                                           << "09:05 2 10 8 Up; 09:06 3 10 8 Up; 09:07 1 10 8 Up" << 0;
        QTest::newRow("empty file") << QByteArray() << "" << 0;
    }
    void parse() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, records);
        const StatsHistory history = ParseStats(bytes);
        QCOMPARE(describe(history.records), records);
        QTEST(int(history.skippedLines), "skipped");
        QCOMPARE(history.status, records.isEmpty() ? StatsHistory::Status::NoRecords : StatsHistory::Status::Read);
    }

    void changesAndResyncs_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("upToDown");
        QTest::addColumn<int>("resyncs");
        QTest::addColumn<int>("up");
        QTest::addColumn<int>("down");
        QTest::newRow("steady") << at(1, "8000", "800", "Up") + at(2, "8000", "800", "Up") << 0 << 0 << 2 << 0;
        QTest::newRow("one outage of two records")
            << at(1, "8000", "800", "Up") + at(2, "", "", "Down") + at(3, "", "", "Down") + at(4, "8000", "800", "Up")
            << 1 << 0 << 2 << 2;
        QTest::newRow("two outages") << at(1, "1", "1", "Up") + at(2, "1", "1", "Down") + at(3, "1", "1", "Up") +
                                            at(4, "1", "1", "Down")
                                     << 2 << 0 << 2 << 2;
        QTest::newRow("no ping result between Up and Down")
            << at(1, "1", "1", "Up") + at(2, "1", "1", "") + at(3, "1", "1", "Down") << 1 << 0 << 1 << 1;
        QTest::newRow("starting Down is no change")
            << at(1, "1", "1", "Down") + at(2, "1", "1", "Up") << 0 << 0 << 1 << 1;
        QTest::newRow("downstream rate changes")
            << at(1, "8000", "800", "Up") + at(2, "7600", "800", "Up") << 0 << 1 << 2 << 0;
        QTest::newRow("both rates change at once: one resync")
            << at(1, "8000", "800", "Up") + at(2, "7600", "700", "Up") + at(3, "7600", "800", "Up") << 0 << 2 << 3 << 0;
        QTest::newRow("a record without rates is no resync")
            << at(1, "8000", "800", "Up") + at(2, "", "", "Down") + at(3, "8000", "800", "Up") << 1 << 0 << 2 << 1;
        QTest::newRow("counted in time order")
            << at(9, "7600", "800", "Down") + at(1, "8000", "800", "Up") << 1 << 1 << 1 << 1;
    }
    void changesAndResyncs() {
        QFETCH(QByteArray, bytes);
        const HistorySummary summary = Summarise(ParseStats(bytes));
        QTEST(int(summary.upToDown), "upToDown");
        QTEST(int(summary.resyncs), "resyncs");
        QTEST(int(summary.upRecords), "up");
        QTEST(int(summary.downRecords), "down");
    }

    void summaryRows() {
        StatsHistory history = ParseStats("07/12/2026 09:05,8000,20,9.4,800,10,8,Up\r\n"
                                          "07/12/2026 09:06,,,,,,,Down\r\n"
                                          "junk\r\n"
                                          "08/12/2026 10:00,7600,20,12,800,10,8,Up\r\n");
        QStringList rows;
        for (const SummaryRow& row : SummaryRows(Summarise(history)))
            rows << row.caption + u'=' + row.value;
        QCOMPARE(rows, QStringList({"Period=07/12/2026 09:05 to 08/12/2026 10:00", "Records=3",
                                    "Downstream margin=min 9.4, mean 10.7, max 12 dB",
                                    "Upstream margin=min 8, mean 8, max 8 dB",
                                    "Downstream rate=min 7600, mean 7800, max 8000 kbit/s",
                                    "Upstream rate=min 800, mean 800, max 800 kbit/s", "Up -> Down changes=1",
                                    "Records Up=66.7 % of 3 with a ping result", "Resyncs=1", "Skipped lines=1"}));
    }

    // What is not a stats file is refused with a message, and nothing waits on it.
    void oddFiles_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<StatsHistory::Status>("status");
        const QString fifo = m_dir.filePath("fifo.csv");
        QVERIFY(QFile::exists(fifo) || ::mkfifo(QFile::encodeName(fifo), 0600) == 0);
        QFile large(m_dir.filePath("large.csv"));
        QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(LargestStatsFile + 1)); // sparse: costs nothing
        QTest::newRow("missing") << m_dir.filePath("stats.csv") << StatsHistory::Status::Missing;
        QTest::newRow("FIFO") << fifo << StatsHistory::Status::NotAFile;
        QTest::newRow("folder") << m_dir.path() << StatsHistory::Status::NotAFile;
        QTest::newRow("device") << "/dev/zero" << StatsHistory::Status::NotAFile;
        QTest::newRow("too large") << large.fileName() << StatsHistory::Status::TooLarge;
    }
    void oddFiles() {
        QFETCH(QString, path);
        const StatsHistory history = ReadStatsFile(path);
        QTEST(history.status, "status");
        QVERIFY(HistoryProblem(history, path).contains(path));
    }

    // A file that grows is read on where it stopped; one replaced or cut short is read anew.
    void followGrowingFile_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("how"); // append, create, rename over, or rewrite in place
        QTest::addColumn<QString>("records");
        QTest::addColumn<int>("skipped");
        const QByteArray second = at(6, "8000", "800", "Up");
        const QString both = QStringLiteral("09:05 8000 12 8 Up; 09:06 8000 10 8 Up");
        QTest::newRow("records appended") << Normal << second << "append" << both << 0;
        QTest::newRow("a torn line finished") << Normal + second.left(20) << second.mid(20) << "append" << both << 0;
        QTest::newRow("a whole last line gets its end")
            << Normal + second.chopped(2) << QByteArray("\r\n") << "append" << both << 0;
        QTest::newRow("junk appended") << Normal << QByteArray("junk\r\n") << "append"
                                       << "09:05 8000 12 8 Up" << 1;
        QTest::newRow("replaced") << Normal << second << "rename"
                                  << "09:06 8000 10 8 Up" << 0;
        QTest::newRow("created after it was missing") << QByteArray() << Normal << "create"
                                                      << "09:05 8000 12 8 Up" << 0;
        QTest::newRow("cut short and written again") << Normal + second << at(7, "8000", "800", "Up") << "rewrite"
                                                     << "09:07 8000 10 8 Up" << 0;
    }
    void followGrowingFile() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QString, how);
        const QString path = m_dir.filePath("growing.csv");
        QFile::remove(path);
        if (how != "create")
            QVERIFY(writeFile(path, before));
        StatsHistory history = ReadStatsFile(path);
        QVERIFY(!FollowStatsFile(history, path));
        if (how == "rename")
            QVERIFY(writeFile(path + ".new", after) && ::rename(qPrintable(path + ".new"), qPrintable(path)) == 0);
        else
            QVERIFY(writeFile(path, after,
                              how == "append" ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(FollowStatsFile(history, path));
        QTEST(describe(history.records), "records");
        QTEST(int(history.skippedLines), "skipped");
        QVERIFY(!FollowStatsFile(history, path));
    }

    // Drawing cost must follow the width, not the records, without losing a dip.
    void thinnedToColumns() {
        std::vector<StatsRecord> records(100000);
        for (size_t i = 0; i < records.size(); ++i) {
            records[i].time = qint64(i) * 60000;
            records[i].values.fill(10 + double(i % 7));
        }
        records[54321].values[DownMargin] = -3;
        const auto traces = ThinToColumns(records, 0, 99999 * 60000LL, 200, 5 * 60000);
        QCOMPARE(traces[DownMargin].size(), size_t(1));
        const Trace& margin = traces[DownMargin][0];
        QVERIFY(margin.size() <= 200 + 1);
        QVERIFY(std::any_of(margin.begin(), margin.end(), [](const ColumnValues& c) { return c.low == -3; }));
        QVERIFY(std::is_sorted(margin.begin(), margin.end(),
                               [](const ColumnValues& a, const ColumnValues& b) { return a.time < b.time; }));
        // A narrow range keeps the nearest record on each side, so the lines reach the edges.
        const auto narrow = ThinToColumns(records, 90 * 60000 + 30000, 95 * 60000 + 30000, 200, 5 * 60000);
        QCOMPARE(describe(narrow[UpRate]), QStringLiteral("90..96"));
    }

    void traces_data() {
        QTest::addColumn<std::vector<StatsRecord>>("records");
        QTest::addColumn<int>("to"); // minutes; the range starts at 0
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("traces");
        const double none = NoValue;
        const std::vector<StatsRecord> gap =
            valuesAt({{0, 12}, {1, 12}, {2, 12}, {3, 12}, {4, 12}, {11, 6}, {12, 6}, {13, 6}, {14, 6}, {15, 6}});
        QTest::newRow("a gap splits the line") << gap << 15 << 16 << "0..4 | 11..15";
        QTest::newRow("a gap narrower than a column joins") << gap << 15 << 2 << "2..15";
        QTest::newRow("values missing past the gap limit split")
            << valuesAt({{0, 1}, {1, 1}, {2, none}, {7, none}, {8, 1}, {9, 1}}) << 9 << 10 << "0..1 | 8..9";
        QTest::newRow("one record is a point") << valuesAt({{5, 12}}) << 10 << 10 << "5";
    }
    void traces() {
        QFETCH(std::vector<StatsRecord>, records);
        QFETCH(int, to);
        QFETCH(int, columns);
        QTEST(describe(ThinToColumns(records, 0, to * 60000LL, columns, 5 * 60000)[DownMargin]), "traces");
    }

    void downSpans_data() {
        QTest::addColumn<std::vector<StatsRecord>>("records");
        QTest::addColumn<QList<qint64>>("spans"); // from, to in minutes, with a gap limit of five minutes
        using P = PingState;
        QTest::newRow("a run ends at the next record")
            << recordsOf({{0, P::Up}, {3, P::Down}, {6, P::Down}, {9, P::Up}}) << QList<qint64>{3, 9};
        QTest::newRow("the last record lasts the usual spacing")
            << recordsOf({{0, P::Up}, {5, P::Down}}) << QList<qint64>{5, 6};
        QTest::newRow("a lone Down record before a gap is cut at the gap limit")
            << recordsOf({{0, P::Up}, {1, P::Down}, {600, P::Up}}) << QList<qint64>{1, 6};
        QTest::newRow("two outages") << recordsOf({{0, P::Down}, {1, P::Unknown}, {2, P::Down}, {3, P::Up}})
                                     << QList<qint64>{0, 1, 2, 3};
    }
    void downSpans() {
        QFETCH(std::vector<StatsRecord>, records);
        QList<qint64> minutes;
        for (const TimeSpan& span : DownSpans(records, 5 * 60000))
            minutes << span.from / 60000 << span.to / 60000;
        QTEST(minutes, "spans");
    }

    // The lists --summary prints and the window shows, from the file's own spacing.
    void outagesAndGaps_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QByteArray minutes;
        for (int m = 0; m <= 10; ++m)
            minutes += at(m, "1", "1", m == 4 || m == 5 || m == 10 ? "Down" : "Up");
        for (int m = 120; m <= 125; ++m)
            minutes += at(m, "1", "1", "Up");
        QTest::newRow("minute records, an outage, a lone Down record before a gap")
            << minutes
            << QStringList{
                   "Outages: 2, total 00:07:00, longest 00:05:00", "  07/12/2026 09:04 to 07/12/2026 09:06  00:02:00",
                   "  07/12/2026 09:10 to 07/12/2026 09:15  00:05:00", "Gaps without records: 1, longest 01:50:00",
                   "  07/12/2026 09:10 to 07/12/2026 11:00  01:50:00"};
        QTest::newRow("a gap of more than a day")
            << at(0, "1", "1", "Up") + at(1, "1", "1", "Up") + at(2, "1", "1", "Up") + at(1802, "1", "1", "Up")
            << QStringList{"Outages: 0, total 00:00:00, longest 00:00:00", "Gaps without records: 1, longest 30:00:00",
                           "  07/12/2026 09:02 to 08/12/2026 15:02  30:00:00"};
        QTest::newRow("hourly records: three hours apart is no gap")
            << at(0, "1", "1", "Up") + at(60, "1", "1", "Up") + at(240, "1", "1", "Up") + at(300, "1", "1", "Up")
            << QStringList{"Outages: 0, total 00:00:00, longest 00:00:00", "Gaps without records: 0, longest 00:00:00"};
    }
    void outagesAndGaps() {
        QFETCH(QByteArray, bytes);
        QTEST(OutageAndGapLines(ParseStats(bytes).records), "lines");
    }

    // Ticks at round times, labelled with exactly their time, none twice.
    void calendarTicks_data() {
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<int>("width"); // characters
        QTest::addColumn<QStringList>("ticks");
        const auto on = [](int day, int month, int year, int hour, int minute) {
            return QDateTime(QDate(year, month, day), QTime(hour, minute));
        };
        QTest::newRow("ten minutes") << on(7, 12, 2026, 9, 3) << on(7, 12, 2026, 9, 13) << 60
                                     << QStringList{"09:04 at 07/12/2026 09:04", "09:06 at 07/12/2026 09:06",
                                                    "09:08 at 07/12/2026 09:08", "09:10 at 07/12/2026 09:10",
                                                    "09:12 at 07/12/2026 09:12"};
        QTest::newRow("a day") << on(6, 12, 2026, 12, 34) << on(7, 12, 2026, 12, 34) << 100
                               << QStringList{"06/12 18:00 at 06/12/2026 18:00", "07/12 00:00 at 07/12/2026 00:00",
                                              "07/12 06:00 at 07/12/2026 06:00", "07/12 12:00 at 07/12/2026 12:00"};
        QTest::newRow("a week") << on(30, 11, 2026, 10, 0) << on(7, 12, 2026, 10, 0) << 60
                                << QStringList{"01/12 at 01/12/2026 00:00", "02/12 at 02/12/2026 00:00",
                                               "03/12 at 03/12/2026 00:00", "04/12 at 04/12/2026 00:00",
                                               "05/12 at 05/12/2026 00:00", "06/12 at 06/12/2026 00:00",
                                               "07/12 at 07/12/2026 00:00"};
        QTest::newRow("a year") << on(17, 1, 2026, 0, 0) << on(17, 1, 2027, 0, 0) << 60
                                << QStringList{"03/2026 at 01/03/2026 00:00", "05/2026 at 01/05/2026 00:00",
                                               "07/2026 at 01/07/2026 00:00", "09/2026 at 01/09/2026 00:00",
                                               "11/2026 at 01/11/2026 00:00", "01/2027 at 01/01/2027 00:00"};
        QTest::newRow("ten years") << on(1, 6, 2016, 0, 0) << on(1, 6, 2026, 0, 0) << 60
                                   << QStringList{"2018 at 01/01/2018 00:00", "2020 at 01/01/2020 00:00",
                                                  "2022 at 01/01/2022 00:00", "2024 at 01/01/2024 00:00",
                                                  "2026 at 01/01/2026 00:00"};
    }
    void calendarTicks() {
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        QFETCH(int, width);
        QStringList ticks;
        for (const TimeTick& tick : CalendarTicks(from.toMSecsSinceEpoch(), to.toMSecsSinceEpoch(), width))
            ticks << tick.label + " at " + FormatTime(tick.time);
        QTEST(ticks, "ticks");
    }

    void visibleSpansShowEveryOutage() {
        const std::vector<TimeSpan> spans{{0, 1}, {3, 4}, {100, 101}, {500, 900}, {2000, 2001}};
        // Columns of 10: the first two touch and join, a one-unit outage grows to a column,
        // and what lies outside the range is left out.
        QCOMPARE(VisibleSpans(spans, 0, 1000, 10), (std::vector<TimeSpan>{{0, 13}, {100, 110}, {500, 900}}));
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
