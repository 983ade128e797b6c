// SPDX-License-Identifier: MIT
// The core without a window: what it tells the user goes to line-warden.log,
// and no change of reachability is lost while a collection waits on busybox telnetd.
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "BusyboxRouter.h"
#include "CoreRig.h"
#include "FileBytes.h"
#include "Peers.h"
#include "monitor/ProgramLog.h"
#include "reachability/PingMonitor.h"
#include "statistics/ModelText.h"

using namespace Qt::StringLiterals;

namespace {

constexpr std::chrono::milliseconds StalledTimeLimit{3000};
constexpr int FollowUpWaitMs = 20000;

} // namespace

class TestMonitor : public QObject {
    Q_OBJECT

private slots:
    void logOfWhatNoRecordShows() {
        CoreRig c;
        QSignalSpy noticed(&c.core, &MonitorCore::noticed);
        emit c.core.Stats().collectionFailed(u"connection refused"_s);
        emit c.core.Stats().answerWithoutValues();
        emit c.core.Stats().answerWithoutValues();
        const QStringList lines = c.file(u"line-warden.log"_s).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(QRegularExpression(u"^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d\\tconnection refused$"_s)
                     .match(lines[0])
                     .hasMatch(),
                 qPrintable(lines[0]));
        QVERIFY(lines[1].contains(u"none of the six values"_s) &&
                lines[1].contains(u'"' + ModelText::ReadmeSection + u'"'));
        QCOMPARE(noticed.size(), 2);
        QCOMPARE(noticed[0][0].toString(), lines[0]);

        // Past its bound the log moves aside, replacing the older one, and starts anew.
        const QString old = c.dir.filePath(u"line-warden.log.1"_s);
        QVERIFY(writeFile(old, "older\r\n"));
        QVERIFY(
            writeFile(c.dir.filePath(u"line-warden.log"_s), QByteArray(ProgramLog::RotateAt, 'x'), QIODevice::Append));
        c.core.Report(u"after the bound"_s);
        QVERIFY(readFile(old).endsWith("x") && readFile(old).startsWith(lines[0].toLocal8Bit()));
        QVERIFY(c.file(u"line-warden.log"_s).endsWith(u"\tafter the bound\r\n"_s));
        QCOMPARE(c.file(u"line-warden.log"_s).count(u"\r\n"_s), 1);
    }

    // [Router] Model: a built-in name is used as it is; a model file that cannot
    // be used is refused at start, naming its line, and no collection runs, so
    // that no empty records are written.
    void routerModelChoice_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QByteArray>("file"); // written as the setting's file, when not empty
        QTest::addColumn<QString>("notice");  // in part; empty: the model is used
        QTest::newRow("built-in") << u"lantiq-dsl-control"_s << QByteArray() << QString();
        QTest::newRow("mistake") << u"my.model"_s << QByteArray("User prompt = login\r\nColour = blue\r\n")
                                 << u"router model \"my.model\" not used: line 2: unknown key \"Colour\""_s;
        QTest::newRow("no file") << u"my.model"_s << QByteArray() << u"no such file"_s;
    }
    void routerModelChoice() {
        QFETCH(QString, setting);
        QFETCH(QByteArray, file);
        QFETCH(QString, notice);
        CoreRig c;
        QVERIFY(file.isEmpty() || writeFile(c.dir.filePath(setting), file));
        QSignalSpy noticed(&c.core, &MonitorCore::noticed);
        c.core.UseRouterModel(setting);
        c.core.Stats().ReachabilityChanged();
        QCOMPARE(c.core.Stats().StatsBusy(), notice.isEmpty());
        if (notice.isEmpty())
            return;
        QCOMPARE(noticed.size(), 1);
        QVERIFY2(noticed[0][0].toString().contains(notice), qPrintable(noticed[0][0].toString()));
        QVERIFY(c.file(u"line-warden.log"_s).contains(notice));
        QVERIFY(!QFile::exists(c.dir.filePath(u"stats.csv"_s)));
    }

    // The ping goes down and up again while a collection waits for statistics that
    // never come; once the time limit ends it, one more follows at once and records, marked.
    void changesDuringAStalledCollectionAreNotLost() {
        BusyboxRouter router;
        LW_REQUIRE_PEER(router.start(), router.whyUnavailable());
        CoreRig c;
        c.host.settings.RouterIP = u"127.0.0.1 %1"_s.arg(router.port());
        c.core.Stats().setTimeLimit(StalledTimeLimit);
        c.core.Monitor().Start();
        c.ping(true); // the first result: no collection
        QVERIFY(router.stallStats());
        c.core.Stats().CollectStats();
        // Once the stalled collection is given up, the router answers again.
        connect(&c.core.Stats(), &StatsCollector::collectionFailed, this,
                [&router] { router.replaceStats(Peers::sourceDir() + u"/tools/router-sim/sample-stats.txt"_s); });

        c.ping(false);
        c.ping(true);
        QVERIFY(c.core.Stats().StatsBusy() && c.core.Stats().PingStateChanged());
        QTRY_VERIFY_WITH_TIMEOUT(c.file(u"stats.txt"_s).contains(u"\r\n"_s), FollowUpWaitMs);
        QVERIFY2(c.file(u"stats.txt"_s).endsWith(u"\t8000, 12, Up, Changed\r\n"_s), qPrintable(c.file(u"stats.txt"_s)));
        QCOMPARE(c.file(u"stats.txt"_s).count(u"\r\n"_s), 1);
        QVERIFY(c.file(u"line-warden.log"_s).endsWith(u"\tno answer within the time limit\r\n"_s));
    }
};

QTEST_GUILESS_MAIN(TestMonitor)
#include "tst_monitor.moc"
