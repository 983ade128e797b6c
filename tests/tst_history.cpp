// SPDX-License-Identifier: MIT
// Reading stats.csv, whatever it holds, and what the history adds up to.
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "history/HistorySummary.h"
#include "history/StatsHistory.h"
#include "history/TimeColumns.h"

using namespace history;

Q_DECLARE_METATYPE(std::vector<StatsRecord>)

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

// A record at 09:mm on 07/12/2026 with the given rates and ping state.
QByteArray at(int minute, const QByteArray& downRate, const QByteArray& upRate, const QByteArray& ping) {
    return "07/12/2026 09:" + QByteArray::number(minute).rightJustified(2, '0') + ',' + downRate + ",20,10," + upRate +
           ",10,8," + ping + "\r\n";
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
        QTest::newRow("unit after a value") << Normal + "07/12/2026 09:06,8000 kbps,20.5,12,800,10,8,Up\r\n"
                                            << one << 1;
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
        QFETCH(int, skipped);
        const StatsHistory history = ParseStats(bytes);
        QCOMPARE(describe(history.records), records);
        QCOMPARE(history.skippedLines, skipped);
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

    void missingFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("stats.csv");
        const StatsHistory history = ReadStatsFile(path);
        QCOMPARE(history.status, StatsHistory::Status::Missing);
        QVERIFY(HistoryProblem(history, path).contains(path));
    }

    // Drawing cost must follow the width, not the records, without losing a dip.
    void thinnedToTwoPointsPerColumn() {
        std::vector<StatsRecord> records(100000);
        for (size_t i = 0; i < records.size(); ++i) {
            records[i].time = qint64(i) * 60000;
            records[i].values.fill(10 + double(i % 7));
        }
        records[54321].values[DownMargin] = -3;
        const auto points = ThinToColumns(records, 0, 99999 * 60000LL, 200);
        const QList<QPointF>& margin = points[DownMargin];
        QVERIFY(margin.size() <= 2 * 200 + 2);
        QVERIFY(margin.contains(QPointF(54321 * 60000.0, -3)));
        QVERIFY(std::is_sorted(margin.begin(), margin.end(),
                               [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }));
        // A narrow range keeps the nearest record on each side, so the lines reach the edges.
        const auto narrow = ThinToColumns(records, 90 * 60000 + 30000, 95 * 60000 + 30000, 200);
        QCOMPARE(narrow[UpRate].first().x(), 90 * 60000.0);
        QCOMPARE(narrow[UpRate].last().x(), 96 * 60000.0);
    }

    void downSpans_data() {
        QTest::addColumn<std::vector<StatsRecord>>("records");
        QTest::addColumn<QList<qint64>>("spans"); // from, to in minutes
        using P = PingState;
        QTest::newRow("a run ends at the next record")
            << recordsOf({{0, P::Up}, {5, P::Down}, {10, P::Down}, {15, P::Up}}) << QList<qint64>{5, 15};
        QTest::newRow("the last record lasts its minute")
            << recordsOf({{0, P::Up}, {5, P::Down}}) << QList<qint64>{5, 6};
        QTest::newRow("a long silence is cut at an hour")
            << recordsOf({{0, P::Down}, {600, P::Up}}) << QList<qint64>{0, 60};
        QTest::newRow("two outages") << recordsOf({{0, P::Down}, {1, P::Unknown}, {2, P::Down}, {3, P::Up}})
                                     << QList<qint64>{0, 1, 2, 3};
    }
    void downSpans() {
        QFETCH(std::vector<StatsRecord>, records);
        QFETCH(QList<qint64>, spans);
        QList<qint64> minutes;
        for (const TimeSpan& span : DownSpans(records))
            minutes << span.from / 60000 << span.to / 60000;
        QCOMPARE(minutes, spans);
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
