// SPDX-License-Identifier: MIT
// The statistics side without a network: the text operations, extraction from
// whole router dumps, and the collector on the engine's fake
// sockets with a clock and a folder the test controls.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "EngineRig.h"
#include "Peers.h"
#include "RouterOptions.h"
#include "SmallFs.h"
#include "statistics/StatsCollector.h"
#include "statistics/StatsRecords.h"

#include <sys/stat.h>

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

// Table rows of texts only: a name, then one text per column.
template <class... Texts> void row(const char* name, const Texts&... texts) {
    (QTest::newRow(name) << ... << QString(texts));
}

} // namespace

class TestStatistics : public QObject {
    Q_OBJECT
private slots:

    void extractBetween_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QString>("expected");
        const auto add = [](const char* name, const char* text, int start, bool exact, const char* expected) {
            QTest::newRow(name) << QString(text) << start << exact << QString(expected);
        };
        add("between", "a:x;", 1, true, "x");
        add("nothing between", "a:;", 1, true, "");
        add("start 0 counts as 1", "a:x;", 0, true, "x");
        add("start after the first key", "a:x; a:y;", 2, true, "y");
        add("start beyond the text", "a:x;", 9, true, "");
        add("no start key", "x;", 1, true, "");
        add("no end key", "a:x", 1, true, "");
        add("end key only before", ";a:x", 1, true, "");
        add("exact misses other case", "A:x;", 1, true, "");
        add("ignoring case", "A:x;", 1, false, "x");
    }

    void extractBetween() {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(bool, caseSensitive);
        QTEST(ExtractBetween(u"a:", u";", text, start, caseSensitive), "expected");
    }

    // Lines are separated by "|" in the table.
    void findStatValue_data() {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("startKey");
        QTest::addColumn<QString>("endKey");
        QTest::addColumn<QString>("expected");
        const char* rates = "US Connection Rate: 800 DS Connection Rate: 8000";
        row("upstream rate", rates, "US Connection Rate:", "DS Connection Rate:", "800");
        row("downstream rate to the line's end", rates, "DS Connection Rate:", "[EOL]", "8000");
        row("key in lower case", "ds margin: 12", "DS Margin:", "[EOL]", "12");
        row("first matching line only", "x|DS Margin: 12|DS Margin: 99", "DS Margin:", "[EOL]", "12");
        row("first line without end key wins", "DS Line Attenuation: 20|DS Line Attenuation: 21 DS Margin: 9",
            "DS Line Attenuation:", "DS Margin:", "");
        row("tabs stay, blanks go", "DS Margin:\t 12 \t ", "DS Margin:", "[EOL]", "\t 12 \t");
        row("no line with the key", "US Margin: 8", "DS Margin:", "[EOL]", "");
        row("no lines", "", "DS Margin:", "[EOL]", "");
    }

    void findStatValue() {
        QFETCH(QString, lines);
        QFETCH(QString, startKey);
        QFETCH(QString, endKey);
        QTEST(FindStatValue(lines.split(u'|', Qt::SkipEmptyParts), startKey, endKey), "expected");
    }

    void fixMarginValue_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        row("wrapped 10", "2147483658", "10");
        row("wrapped -10", "2147483638", "-10");
        row("beyond 32 bits", "4294967286", "2147483638");
        row("100 stays", "100", "100");
        row("100.5", "100.5", "-2147483547.5");
        row("blanks around a wrapped value", " 2147483638 ", "-10");
        row("new driver", "21.5", "21.5");
        row("new driver, negative", "-1.5", "-1.5");
        row("blank kept when not wrapped", " 12", " 12");
        row("not a number", "n/a", "n/a");
        row("empty", "", "");
    }

    void fixMarginValue() {
        QFETCH(QString, value);
        FixMarginValue(value);
        QTEST(value, "expected");
    }

    // Prompt removal and empty lines through GetCommandOutput, then the cut at the end line.
    void textCleaning_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("cut");
        const char* endFirst = "cat: no_where: No such file or directory";
        const char* upper = "a\r\nCAT: NO_WHERE: no such file or directory\r\nz";
        row("prompt in any case, blank kept", "a\r\n/VaR # ", "a\r\n ", "a\r\n ");
        row("empty lines collapse", "a\r\n\r\n\r\nb\r\n\r\nc", "a\r\nb\r\nc", "a\r\nb\r\nc");
        row("single line breaks stay", "\r\na\r\n", "\r\na\r\n", "\r\na\r\n");
        row("cut at end line, any case", upper, upper, "a");
        row("end line first: no cut", endFirst, endFirst, endFirst);
        row("empty", "", "", "");
    }

    void textCleaning() {
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
    void wholeDumps_data() {
        QTest::addColumn<QString>("printed"); // the six values as the driver prints them
        QTest::addColumn<QString>("expected");
        row("line up, old driver", "800 8000 20 12 10 8", "800 8000 20 12 10 8");
        row("negative margins wrapped", "640 4000 55 2147483638 31 2147483647", "640 4000 55 -10 31 -1");
        row("new driver, one decimal", "1024 16000 20.5 -1.5 10.5 21.5", "1024 16000 20.5 -1.5 10.5 21.5");
        row("line down", "0 0 0 0 0 0", "0 0 0 0 0 0");
    }

    void wholeDumps() {
        QFETCH(QString, printed);
        QFETCH(QString, expected);
        const QByteArray dump = driverDump(printed.split(u' '));
        const QString end = NoWhereLine + u"\r\n/var # "_s;
        const QString overTelnet = u"/var # \r\n"_s + QString::fromLatin1(asTerminalText(dump)) + end;
        const auto values = [](const LineStats& s) {
            return QStringList{s.UsRate, s.DsRate, s.DsAttenuation, s.DsMargin, s.UsAttenuation, s.UsMargin};
        };
        QCOMPARE(values(ReadLineStats(ParseConversation({u"Mango¤/var # "_s, CatEntry + overTelnet}))).join(u' '),
                 expected);
        const QString raw = QString::fromLatin1(dump).replace(u"\n"_s, Crlf) + end;
        const QStringList tabbed = values(ReadLineStats(ParseConversation({CatEntry + raw})));
        QCOMPARE(tabbed.join(u' ').simplified(), expected);
    }

    // The handler end to end on the fake engine: the box, files created and
    // appended, each record with its own clock reading, one unwritable file.
    void collectionWritesFilesAndBox() {
        CollectorRig c;
        c.stats.setPingStateText(u"Up"_s);
        const QString txtPath = c.dir.filePath(u"stats.txt"_s);
        QFile earlier(txtPath);
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier\r\n") == 9);
        earlier.close();

        c.clockReadings = {at(7, 12, 9, 5), at(1, 3, 14, 7)};
        c.stats.CollectStats();
        QCOMPARE(c.stats.StatsScript(), u"HOST 10.0.0.2\r\nWAIT \"login\"\r\nSEND \"root\\n\"\r\nWAIT \"password\"\r\n"
                                        "SEND \"Mango\\n\"\r\nWAIT \"#\"\r\n"
                                        "SEND \"cat /proc/avalanche/avsar_modem_stats \\\"no_where\\\"\\n\"\r\n"
                                        "WAIT \"no_where\""_s);
        QVERIFY(c.answerCollection());
        const QString csv1 = u"07/12/2026 09:05,8000,20.5,12,800,10,8,Up"_s;
        const QString txt1 = u"01/03/2026 14:07\t8000, 12, Up"_s;
        QCOMPARE(c.shown, QStringList{txt1});
        QCOMPARE(c.file(u"stats.csv"_s), csv1 + Crlf);
        QCOMPARE(c.file(u"stats.txt"_s), u"earlier\r\n"_s + txt1 + Crlf);

        // stats.csv cannot be opened: stats.txt and the box still get theirs, and the collection ends.
        QVERIFY(QFile::remove(c.dir.filePath(u"stats.csv"_s)) && QDir(c.dir.path()).mkdir(u"stats.csv"_s));
        c.stats.CollectStats();
        QVERIFY(c.answerCollection());
        QCOMPARE(c.shown.size(), 2);
        QCOMPARE(c.file(u"stats.txt"_s), u"earlier\r\n"_s + txt1 + Crlf + c.shown[1] + Crlf);

        // A FIFO that nobody reads is not opened: the collection still ends.
        QVERIFY(QFile::remove(c.dir.filePath(u"stats.txt"_s)));
        QCOMPARE(::mkfifo(QFile::encodeName(c.dir.filePath(u"stats.txt"_s)), 0600), 0);
        c.stats.CollectStats();
        QVERIFY(c.answerCollection());
        QCOMPARE(c.shown.size(), 3);
    }

    // A record that does not fit on a full disk leaves none of itself to join the next one.
    void fullDiskLeavesNoPartRecord() {
        SmallFs fs;
        LW_REQUIRE_PEER(fs.mounted, "mounting a tmpfs needs root");
        const QString record = u"07/12/2026 09:05,8000,20.5,12,800,10,8,Up"_s;
        const QString before = QString(4090, u'x'); // 6 bytes short of a full page
        StatsRecords::AppendToAppFile(fs.dir.path(), before.chopped(2), u"stats.csv"_s);
        fs.leaveFree(0);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"not written to .*stats.csv: No space"_s));
        StatsRecords::AppendToAppFile(fs.dir.path(), record, u"stats.csv"_s);
        QCOMPARE(readAll(fs.dir.filePath(u"stats.csv"_s)), before.chopped(2) + Crlf);
        QVERIFY(QFile::remove(fs.dir.filePath(u"filler"_s)));
        StatsRecords::AppendToAppFile(fs.dir.path(), record, u"stats.csv"_s);
        QCOMPARE(readAll(fs.dir.filePath(u"stats.csv"_s)), before.chopped(2) + Crlf + record + Crlf);
    }

    void interval_data() {
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

    void interval() {
        CollectorRig c;
        QFETCH(QString, text);
        c.stats.StartSchedule(text, false);
        QTEST(c.stats.StatsInterval(), "interval");
        QVERIFY(!c.tmrStats.isActive());
    }

    // Ticks count to the interval; the counter and the flag reset even when a
    // collection is already running, and a second request starts nothing.
    void schedule() {
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

    void changeFlag() {
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
    void failedCollectionsEnd() {
        CollectorRig c;
        const auto peer = std::exchange(c.rig.peer, nullptr);
        c.stats.setTimeLimit(std::chrono::milliseconds(50));
        c.stats.CollectStats();
        c.rig.main->accept();
        c.rig.main->receive("\r\r\nrouter login: ");
        QTRY_VERIFY(!c.stats.StatsBusy());
        QCOMPARE(c.rig.main->state, int(TarnSocket::StateClosed));
        QCOMPARE(c.rig.conversation(), QStringList{QString()}); // what it received is not held until the next run
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
};

QTEST_GUILESS_MAIN(TestStatistics)
#include "tst_statistics.moc"
