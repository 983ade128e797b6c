// SPDX-License-Identifier: MIT
// What is worth telling, from probe results, records and failed collections;
// the [Notify] settings as the file holds them; and the user's command as a
// real process: its failures, its time limit, and one run at a time.
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "LineScript.h"
#include "TextRows.h"
#include "notify/EventText.h"
#include "notify/UserCommand.h"
#include "text/IsoTime.h"

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(NotifySettings)

namespace {

// An event as the table writes it: its name, with its facts in brackets.
QString described(const LineEvent& event) {
    const QString directions = event.downstream && event.upstream ? u"ds,us"_s : event.downstream ? u"ds"_s : u"us"_s;
    const QString facts = event.kind == LineEvent::Kind::Up        ? QString::number(event.downSeconds())
                          : event.kind == LineEvent::Kind::Failing ? QString::number(event.failures)
                          : event.kind == LineEvent::Kind::Down    ? QString()
                                                                   : directions;
    return EventText::name(event.kind) + (facts.isEmpty() ? QString() : u'(' + facts + u')');
}

} // namespace

class TestNotify : public QObject {
    Q_OBJECT

private slots:
    void events_data() {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("told");

        row("down at once, up with how long it lasted", "", "+ + t10 - t30 - t45 + +", "down up(75)");
        row("a line the first result found down was not seen going down", "Down After Probes=2", "- - - + - - +",
            "down up(0)");
        row("a down shorter than the probes asked is not told, nor its end", "Down After Probes=3", "+ - - + - t5 -",
            "");
        row("a down told on its third probe lasted from its first", "Down After Probes=3",
            "+ t1 - t300 - t300 - t300 - t300 +", "down up(1200)");
        row("down switched off: the end is still told", "Down=0", "+ - t20 +", "up(20)");
        row("everything switched off", "Down=0;Up=0;Resync=0;Low Margin=0;Failing=0",
            "+ - + r8128/832/2/2 r6144/832/2/2 f f f", "");

        row("resync on a changed rate", "", "r8128/832/6/5 r8128/832/6/5 r6144/832/6/5", "resync(ds)");
        row("an answer without values between two with them", "", "r8128/832/6/5 r/// r6144/640/6/5", "resync(ds,us)");
        row("unknown rates are not compared", "", "r/832/6/5 rN.A./832/6/5 r6144/832/6/5 r6144.0/832/6/5 rinf/832/6/5",
            "");

        row("low margin told once until back above the threshold, not at it", "",
            "r1/1/3/3 r1/1/2.9/5 r1/1/2.5/5 r1/1/3.0/5 r1/1//5 r1/1/2/5 r1/1/3.1/5 r1/1/2.9/5",
            "low-margin(ds) low-margin(ds)");
        row("both margins low in one record, thresholds of their own", "Down Margin Below=6;Up Margin Below=-1",
            "r1/1/5.5/-1.5 r1/1/7/-1", "low-margin(ds,us)");

        row("failing once in a run of failures", "", "f f f f f", "failing(3)");
        row("a record ends the run", "", "f f r/// f f f r1/1/6/6 f f f", "failing(3) failing(3)");
        row("one failure is enough when asked", "Failures In A Row=1", "f r/// f", "failing(1) failing(1)");
    }

    void events() {
        QFETCH(QString, settings);
        QFETCH(QString, script);

        LineScript line;
        LineEvents events(LineScript::settings(settings), line.clock());
        QStringList seen;
        connect(&events, &LineEvents::happened, this, [&seen](const LineEvent& event) { seen << described(event); });
        line.play(events, script);
        QTEST(seen.join(u' '), "told");
    }

    void settings_data() {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<NotifySettings>("expected");
        QTest::addColumn<QString>("refused");

        NotifySettings all{false, false, true, false, true, 6.5, -2, 4, 10, u"paplay /tmp/x.oga"_s};
        QTest::newRow("every key") << QStringList{"0", "0", "1", "0", "1", " 6.5", "-2", "4", "10", "paplay /tmp/x.oga"}
                                   << all << QString();
        QTest::newRow(
            "bad values fall back, each named, a command the reader may have cut too; missing ones are the defaults")
            << QStringList{"yes", "", "", "", "2", "three", "inf", "0", "1.5", QString(254, u'x')} << NotifySettings()
            << u"Down|Failing|Down Margin Below|Up Margin Below|Down After Probes|Failures In A Row|Command"_s;
    }

    void settings() {
        QFETCH(QStringList, values);
        QFETCH(QString, refused);

        QString complaint = u"stale"_s;
        QTEST(NotifySettings::fromTexts(values, &complaint), "expected");
        QCOMPARE(complaint.isEmpty(), refused.isEmpty());
        QVERIFY(!complaint.contains(u'\n'));
        for (const QString& key : refused.split(u'|', Qt::SkipEmptyParts))
            QVERIFY2(complaint.contains(u'"' + key + u"\" = "_s), qPrintable(complaint));
    }

    void commandFailures_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("logged");
        row("no such program", "/nonexistent/lw-told --loud", "could not be started");
        row("a status, and what it said", R"(sh -c "echo no mail server >&2; exit 3")",
            "ended with status 3: no mail server");
        row("ended by a signal", R"(sh -c "kill -9 $$")", "ended abnormally");
        row("past the time limit, with what it started", R"(sh -c "sleep 60 & echo $! > $0; wait" %1)",
            "stopped after 0.3 s");
    }

    // Each failure is told; none leaves a process behind.
    void commandFailures() {
        QFETCH(QString, command);
        QFETCH(QString, logged);

        QTemporaryDir dir;
        QFile started(dir.filePath(u"started"_s));
        UserCommand user(command.arg(started.fileName()));
        user.setTimeLimit(std::chrono::milliseconds(300));
        QSignalSpy failed(&user, &UserCommand::failed);
        user.run(LineEvent());
        QVERIFY(failed.wait());
        QVERIFY2(failed.first().first().toString().contains(logged), qPrintable(failed.first().first().toString()));

        // What the command started is gone, or a zombie that nobody here reaps.
        const qint64 child = started.open(QIODevice::ReadOnly) ? started.readAll().trimmed().toLongLong() : 0;
        const auto running = [child] {
            QFile stat(u"/proc/%1/stat"_s.arg(child));
            return child && stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
        };
        QTRY_VERIFY(!running());
    }

    // Runs never overlap, keep their order, and the waiting line is bounded.
    void oneRunAtATime() {
        QTemporaryDir dir;
        const QString log = dir.filePath(u"log"_s);
        UserCommand user(
            uR"(sh -c "mkdir $0.lock || echo overlap >> $0; sleep 0.05; echo $LW_TIME >> $0; rmdir $0.lock" %1)"_s.arg(
                log));
        QSignalSpy failed(&user, &UserCommand::failed);
        const QDateTime start(QDate(2024, 5, 1), QTime(14, 0), Qt::OffsetFromUTC, 0);
        QStringList expected;
        for (int i = 0; i < UserCommand::MaxWaiting + 2; ++i) {
            LineEvent event;
            event.time = start.addSecs(i);
            user.run(event);
            if (i != 1) // the oldest waiting one gives way to the last
                expected << modMisc::IsoTime(event.time);
        }
        QCOMPARE(failed.size(), 1);
        QVERIFY(failed.first().first().toString().contains(modMisc::IsoTime(start.addSecs(1))));

        QFile file(log);
        // Ten runs of a shell one after the other.
        QTRY_COMPARE_WITH_TIMEOUT(file.size(), qint64(expected.join(u'\n').size() + 1), 10000);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(file.readAll()).split(u'\n', Qt::SkipEmptyParts), expected);
    }
};

QTEST_GUILESS_MAIN(TestNotify)
#include "tst_notify.moc"
