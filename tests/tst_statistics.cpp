// SPDX-License-Identifier: MIT
// The statistics side without a network: the text operations, extraction from
// whole router dumps, the records, and the collector on the engine's fake
// sockets with a clock and a folder the test controls.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "EngineRig.h"
#include "RouterOptions.h"
#include "statistics/StatsCollector.h"
#include "statistics/StatsRecords.h"

using namespace Qt::StringLiterals;
using namespace StatsExtraction;

namespace {

const QString Crlf = u"\r\n"_s;
const QString CatEntry = u"cat /proc/avalanche/avsar_modem_stats \"no_where\"¤"_s;
const QString NoWhereLine = u"cat: no_where: No such file or directory"_s;

// The driver's dump with its TABs and LF line ends, as the older and newer drivers print it.
QByteArray driverDump(const QStringList& v) {
    return u"AR7 DSL Modem Statistics:\n--------------------------------\n[DSL Modem Stats]\n"
           "\tUS Connection Rate:\t%1\tDS Connection Rate:\t%2\n"
           "\tDS Line Attenuation:\t%3\tDS Margin:\t\t%4\n"
           "\tUS Line Attenuation:\t%5\tUS Margin:\t\t%6\n"
           "\tUS Payload :\t3172224\tDS Payload:\t46719936\n\n"
           "\t[Upstream (TX) Interleave path]\n\tCRC: \t0\tFEC: \t0\tNCD: \t0\n"_s
               .arg(v[0], v[1], v[2], v[3], v[4], v[5])
               .toLatin1();
}

QDateTime at(int day, int month, int hour, int minute) {
    return QDateTime(QDate(2026, month, day), QTime(hour, minute));
}

QString readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : u"(missing)"_s;
}

// A collector on the fake engine; its router answers like the real one, echo included.
struct CollectorRig {
    EngineRig rig;
    QTimer tmrStats;
    QTemporaryDir dir;
    QList<QDateTime> clockReadings;
    QStringList shown;
    QByteArray answer = asTerminalText(driverDump({u"800"_s, u"8000"_s, u"20.5"_s, u"12"_s, u"10"_s, u"8"_s}));
    StatsCollector stats{rig.engine, &tmrStats,
                         [this] { return clockReadings.isEmpty() ? at(7, 12, 9, 5) : clockReadings.takeFirst(); },
                         dir.path(),
                         [] {
                             return StatsCollector::RouterLogin{u"10.0.0.2"_s, u"root"_s, u"Mango"_s};
                         }};

    CollectorRig() {
        QObject::connect(&stats, &StatsCollector::recordShown, [this](const QString& r) { shown << r; });
        rig.peer = [this](const QByteArray& sent) {
            const QByteArray echo = sent.startsWith("Mango") ? "\r\n" : sent;
            if (sent.startsWith("root"))
                rig.main->postReceive(echo + "Password: ");
            else if (sent.startsWith("Mango"))
                rig.main->postReceive(echo + "\r\n/var # ");
            else
                rig.main->postReceive(echo + answer + NoWhereLine.toLatin1() + "\r\n/var # ");
        };
    }
    // Answers the collection that is waiting for the router, and waits for its end.
    bool answerCollection() {
        rig.main->accept();
        rig.main->receive("\r\r\nrouter login: ");
        return QTest::qWaitFor([this] { return !stats.StatsBusy(); }, 5000);
    }
    QString file(const QString& name) const { return readAll(dir.filePath(name)); }
};

} // namespace

class TestStatistics : public QObject {
    Q_OBJECT
private slots:
    void extractBetween_data();
    void extractBetween();
    void findStatValue_data();
    void findStatValue();
    void fixMarginValue_data();
    void fixMarginValue();
    void textCleaning_data();
    void textCleaning();
    void wholeDumps_data();
    void wholeDumps();
    void records_data();
    void records();
    void collectionWritesFilesAndBox();
    void interval_data();
    void interval();
    void schedule();
    void changeFlag();
    void failedCollectionsEnd();
};

void TestStatistics::extractBetween_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QString>("expected");
    QTest::newRow("between") << "a:x;" << 1 << true << "x";
    QTest::newRow("nothing between") << "a:;" << 1 << true << "";
    QTest::newRow("start 0 counts as 1") << "a:x;" << 0 << true << "x";
    QTest::newRow("start after the first key") << "a:x; a:y;" << 2 << true << "y";
    QTest::newRow("start beyond the text") << "a:x;" << 9 << true << "";
    QTest::newRow("no start key") << "x;" << 1 << true << "";
    QTest::newRow("no end key") << "a:x" << 1 << true << "";
    QTest::newRow("end key only before") << ";a:x" << 1 << true << "";
    QTest::newRow("exact misses other case") << "A:x;" << 1 << true << "";
    QTest::newRow("ignoring case") << "A:x;" << 1 << false << "x";
}

void TestStatistics::extractBetween() {
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(bool, caseSensitive);
    QTEST(ExtractBetween(u"a:", u";", text, start, caseSensitive), "expected");
}

void TestStatistics::findStatValue_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("startKey");
    QTest::addColumn<QString>("endKey");
    QTest::addColumn<QString>("expected");
    const QStringList rates{u"US Connection Rate: 800 DS Connection Rate: 8000"_s};
    QTest::newRow("upstream rate") << rates << "US Connection Rate:"
                                   << "DS Connection Rate:"
                                   << "800";
    QTest::newRow("downstream rate to the line's end") << rates << "DS Connection Rate:"
                                                       << "[EOL]"
                                                       << "8000";
    QTest::newRow("key in lower case") << QStringList{u"ds margin: 12"_s} << "DS Margin:"
                                       << "[EOL]"
                                       << "12";
    QTest::newRow("first matching line only")
        << QStringList{u"x"_s, u"DS Margin: 12"_s, u"DS Margin: 99"_s} << "DS Margin:"
        << "[EOL]"
        << "12";
    QTest::newRow("first line without end key wins")
        << QStringList{u"DS Line Attenuation: 20"_s, u"DS Line Attenuation: 21 DS Margin: 9"_s}
        << "DS Line Attenuation:"
        << "DS Margin:"
        << "";
    QTest::newRow("tabs stay, blanks go") << QStringList{u"DS Margin:\t 12 \t "_s} << "DS Margin:"
                                          << "[EOL]"
                                          << "\t 12 \t";
    QTest::newRow("no line with the key") << QStringList{u"US Margin: 8"_s} << "DS Margin:"
                                          << "[EOL]"
                                          << "";
    QTest::newRow("no lines") << QStringList() << "DS Margin:"
                              << "[EOL]"
                              << "";
}

void TestStatistics::findStatValue() {
    QFETCH(QStringList, lines);
    QFETCH(QString, startKey);
    QFETCH(QString, endKey);
    QTEST(FindStatValue(lines, startKey, endKey), "expected");
}

void TestStatistics::fixMarginValue_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("wrapped 10") << "2147483658"
                                << "10";
    QTest::newRow("wrapped -10") << "2147483638"
                                 << "-10";
    QTest::newRow("beyond 32 bits") << "4294967286"
                                    << "2147483638";
    QTest::newRow("100 stays") << "100"
                               << "100";
    QTest::newRow("100.5") << "100.5"
                           << "-2147483547.5";
    QTest::newRow("blanks around a wrapped value") << " 2147483638 "
                                                   << "-10";
    QTest::newRow("new driver") << "21.5"
                                << "21.5";
    QTest::newRow("new driver, negative") << "-1.5"
                                          << "-1.5";
    QTest::newRow("blank kept when not wrapped") << " 12"
                                                 << " 12";
    QTest::newRow("not a number") << "n/a"
                                  << "n/a";
    QTest::newRow("empty") << ""
                           << "";
}

void TestStatistics::fixMarginValue() {
    QFETCH(QString, value);
    FixMarginValue(value);
    QTEST(value, "expected");
}

// Prompt removal and empty lines through GetCommandOutput, and the cut at the end line.
void TestStatistics::textCleaning_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("cut");
    QTest::newRow("prompt in any case, blank kept") << "a\r\n/VaR # "
                                                    << "a\r\n "
                                                    << "a\r\n ";
    QTest::newRow("empty lines collapse") << "a\r\n\r\n\r\nb\r\n\r\nc"
                                          << "a\r\nb\r\nc"
                                          << "a\r\nb\r\nc";
    QTest::newRow("single line breaks stay") << "\r\na\r\n"
                                             << "\r\na\r\n"
                                             << "\r\na\r\n";
    QTest::newRow("cut at end line, any case") << "a\r\nCAT: NO_WHERE: no such file or directory\r\nz"
                                               << "a\r\nCAT: NO_WHERE: no such file or directory\r\nz"
                                               << "a";
    QTest::newRow("end line first: no cut") << "cat: no_where: No such file or directory"
                                            << "cat: no_where: No such file or directory"
                                            << "cat: no_where: No such file or directory";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
}

void TestStatistics::textCleaning() {
    QFETCH(QString, text);
    const ConversationTable table = ParseConversation({u"root¤Password: "_s, u"no separator"_s, CatEntry + text});
    QCOMPARE(table.size(), 3);
    QCOMPARE(table[1].Command, QString());
    QString output = GetCommandOutput(table, u"CAT /proc/avalanche/avsar_modem_stats");
    QTEST(output, "output");
    CutAtMarker(output, Crlf + NoWhereLine);
    QTEST(output, "cut");
    QCOMPARE(GetCommandOutput(table, u"exit"), QString());
}

// Whole dumps: over telnet TABs arrive as spaces and LF as CR LF; read from the
// raw TAB form the values keep their TABs, as only blanks are trimmed.
void TestStatistics::wholeDumps_data() {
    QTest::addColumn<QStringList>("printed");
    QTest::addColumn<LineStats>("expected");
    const auto row = [](const char* name, QStringList printed, LineStats expected) {
        QTest::newRow(name) << printed << expected;
    };
    row("line up, old driver", {u"800"_s, u"8000"_s, u"20"_s, u"12"_s, u"10"_s, u"8"_s},
        {u"800"_s, u"8000"_s, u"20"_s, u"12"_s, u"10"_s, u"8"_s});
    row("negative margins wrapped", {u"640"_s, u"4000"_s, u"55"_s, u"2147483638"_s, u"31"_s, u"2147483647"_s},
        {u"640"_s, u"4000"_s, u"55"_s, u"-10"_s, u"31"_s, u"-1"_s});
    row("new driver, one decimal", {u"1024"_s, u"16000"_s, u"20.5"_s, u"-1.5"_s, u"10.5"_s, u"21.5"_s},
        {u"1024"_s, u"16000"_s, u"20.5"_s, u"-1.5"_s, u"10.5"_s, u"21.5"_s});
    row("line down", {u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s},
        {u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s});
}

void TestStatistics::wholeDumps() {
    QFETCH(QStringList, printed);
    QFETCH(LineStats, expected);
    const QByteArray dump = driverDump(printed);
    const QString end = NoWhereLine + u"\r\n/var # "_s;
    const QString overTelnet = u"/var # \r\n"_s + QString::fromLatin1(asTerminalText(dump)) + end;
    QCOMPARE(ReadLineStats(ParseConversation({u"Mango¤/var # "_s, CatEntry + overTelnet})), expected);

    const QString raw = QString::fromLatin1(dump).replace(u"\n"_s, Crlf) + end;
    LineStats tabbed = ReadLineStats(ParseConversation({CatEntry + raw}));
    for (QString* value : {&tabbed.UsRate, &tabbed.DsRate, &tabbed.DsAttenuation, &tabbed.DsMargin,
                           &tabbed.UsAttenuation, &tabbed.UsMargin})
        *value = value->trimmed();
    QCOMPARE(tabbed, expected);
}

void TestStatistics::records_data() {
    QTest::addColumn<QString>("ping");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("csv");
    QTest::addColumn<QString>("text");
    const QDateTime dec7 = at(7, 12, 9, 5);
    QTest::newRow("up") << "Up" << false << dec7 << "07/12/2026 09:05,8000,20.5,12,800,10,8,Up"
                        << "07/12/2026 09:05\t8000, 12, Up";
    QTest::newRow("changed: readable only")
        << "Down" << true << at(1, 3, 14, 7) << "01/03/2026 14:07,8000,20.5,12,800,10,8,Down"
        << "01/03/2026 14:07\t8000, 12, Down, Changed";
    QTest::newRow("before the first ping") << "" << false << dec7 << "07/12/2026 09:05,8000,20.5,12,800,10,8,"
                                           << "07/12/2026 09:05\t8000, 12, ";
}

void TestStatistics::records() {
    QFETCH(QString, ping);
    QFETCH(bool, changed);
    QFETCH(QDateTime, when);
    const LineStats stats{u"800"_s, u"8000"_s, u"20.5"_s, u"12"_s, u"10"_s, u"8"_s};
    QTEST(StatsRecords::StatsCsvRecord(stats, ping, when), "csv");
    QTEST(StatsRecords::StatsTextRecord(stats, ping, changed, when), "text");
    QCOMPARE(StatsRecords::StatsCsvRecord({}, ping, when).count(u','), 7);
}

// The handler end to end on the fake engine: the box, files created and
// appended, each record with its own clock reading, one unwritable file.
void TestStatistics::collectionWritesFilesAndBox() {
    CollectorRig c;
    c.stats.setPingStateText(u"Up"_s);
    const QString txtPath = c.dir.filePath(u"stats.txt"_s);
    QFile earlier(txtPath);
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier\r\n") == 9);
    earlier.close();

    c.clockReadings = {at(7, 12, 9, 5), at(7, 12, 9, 6)};
    c.stats.CollectStats();
    QCOMPARE(c.stats.StatsScript(), u"HOST 10.0.0.2\r\nWAIT \"login\"\r\nSEND \"root\\n\"\r\nWAIT \"password\"\r\n"
                                    "SEND \"Mango\\n\"\r\nWAIT \"#\"\r\n"
                                    "SEND \"cat /proc/avalanche/avsar_modem_stats \\\"no_where\\\"\\n\"\r\n"
                                    "WAIT \"no_where\""_s);
    QVERIFY(c.answerCollection());
    const QString csv1 = u"07/12/2026 09:05,8000,20.5,12,800,10,8,Up"_s;
    const QString txt1 = u"07/12/2026 09:06\t8000, 12, Up"_s;
    QCOMPARE(c.shown, QStringList{txt1});
    QCOMPARE(c.file(u"stats.csv"_s), csv1 + Crlf);
    QCOMPARE(c.file(u"stats.txt"_s), u"earlier\r\n"_s + txt1 + Crlf);

    // stats.csv cannot be opened: stats.txt and the box still get theirs, and the collection ends.
    QVERIFY(QFile::remove(c.dir.filePath(u"stats.csv"_s)) && QDir(c.dir.path()).mkdir(u"stats.csv"_s));
    c.stats.CollectStats();
    QVERIFY(c.answerCollection());
    QCOMPARE(c.shown.size(), 2);
    QCOMPARE(c.file(u"stats.txt"_s), u"earlier\r\n"_s + txt1 + Crlf + c.shown[1] + Crlf);
}

void TestStatistics::interval_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("interval");
    QTest::newRow("0") << "0" << 1;
    QTest::newRow("empty") << "" << 1;
    QTest::newRow("abc") << "abc" << 1;
    QTest::newRow("-3 kept") << "-3" << -3;
    QTest::newRow("1.5") << "1.5" << 2;
    QTest::newRow("2.5 to even") << "2.5" << 2;
    QTest::newRow("5") << "5" << 5;
    QTest::newRow("beyond 32 bits: clamped") << "1e12" << 2147483647;
}

void TestStatistics::interval() {
    CollectorRig c;
    QFETCH(QString, text);
    c.stats.StartSchedule(text, false);
    QTEST(c.stats.StatsInterval(), "interval");
    QVERIFY(!c.tmrStats.isActive());
}

// Ticks count to the interval; the counter and the flag reset even when a
// collection is already running, and a second request starts nothing.
void TestStatistics::schedule() {
    CollectorRig c;
    c.stats.StartSchedule(u"3"_s, true);
    QVERIFY(c.tmrStats.isActive());
    c.stats.tmrStats_Timer();
    c.stats.tmrStats_Timer();
    QCOMPARE(c.stats.StatsTicks(), 2);
    QCOMPARE(c.rig.main->connectCount, 0);
    c.stats.ReachabilityChanged();
    QVERIFY(c.stats.StatsBusy() && c.stats.PingStateChanged());
    c.stats.tmrStats_Timer();
    QCOMPARE(c.stats.StatsTicks(), 0);
    QVERIFY(!c.stats.PingStateChanged());
    c.stats.CollectStats();
    QCOMPARE(c.rig.main->connectCount, 1);
    // A periodic tick during a change-triggered collection takes its mark away.
    QVERIFY(c.answerCollection());
    QVERIFY(!c.shown.constLast().endsWith(u", Changed"));

    // Stopping keeps the timer; a negative interval collects at every tick.
    c.tmrStats.stop();
    c.stats.StopSchedule(true);
    QVERIFY(c.tmrStats.isActive());
    c.stats.StartSchedule(u"-3"_s, false);
    c.stats.tmrStats_Timer();
    QCOMPARE(c.rig.main->connectCount, 2);
}

void TestStatistics::changeFlag() {
    CollectorRig c;
    c.stats.StartSchedule(u"1"_s, false);
    QVERIFY(!c.tmrStats.isActive());
    // Unticked: no periodic collection, yet a change collects, marked.
    c.stats.ReachabilityChanged();
    QVERIFY(c.answerCollection());
    QVERIFY(c.shown.constLast().endsWith(u", Changed"));
    // A change while a periodic collection runs marks that collection.
    c.stats.tmrStats_Timer();
    c.stats.ReachabilityChanged();
    QCOMPARE(c.rig.main->connectCount, 2);
    QVERIFY(c.answerCollection());
    QVERIFY(c.shown.constLast().endsWith(u", Changed"));
    QVERIFY(!c.file(u"stats.csv"_s).contains(u"Changed"));
}

// A run the control ends with an error, or one that never ends, leaves no
// record; a late report of that run changes nothing; the next run records.
void TestStatistics::failedCollectionsEnd() {
    CollectorRig c;
    const auto peer = std::exchange(c.rig.peer, nullptr);
    c.stats.setTimeLimit(std::chrono::milliseconds(50));
    c.stats.CollectStats();
    c.rig.main->accept();
    c.rig.main->receive("\r\r\nrouter login: ");
    QTRY_VERIFY(!c.stats.StatsBusy());
    QCOMPARE(c.rig.main->state, int(TarnSocket::StateClosed));
    emit c.rig.engine.ScriptComplete();
    emit c.rig.engine.ScriptError(false);

    c.stats.setTimeLimit(StatsCollector::CollectionTimeLimit);
    c.stats.CollectStats();
    emit c.rig.engine.ScriptError(false);
    QVERIFY(!c.stats.StatsBusy());
    QCOMPARE(c.shown, QStringList());
    QVERIFY(!QFile::exists(c.dir.filePath(u"stats.csv"_s)) && !QFile::exists(c.dir.filePath(u"stats.txt"_s)));

    c.rig.peer = peer;
    c.stats.CollectStats();
    QVERIFY(c.answerCollection());
    QCOMPARE(c.shown.size(), 1);
    QCOMPARE(c.file(u"stats.csv"_s).count(Crlf), 1);
}

QTEST_GUILESS_MAIN(TestStatistics)
#include "tst_statistics.moc"
