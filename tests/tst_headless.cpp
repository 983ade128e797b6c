// SPDX-License-Identifier: MIT
// line-warden --headless as a service runs it: the settings file is read and
// left exactly as it was, with a warning when others can read it; settings it
// cannot use end it at once with a clear line; SIGTERM and SIGINT end it
// cleanly, also while a collection waits on a router that never answers; and
// every line on standard error has the journal's form.
#include "BusyboxRouter.h"
#include "HeadlessProgram.h"
#include "RouterNamespace.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <sys/stat.h>

namespace {

constexpr int StartWaitMs = 15000;
// A collection that waits is given up after 15 s; ending must not wait for that.
constexpr int EndWaitMs = 5000;
const QString Watching = QStringLiteral("<6>Line Warden 1.0 watches the line");

QStringList settingsFor(const QString& pingAddress, const QString& router) {
    return {"[Options]",
            "Ping IP=" + pingAddress,
            "Ping Interval=-1",
            "Router Username=root",
            "Router Password=Mango",
            "Router IP=" + router,
            "StatsCheck=1",
            "StatsCheck Interval=1"};
}

} // namespace

class TestHeadless : public QObject {
    Q_OBJECT

private slots:
    void settingsAreLeftAlone_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("warned");
        QTest::newRow("readable by others: a warning") << 0644 << true;
        QTest::newRow("owner and group only, as the service keeps it") << 0640 << false;
    }
    void settingsAreLeftAlone() {
        QFETCH(int, mode);
        HeadlessProgram program;
        QVERIFY(program.writeSettings(settingsFor(QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.1 1"))));
        QVERIFY(::chmod(qPrintable(program.settingsPath()), mode_t(mode)) == 0);
        QFile settings(program.settingsPath());
        QVERIFY(settings.open(QIODevice::ReadOnly));
        const QByteArray before = settings.readAll();
        const QDateTime modified = QFileInfo(settings).lastModified();

        QVERIFY(program.start());
        QTRY_VERIFY_WITH_TIMEOUT(program.said(Watching) == 1, StartWaitMs);
        QVERIFY(program.stop(SIGTERM));
        QCOMPARE(program.process().exitCode(), 0);
        QTEST(program.said(QStringLiteral("<4>%1 holds the router password and every user of this machine can read "
                                          "it: chmod o-r")
                               .arg(program.settingsPath())) == 1,
              "warned");
        QVERIFY(settings.seek(0));
        QCOMPARE(settings.readAll(), before);
        QCOMPARE(QFileInfo(settings).lastModified(), modified);
        struct stat status {};
        QVERIFY(::stat(qPrintable(program.settingsPath()), &status) == 0);
        QCOMPARE(int(status.st_mode & 07777), mode);
    }

    void refusesWhatItCannotUse_data() {
        QTest::addColumn<QStringList>("settings"); // none: no file
        QTest::addColumn<QString>("said");
        QTest::newRow("no settings file") << QStringList() << "<3>the settings cannot be read from";
        QTest::newRow("a ping interval the countdown cannot show")
            << QStringList{"[Options]", "Ping IP=127.0.0.1", "Ping Interval=40000"}
            << "<3>pinging cannot start, so nothing is watched";
    }
    void refusesWhatItCannotUse() {
        QFETCH(QStringList, settings);
        QFETCH(QString, said);
        HeadlessProgram program;
        QVERIFY(settings.isEmpty() || program.writeSettings(settings));
        QVERIFY(program.start());
        QVERIFY(program.process().waitForFinished(StartWaitMs));
        QCOMPARE(program.process().exitCode(), 1);
        QTRY_COMPARE(program.said(said), qsizetype(1));
    }

    void endsOnRequestDuringACollection_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM, as systemctl stop sends it") << int(SIGTERM);
        QTest::newRow("SIGINT, as Ctrl+C sends it") << int(SIGINT);
    }
    void endsOnRequestDuringACollection() {
        QFETCH(int, signal);
        RouterNamespace netns;
        LW_REQUIRE_PEER(netns.ready(), netns.whyUnavailable());
        BusyboxRouter router;
        const QString address = netns.routerAddress();
        LW_REQUIRE_PEER(router.start({}, netns.name(), address), router.whyUnavailable());
        QVERIFY(router.stallStats());
        HeadlessProgram program;
        QVERIFY(program.writeSettings(settingsFor(address, QStringLiteral("%1 %2").arg(address).arg(router.port()))));
        QVERIFY(program.start());
        QTRY_VERIFY_WITH_TIMEOUT(program.said("<5>ping " + address + ": Up") == 1, StartWaitMs);

        // Ignoring echoes, the router takes the line down: a collection starts at
        // once and waits for statistics that never come.
        QCOMPARE(QProcess::execute("ip",
                                   {"netns", "exec", netns.name(), "sysctl", "-qw", "net.ipv4.icmp_echo_ignore_all=1"}),
                 0);
        QTRY_VERIFY_WITH_TIMEOUT(program.said("<5>ping " + address + ": Down") == 1, StartWaitMs);
        QVERIFY(program.stop(signal, EndWaitMs));
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process().exitCode(), 0);
        QVERIFY(!QFileInfo::exists(program.folder() + "/line-warden.lock"));
        QVERIFY(program.file("stats.csv").isEmpty());

        // What the journal reads: a priority on every line, and no time stamp of the program's own.
        const QRegularExpression journalLine(QStringLiteral("^<[0-7]>"));
        const QRegularExpression timeStamp(QStringLiteral("\\d\\d/\\d\\d/\\d{4}|\\d\\d:\\d\\d"));
        for (const QString& line : program.journal()) {
            QVERIFY2(journalLine.match(line).hasMatch(), qPrintable(line));
            QVERIFY2(!timeStamp.match(line).hasMatch(), qPrintable(line));
        }
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
