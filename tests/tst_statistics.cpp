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
#include "FileBytes.h"
#include "Peers.h"
#include "PlantedFile.h"
#include "RouterOptions.h"
#include "SmallFs.h"
#include "TextRows.h"
#include "history/StatsHistory.h"
#include "statistics/StatsCollector.h"
#include "statistics/StatsRecords.h"
#include "text/StatsCsv.h"

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace StatsExtraction;

namespace {

const QString Crlf = u"\r\n"_s;
const QString CatEntry = RouterModels::Default().command + u"¤"_s;
const QString NoWhereLine = RouterModels::Default().endLine;

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

// A model file with every line right; the mistakes table changes one line of it.
const QStringList GoodModel{u"User prompt = login"_s,
                            u"Password prompt = password"_s,
                            u"Shell prompt = #"_s,
                            u"Command = showdsl; cat no_where"_s,
                            u"End text = no_where"_s,
                            u"End line = cat: no_where: No such file or directory"_s,
                            u"# the six values"_s,
                            u"Down rate = number 1 after \"Data Rate:\", Mb/s x1000, Kb/s x1"_s,
                            u"Down attenuation = between \"Attn:\" and end of line"_s,
                            u"Down margin = between \"Margin:\" and \"dB\""_s,
                            u"Up rate = number 2 after \"Data Rate:\", Mb/s x1000, Kb/s x1"_s,
                            u"Up attenuation = number 1 after \"Up:\""_s,
                            u"Up margin = number 2 after \"Up:\""_s};

// The down rate's rule when a model file writes it as given.
ValueRule ruleOf(const QString& rule) {
    QStringList lines = GoodModel;
    lines[7] = u"Down rate = "_s + rule;
    const ModelReading reading = ParseModel(lines.join(u'\n'), u"test"_s);
    return reading.model ? reading.model->values[StatsCsv::DownRate] : ValueRule{};
}

QDateTime at(int day, int month, int hour, int minute) {
    return QDateTime(QDate(2026, month, day), QTime(hour, minute));
}

QString readAll(const QString& path) {
    return QString::fromLocal8Bit(readFile(path));
}

// A collector on the fake engine; its router answers like the real one, echo included.
struct CollectorRig {
    EngineRig rig;
    QTimer tmrStats;
    QTemporaryDir dir;
    QList<QDateTime> clockReadings;
    QStringList shown;
    QStringList failed; // the reasons of collections that left no record
    int ended = 0;      // collections ended, with a record or without
    QByteArray answer = asTerminalText(driverDump({u"800"_s, u"8000"_s, u"20.5"_s, u"12"_s, u"10"_s, u"8"_s}));
    StatsCollector stats{rig.engine, &tmrStats,
                         [this] { return clockReadings.isEmpty() ? at(7, 12, 9, 5) : clockReadings.takeFirst(); },
                         dir.path(),
                         [] {
                             return StatsCollector::RouterLogin{u"10.0.0.2"_s, u"root"_s, u"Mango"_s};
                         }};

    CollectorRig() {
        QObject::connect(&stats, &StatsCollector::recordShown, [this](const QString& r) { shown << r; });
        QObject::connect(&stats, &StatsCollector::recordWritten, [this] { ++ended; });
        QObject::connect(&stats, &StatsCollector::collectionFailed, [this](const QString& reason) {
            failed << reason;
            ++ended;
        });
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
        const int before = ended;
        rig.main->accept();
        rig.main->receive("\r\r\nrouter login: ");
        return QTest::qWaitFor([this, before] { return ended > before; }, 5000);
    }
    QString file(const QString& name) const { return readAll(dir.filePath(name)); }
};

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

    // A number after a label: the line must begin with it, the count-th number
    // standing alone is taken, and a unit the rule does not name gives nothing.
    void findNumberValue_data() {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("expected");
        const char* rates = "Data Rate: Down: 51.392 Mb/s / Up: 800 Kb/s";
        const char* mega = "number 1 after \"Data Rate:\", Mb/s x1000";
        row("converted, decimals kept exact", rates, mega, "51392");
        row("second number, its own unit", rates, "number 2 after \"Data Rate:\", Mb/s x1000, Kb/s x1", "800");
        row("below one", "Data Rate: 640 b/s", "number 1 after \"Data Rate:\", b/s x0.001", "0.64");
        row("unit not named: none", "Data Rate: Down: 51.392 MB/s", mega, "");
        row("no units: as printed", "\t SNR (dB):\t 6.10\t\t -0.5", "number 2 after \"SNR (dB):\"", "-0.5");
        row("label inside a line does not count", "Max. Data Rate: 9 Mb/s|Data Rate: 7.5 Mb/s", mega, "7500");
        row("first line only", "Bearer: 0, Up = 1023 Kbps|Bearer: 1, Up = 0 Kbps", "number 2 after \"Bearer:\"",
            "1023");
        row("either label", "Path:\t0, Up = 8876 Kbps", "number 2 after \"Bearer:\" or \"Path:\"", "8876");
        row("glued digits are no numbers", "Up: G.993.2 0x801 17a 7.", "number 1 after \"Up:\"", "7");
        row("fewer numbers than counted", "SNR (dB): 6.1 6.2", "number 3 after \"SNR (dB):\"", "");
    }

    void findNumberValue() {
        QFETCH(QString, lines);
        QFETCH(QString, rule);
        QTEST(FindNumberValue(lines.split(u'|', Qt::SkipEmptyParts), ruleOf(rule)), "expected");
    }

    void fixMarginValue_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        row("wrapped 10", "2147483658", "10");
        row("wrapped -10", "2147483638", "-10");
        row("beyond 32 bits", "4294967286", "2147483638");
        row("100 stays", "100", "100");
        row("100.5", "100.5", "-2147483547.5");
        row("wrapped with a fraction", "2147483658.7", "10.7");
        row("blanks around a wrapped value", " 2147483638 ", "-10");
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

    // Whole dumps, friendly and hostile, from the router's answer to the record
    // read back: each record is one line of its fields, and the history reads
    // it with no line skipped. Over telnet TABs arrive as spaces and LF as CR LF;
    // other routers send their own line ends, TABs, and worse.
    void wholeDumps_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("expected"); // the six values as read back, "-" for none
        const auto lineEnds = [](const QString& printed, const char* lineEnd) {
            return QByteArray(driverDump(printed.split(u'|')) + NoWhereLine.toLatin1() + "\n/var # ")
                .replace("\n", lineEnd);
        };
        const auto telnet = [](const QString& printed) {
            return "/var # \r\n" + asTerminalText(driverDump(printed.split(u'|'))) + NoWhereLine.toLatin1() +
                   "\r\n/var # ";
        };
        const auto add = [](const char* name, const QByteArray& answer, const char* expected) {
            QTest::newRow(name) << answer << QString(expected);
        };
        const char* normal = "800 8000 20 12 10 8";
        add("line up, old driver", telnet("800|8000|20|12|10|8"), normal);
        add("line up, raw TABs", lineEnds("800|8000|20|12|10|8", "\r\n"), normal);
        add("negative margins wrapped", telnet("640|4000|55|2147483638|31|2147483647"), "640 4000 55 -10 31 -1");
        add("new driver, one decimal", telnet("1024|16000|20.5|-1.5|10.5|21.5"), "1024 16000 20.5 -1.5 10.5 21.5");
        add("line down", telnet("0|0|0|0|0|0"), "0 0 0 0 0 0");
        add("LF line ends", lineEnds("800|8000|20|12|10|8", "\n"), normal);
        add("CR CR LF line ends", lineEnds("800|8000|20|12|10|8", "\r\r\n"), normal);
        add("mixed line ends",
            lineEnds("800|8000|20|12|10|8", "\n")
                .replace("\n\tDS Line", "\r\n\tDS Line")
                .replace("\n\tUS Line", "\r\tUS Line"),
            normal);
        add("0xA4 byte before the statistics", "\xa4" + telnet("800|8000|20|12|10|8"), normal);
        add("bare CR inside a value", telnet("800|8000\r9|20|12|10|8"), normal);
        add("forged record after a value", lineEnds("800|8000|20|12\n07/12/2026 09:05,1,1,1,1,1,1,Up|10|8", "\n"),
            normal);
        add("NUL byte in a value", telnet(u"800|8000|20|12\0|10|8"_s), "800 8000 20 - 10 8");
        add("comma in a value", telnet("800|8,000|20|12|10|8"), "800 - 20 12 10 8");
        add("5 MB value", telnet("800|8000|20|12|10|" + QString(5 << 20, u'9')), "800 8000 20 12 10 -");
    }

    void wholeDumps() {
        QFETCH(QByteArray, answer);
        const LineStats stats =
            ReadLineStats(ParseConversation({u"Mango¤/var # "_s, CatEntry + QString::fromLatin1(answer)}));
        const QString csv = StatsRecords::StatsCsvRecord(stats, u"Up"_s, at(7, 12, 9, 5));
        const QString txt = StatsRecords::StatsTextRecord(stats, u"Up"_s, true, at(7, 12, 9, 5));
        QVERIFY2(!QRegularExpression(u"[\\x00-\\x08\\x0a-\\x1f\\x7f-\\x9f]"_s).match(csv + txt).hasMatch(),
                 qPrintable(csv.left(200)));
        QCOMPARE(csv.count(u','), 7);
        QCOMPARE(txt.count(u','), 3);
        const history::StatsHistory read = history::ParseStats((csv + Crlf + csv + Crlf).toLatin1());
        QCOMPARE(read.skippedLines, 0);
        QCOMPARE(read.records.size(), size_t(2));
        QStringList values;
        for (const history::StatsField f : {history::UpRate, history::DownRate, history::DownAttenuation,
                                            history::DownMargin, history::UpAttenuation, history::UpMargin}) {
            const double value = read.records[0].values[f];
            values << (std::isnan(value) ? u"-"_s : QString::number(value));
        }
        QTEST(values.join(u' '), "expected");
    }

    // Each router model's output, one fixture per firmware and line state, gives
    // its six values as stats.csv writes them (down rate, attenuation, margin,
    // then up), over telnet (TABs as blanks) and over SSH (TABs as sent) alike.
    void modelFixtures_data() {
        QTest::addColumn<QString>("model"); // a built-in name, or a model file below tools/router-sim
        QTest::addColumn<QString>("expected");
        const auto add = [](const char* fixture, const char* model, const char* expected) {
            QTest::newRow(fixture) << QString(model) << QString(expected);
        };
        add("sample-stats.txt", "ar7", "8000,21.5,12,800,11,15");
        add("wrapped-margins-stats.txt", "ar7", "8000,21.5,10,800,11,6");
        add("models/broadcom-xdslctl/adsl2plus-bearer.txt", "broadcom-xdslctl", "20479,20.5,6.1,1023,10.5,6.2");
        add("models/broadcom-xdslctl/vdsl2-two-bearers.txt", "broadcom-xdslctl", "59993,14.2,11.4,19999,0.0,9.7");
        add("models/broadcom-xdslctl/xdslcmd-path.txt", "broadcom-xdslctl", "39990,11.9,7.4,8876,3.2,6.6");
        add("models/broadcom-xdslctl/training.txt", "broadcom-xdslctl", ",0.0,0.0,,0.0,0.0");
        add("models/broadcom-xdslctl/idle.txt", "broadcom-xdslctl", ",,,,,");
        add("models/lantiq-dsl-control/vdsl2.txt", "lantiq-dsl-control", "51392,13.5,8.9,10048,18.2,9.4");
        add("models/lantiq-dsl-control/adsl-kbits.txt", "lantiq-dsl-control", "7616,38.5,6.2,800,21.0,12.0");
        add("models/lantiq-dsl-control/vectoring.txt", "lantiq-dsl-control", "109998,7.9,10.1,39998,8.1,13.7");
        add("models/lantiq-dsl-control/line-down.txt", "lantiq-dsl-control", "0,0.0,0.0,0,0.0,0.0");
        add("models/example/dslstat.txt", "models/example/dslstat.model", "16384,31.5,6.0,1024,15.0,7.5");
    }

    void modelFixtures() {
        QFETCH(QString, model);
        const QString tools = Peers::sourceDir() + u"/tools/router-sim"_s;
        const RouterModels::Choice chosen = RouterModels::Choose(model, tools);
        QVERIFY2(chosen.model, qPrintable(chosen.problem));
        QFile fixture(tools + u'/' + QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        const QByteArray printed = fixture.readAll();
        const auto read = [&chosen](const QByteArray& answer, bool overSsh) {
            const QString entry =
                chosen.model->command + u"¤"_s + QString::fromLatin1(answer) + chosen.model->endLine + u"\r\n# "_s;
            const LineStats s = ReadLineStats(ParseConversation({entry}), *chosen.model, overSsh);
            return QStringList{s.DsRate, s.DsAttenuation, s.DsMargin, s.UsRate, s.UsAttenuation, s.UsMargin}.join(u',');
        };
        QTEST(read(asTerminalText(printed), false), "expected");
        QTEST(read(QByteArray(printed).replace("\n", "\r\n"), true), "expected");
    }

    // A model file with a mistake is refused, naming its line.
    void modelFileMistakes_data() {
        QTest::addColumn<int>("line"); // of GoodModel, from 1, that the row replaces; 0: added at the end
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("mistake"); // what the refusal says, in part
        const auto add = [](const char* name, int line, const char* text, const char* mistake) {
            QTest::newRow(name) << line << QString(text) << QString(mistake);
        };
        add("unknown key", 0, "Colour = blue", "line 14: unknown key \"Colour\"");
        add("no equals sign", 1, "User prompt login", "line 1: ");
        add("key given twice", 0, "shell PROMPT = $", "line 14: \"Shell prompt\" given twice (first on line 3)");
        add("missing value", 2, "Password prompt =", "line 2: \"Password prompt\" has no value");
        add("missing key", 13, "# no up margin", "no \"Up margin\" line");
        add("quote left open", 8, "Down rate = number 1 after \"Data Rate:", "line 8: \"Down rate\": ");
        add("empty key", 9, "Down attenuation = between \"\" and end of line", "line 9: \"Down attenuation\": ");
        add("count from 1", 8, "Down rate = number 0 after \"Data Rate:\"", "line 8: ");
        add("label after blanks", 12, "Up attenuation = number 1 after \" Up:\"", "line 12: ");
        add("factor not above 0", 8, "Down rate = number 1 after \"Data Rate:\", Mb/s x0", "line 8: ");
        add("unit twice", 8, "Down rate = number 1 after \"A:\", Kb/s x1, Kb/s x2", "line 8: ");
        add("neither rule", 10, "Down margin = \"Margin:\" 1", "line 10: ");
        add("command the script would change", 4, "Command = printf 'x\\n'; cat no_where", "line 4: ");
        add("end never seen", 5, "End text = done", "line 5: ");
    }

    void modelFileMistakes() {
        QFETCH(int, line);
        QFETCH(QString, text);
        QStringList lines = GoodModel;
        QVERIFY(ParseModel(lines.join(u"\r\n"_s), u"good"_s).model);
        if (line == 0)
            lines.append(text);
        else
            lines[line - 1] = text;
        const ModelReading reading = ParseModel(lines.join(u"\r\n"_s), u"bad"_s);
        QVERIFY(!reading.model);
        QFETCH(QString, mistake);
        QVERIFY2(reading.mistake.startsWith(mistake), qPrintable(reading.mistake));
    }

    // Over SSH the login is the transport's: the script waits for the shell prompt
    // at once. A model's double quotes reach the router as quotes.
    void scriptOfModel_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("router");
        QTest::addColumn<QString>("script"); // lines joined by "|"
        row("default model over SSH", "ar7", " ssh:192.0.2.1  2222 ",
            "HOST ssh:192.0.2.1 2222|WAIT \"#\"|SEND \"cat /proc/avalanche/avsar_modem_stats \\\"no_where\\\"\\n\"|"
            "WAIT \"no_where\"");
        row("scheme in capitals", "lantiq-dsl-control", "SSH:192.0.2.1",
            "HOST SSH:192.0.2.1|WAIT \"#\"|SEND \"/etc/init.d/dsl_control status; cat \\\"no_where\\\"\\n\"|"
            "WAIT \"no_where\"");
        row("another model over telnet, blanks and a tab", "broadcom-xdslctl", " 192.0.2.1\t 2323 ",
            "HOST 192.0.2.1 2323|WAIT \"login\"|SEND \"root\\n\"|WAIT \"password\"|SEND \"Mango\\n\"|WAIT \"#\"|"
            "SEND \"xdslctl info --stats || xdslcmd info --stats; cat \\\"no_where\\\"\\n\"|WAIT \"no_where\"");
    }

    void scriptOfModel() {
        QFETCH(QString, model);
        QFETCH(QString, router);
        const QStringList lines = StatsScript::Lines(*RouterModels::Builtin(model), router, u"root"_s, u"Mango"_s);
        QTEST(lines.join(u'|'), "script");
    }

    // The handler end to end on the fake engine: the box, files created and
    // appended, each record with its own clock reading, one unwritable file.
    void collectionWritesFilesAndBox() {
        CollectorRig c;
        c.stats.setPingStateText(u"Up"_s);
        QVERIFY(writeFile(c.dir.filePath(u"stats.txt"_s), "earlier\r\n"));

        c.clockReadings = {at(7, 12, 9, 5), at(1, 3, 14, 7)};
        QStringList written; // what the record's listeners hear
        QObject::connect(&c.stats, &StatsCollector::recordWritten,
                         [&written](const LineStats& s, const QString& ping, bool changed, const QDateTime& when) {
                             written << QStringList{s.DsRate, s.DsAttenuation,          s.DsMargin,
                                                    s.UsRate, s.UsAttenuation,          s.UsMargin,
                                                    ping,     QString::number(changed), StatsCsv::TimeStamp(when)}
                                            .join(u' ');
                         });
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
        // The history reads back what the collector wrote.
        const history::StatsHistory read = history::ReadStatsFile(c.dir.filePath(u"stats.csv"_s));
        QCOMPARE(read.records.size(), size_t(1));
        QCOMPARE(read.skippedLines, 0);
        QCOMPARE(read.records[0].values[history::DownMargin], 12.0);
        QCOMPARE(written, QStringList{u"8000 20.5 12 800 10 8 Up 0 07/12/2026 09:05"_s});

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

    // A link that another user planted at a log file's name is left alone, with
    // a warning naming it; the user's own link is written through. (Every kind
    // of planted file is refused alike: tst_settings goes through them all.)
    void plantedLogFilesAreLeftAlone_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("nobody's link to root's file") << int(PlantedFile::LinkOfNobodyToRoot);
        QTest::newRow("own link to own file") << int(PlantedFile::OwnLink);
    }
    void plantedLogFilesAreLeftAlone() {
        QFETCH(int, kind);
        CollectorRig c;
        const QString csv = c.dir.filePath(u"stats.csv"_s);
        const PlantedFile planted(PlantedFile::Kind(kind), csv);
        LW_REQUIRE_PEER(planted.made, "giving files away needs root");
        if (!planted.followed())
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(csv) + " is left alone"));
        c.stats.CollectStats();
        QVERIFY(c.answerCollection());
        QCOMPARE(c.file(u"stats.txt"_s), c.shown.value(0) + Crlf);
        if (planted.followed())
            QCOMPARE(readAll(planted.target), planted.bytes + u"07/12/2026 09:05,8000,20.5,12,800,10,8,"_s + Crlf);
        else
            QVERIFY(planted.targetUnchanged());
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
        QTest::newRow("-3 kept") << "-3" << -3;
        QTest::newRow("2.5 to even") << "2.5" << 2;
        QTest::newRow("beyond 32 bits: clamped") << "1e12" << 2147483647;
    }

    void interval() {
        CollectorRig c;
        QFETCH(QString, text);
        c.stats.StartSchedule(text, false);
        QTEST(c.stats.StatsInterval(), "interval");
        QVERIFY(!c.tmrStats.isActive());
    }

    // Ticks count to the interval, from 0 at every start; the counter and the flag
    // reset even when a collection is already running, and a second request starts nothing.
    void schedule() {
        CollectorRig c;
        c.stats.StartSchedule(u"3"_s, true);
        QVERIFY(c.tmrStats.isActive());
        c.stats.tmrStats_Timer();
        c.stats.tmrStats_Timer();
        // Start after Stop counts from 0 again.
        c.stats.StopSchedule(true);
        c.stats.StartSchedule(u"3"_s, true);
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
        // Changes while a periodic collection runs mark that collection, and one
        // more follows it at once, marked too: one, however many changes came.
        c.stats.tmrStats_Timer();
        c.stats.ReachabilityChanged();
        c.stats.ReachabilityChanged();
        QCOMPARE(c.rig.main->connectCount, 2);
        QVERIFY(c.answerCollection());
        QVERIFY(c.shown.constLast().endsWith(u", Changed"));
        QTRY_COMPARE(c.rig.main->connectCount, 3);
        QVERIFY(c.stats.StatsBusy() && c.stats.PingStateChanged());
        QVERIFY(c.answerCollection());
        QCOMPARE(c.shown.size(), 3);
        QVERIFY(c.shown.constLast().endsWith(u", Changed"));
        QVERIFY(!c.file(u"stats.csv"_s).contains(u"Changed"));
        QCoreApplication::processEvents();
        QCOMPARE(c.rig.main->connectCount, 3);
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
        QCOMPARE(c.failed, (QStringList{u"no answer within the time limit"_s, u"router address not usable"_s}));
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
