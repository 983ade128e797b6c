// SPDX-License-Identifier: MIT
// Collections over SSH through the core, as the window and the headless
// program run them, against dropbear in front of the busybox router on port
// 22 of a network namespace of the test's own: with the password and with the
// key file of [SSH], the first key of the router remembered and told once;
// a replaced host key refused with both fingerprints and no record; a wrong
// password refused by the router, not given up at the time limit.
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "BusyboxRouter.h"
#include "CoreRig.h"
#include "Peers.h"
#include "RouterNamespace.h"
#include "SshKeyPair.h"
#include "StatsDialogue.h"
#include "script_engine/TarnTelnet.h"
#include "statistics/FailureReasons.h"

using namespace Qt::StringLiterals;

namespace {

// The core in a folder of its own, whose known_hosts starts empty.
struct SshCore : CoreRig {
    QSignalSpy noticed{&core, &MonitorCore::noticed};
    QSignalSpy failed{&core.Stats(), &StatsCollector::collectionFailed};

    explicit SshCore(const QString& router, const QString& password = u"Mango"_s) {
        window.login = {u"ssh:"_s + router, u"root"_s, password};
    }
    QStringList log() const { return file(u"line-warden.log"_s).split(u"\r\n"_s, Qt::SkipEmptyParts); }
    // One collection, ended with a record or without.
    bool collect() {
        core.Stats().CollectStats();
        return QTest::qWaitFor([this] { return !core.Stats().StatsBusy(); }, 10000);
    }
};

} // namespace

class TestSshCollection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_key.make(m_dir.path()));
        // Tabs as busybox telnetd's terminal turns them into blanks; reading the
        // tabs that reach us over SSH is the router model's concern.
        QFile stats(m_dir.filePath(u"stats.txt"_s));
        QVERIFY(stats.open(QIODevice::WriteOnly));
        QFile sample(Peers::sourceDir() + u"/tools/router-sim/sample-stats.txt"_s);
        QVERIFY(sample.open(QIODevice::ReadOnly));
        stats.write(sample.readAll().replace('\t', ' '));
        stats.close();
        m_routerUp = m_netns.ready() && startRouter();
        m_why = m_netns.ready() ? m_router.whyUnavailable() : m_netns.whyUnavailable();
    }

    void collects_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("keyFile"); // [SSH] Key File, relative to the folder
        QTest::newRow("password") << u"Mango"_s << false;
        QTest::newRow("key file, no password") << QString() << true;
    }

    // Two collections, each a record; the router's key remembered at the first and told once.
    void collects() {
        LW_REQUIRE_PEER(m_routerUp, m_why);
        QFETCH(QString, password);
        QFETCH(bool, keyFile);
        SshCore c(m_netns.routerAddress(), password);
        if (keyFile) {
            QVERIFY(QFile::copy(m_key.privateFile, c.dir.filePath(u"id_router"_s)));
            c.core.UseSshSettings(SshSettings::fromValues({u"id_router"_s}, c.dir.path()));
        }
        c.core.Stats().setPingStateText(u"Up"_s);
        QVERIFY2(c.collect() && c.collect(), qPrintable(c.core.Control().ConsoleLog()));
        QCOMPARE(c.core.Stats().StatsScript(), StatsDialogue::sshScriptLines(m_netns.routerAddress()).join(u"\r\n"_s));

        const QStringList records = c.file(u"stats.csv"_s).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(records.size(), 2);
        QVERIFY2(records[1].endsWith(u",8000,21.5,12,800,11,15,Up"_s), qPrintable(records[1]));
        QVERIFY(c.file(u"stats.txt"_s).endsWith(u"\t8000, 12, Up\r\n"_s));
        const QString knownHosts = c.dir.filePath(u"known_hosts"_s);
        QCOMPARE(c.file(u"known_hosts"_s).count(u'\n'), 1);
        const QRegularExpression told(
            u"^[^\t]+\tNew SSH host key for %1: ssh-ed25519 SHA256:\\S+\\. Remembered in %2\\.$"_s.arg(
                QRegularExpression::escape(m_netns.routerAddress()), QRegularExpression::escape(knownHosts)));
        QCOMPARE(c.log().size(), 1);
        QVERIFY2(told.match(c.log()[0]).hasMatch(), qPrintable(c.log()[0]));
        QCOMPARE(c.noticed.size(), 1);
    }

    // The first router's key remembered; the router then makes itself a new one.
    void replacedHostKeyIsRefused() {
        LW_REQUIRE_PEER(m_routerUp, m_why);
        SshCore c(m_netns.routerAddress());
        QVERIFY(c.collect());
        const QString knownHosts = c.file(u"known_hosts"_s);
        const QString first = c.log().value(0).section(u": "_s, 1).section(u". "_s, 0, 0);
        QVERIFY2(first.startsWith(u"ssh-ed25519 SHA256:"_s), qPrintable(c.log().value(0)));

        m_router.stop();
        m_routerUp = startRouter();
        QVERIFY2(m_routerUp, qPrintable(m_router.whyUnavailable()));
        QVERIFY(c.collect());
        QCOMPARE(c.failed.size(), 1);
        QCOMPARE(c.failed[0][0].toString(), FailureReason::HostKeyChanged);
        QCOMPARE(c.file(u"stats.csv"_s).count(u"\r\n"_s), 1);
        QCOMPARE(c.file(u"known_hosts"_s), knownHosts);
        // One line names both keys, in the log and for the host's output box.
        const QStringList log = c.log();
        QCOMPARE(log.size(), 2);
        QCOMPARE(c.noticed.last()[0].toString(), log[1]);
        const QString refusal = u"SSH HOST KEY CHANGED for %1: %2 holds %3, the router offered "_s.arg(
            m_netns.routerAddress(), c.dir.filePath(u"known_hosts"_s), first);
        QVERIFY2(log[1].contains(refusal), qPrintable(log[1]));
        const QString offered = log[1].section(refusal, 1).section(u". "_s, 0, 0);
        QVERIFY2(offered.startsWith(u"ssh-ed25519 SHA256:"_s) && offered != first, qPrintable(log[1]));
    }

    // Refused by the router at once, well before the collection's time limit.
    void wrongPasswordFailsAtOnce() {
        LW_REQUIRE_PEER(m_routerUp, m_why);
        SshCore c(m_netns.routerAddress(), u"mango"_s);
        c.core.Stats().CollectStats();
        QTRY_COMPARE(c.failed.size(), 1);
        QCOMPARE(c.failed[0][0].toString(), FailureReason::LoginRefused);
        QVERIFY(!c.core.Stats().StatsBusy());
        QVERIFY(!QFile::exists(c.dir.filePath(u"stats.csv"_s)));
        QVERIFY2(c.log().constLast().endsWith(
                     u"\tSSH login refused for user \"root\" at %1 (tried: password)."_s.arg(m_netns.routerAddress())),
                 qPrintable(c.log().join(u'\n')));
    }

private:
    bool startRouter() {
        return m_router.startSsh(m_netns.name(), m_netns.routerAddress(), m_key.authorizedKeys,
                                 m_dir.filePath(u"stats.txt"_s));
    }

    QTemporaryDir m_dir;
    SshKeyPair m_key;
    RouterNamespace m_netns;
    BusyboxRouter m_router;
    bool m_routerUp = false;
    QString m_why;
};

QTEST_GUILESS_MAIN(TestSshCollection)
#include "tst_ssh_collection.moc"
