// SPDX-License-Identifier: MIT
// The script engine over SSH: against loopback peers that refuse, speak no
// SSH or never answer, and against dropbear in front of the busybox router,
// on port 22 of its own network namespace; and collections from that router
// through the core, as the window and the headless program run them. What
// dropbear does, as seen here (2022.83): the shell's banner and "/var # "
// followed by ESC [6n straight after the login; tabs of files arrive as tabs;
// a wrong password is refused about 0.3 s later.
#include <QFile>
#include <QMessageAuthenticationCode>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include "BusyboxRouter.h"
#include "CoreRig.h"
#include "FileBytes.h"
#include "Peers.h"
#include "PlantedFile.h"
#include "RouterNamespace.h"
#include "StatsDialogue.h"
#include "script_engine/KnownHostsFile.h"
#include "script_engine/SshMessages.h"
#include "script_engine/SshTarnSocket.h"
#include "script_engine/TarnTelnet.h"
#include "statistics/FailureReasons.h"

#include <libssh/libssh.h>

using namespace Qt::StringLiterals;
using Failure = TarnTelnet::Failure;

namespace {

using StatsDialogue::Outcome;

Outcome run(const QStringList& script, const SshLogin& login) {
    TarnTelnet control;
    control.setSshUser(login.user);
    control.setSshPassword(login.password);
    control.setSshKeyFile(login.keyFile);
    control.setSshKnownHosts(login.knownHosts);
    control.setSshAcceptNewHostKey(login.acceptNewHostKey);
    return StatsDialogue::run(control, script);
}

// The fingerprint a notice or refusal names after "prefix".
QString fingerprintAfter(const QString& log, const QString& prefix) {
    const qsizetype at = log.indexOf(prefix);
    return at < 0 ? QString() : log.mid(at + prefix.size()).section(u'.', 0, 0).section(u',', 0, 0);
}

// The core in a folder of its own, collecting from the router over SSH.
struct SshCore : CoreRig {
    QSignalSpy noticed{&core, &MonitorCore::noticed};
    QSignalSpy failed{&core.Stats(), &StatsCollector::collectionFailed};

    SshCore(const QString& address, const QString& password) {
        host.settings.RouterIP = SshScheme + address;
        host.settings.RouterPassword = password;
    }
    QStringList log() const { return file(u"line-warden.log"_s).split(u"\r\n"_s, Qt::SkipEmptyParts); }
    // One collection, ended with a record or without.
    bool collect() {
        core.Stats().CollectStats();
        return QTest::qWaitFor([this] { return !core.Stats().StatsBusy(); }, 10000);
    }
};

} // namespace

class TestTarnSsh : public QObject {
    Q_OBJECT

private:
    bool startRouter() { return m_router.startSsh(m_netns.name(), m_netns.routerAddress(), m_authorizedKeys); }

    QTemporaryDir m_dir;
    RouterNamespace m_netns;
    BusyboxRouter m_router;
    bool m_routerUp = false;
    QString m_why;
    QString m_keyFile;
    QString m_authorizedKeys;
    QByteArray m_publicKey; // as known-hosts lines give it: type, blank, base64
    QString m_fingerprint;

private slots:
    // A key pair of the test's own: the private half for the engine, the public half for the router.
    void initTestCase() {
        m_keyFile = m_dir.filePath(u"id_ed25519"_s);
        m_authorizedKeys = m_dir.filePath(u"authorized_keys"_s);
        ssh_key key = nullptr;
        char* publicKey = nullptr;
        QCOMPARE(ssh_pki_generate(SSH_KEYTYPE_ED25519, 0, &key), SSH_OK);
        QCOMPARE(ssh_pki_export_privkey_file(key, nullptr, nullptr, nullptr, m_keyFile.toLocal8Bit().constData()),
                 SSH_OK);
        QCOMPARE(ssh_pki_export_pubkey_base64(key, &publicKey), SSH_OK);
        m_publicKey = "ssh-ed25519 " + QByteArray(publicKey);
        QVERIFY(writeFile(m_authorizedKeys, m_publicKey + "\n"));
        m_fingerprint = KnownHostsFile::Fingerprint(key);
        ssh_string_free_char(publicKey);
        ssh_key_free(key);

        m_routerUp = m_netns.ready() && startRouter();
        m_why = m_netns.ready() ? m_router.whyUnavailable() : m_netns.whyUnavailable();
    }

    // Refused and unreachable connections are reported as over telnet, and the
    // script waits; what no SSH server would send ends the script at once.
    void connectionFailures_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QByteArray>("peerSays"); // null: nothing listens
        QTest::addColumn<QString>("logged");      // {port}: the peer's port
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<bool>("scriptError");
        const QString refused = u"Winsock Control Error - 10061 : Connection refused"_s;
        QTest::newRow("refused") << u"127.0.0.1"_s << QByteArray() << refused << Failure::Refused << false;
        QTest::newRow("refused, by name") << u"localhost"_s << QByteArray() << refused << Failure::Refused << false;
        QTest::newRow("not an SSH server")
            << u"127.0.0.1"_s << QByteArray("220 FTP server ready\r\n")
            << u"SSH connection to [127.0.0.1]:{port} failed: "_s << Failure::Lost << true;
        QTest::newRow("closes at once") << u"127.0.0.1"_s << QByteArray("")
                                        << u"SSH connection to [127.0.0.1]:{port} failed: "_s << Failure::Lost << true;
    }

    void connectionFailures() {
        QFETCH(QString, host);
        QFETCH(QByteArray, peerSays);
        QFETCH(QString, logged);
        QFETCH(Failure, failure);
        QFETCH(bool, scriptError);
        QTcpServer peer;
        quint16 port = Peers::freeLoopbackPort();
        if (!peerSays.isNull()) {
            QVERIFY(peer.listen(QHostAddress::LocalHost));
            port = peer.serverPort();
            connect(&peer, &QTcpServer::newConnection, this, [&peer, peerSays] {
                QTcpSocket* socket = peer.nextPendingConnection();
                socket->write(peerSays);
                socket->disconnectFromHost();
            });
        }
        TarnTelnet control;
        QSignalSpy failed(&control, &TarnTelnet::ConnectionFailed);
        QSignalSpy error(&control, &TarnTelnet::ScriptError);
        control.RunScript(StatsDialogue::sshScriptLines(host, QString::number(port)).join(u"\r\n"_s));
        QCOMPARE(control.ConsoleLog(), u"Running script\r\nOpening connection\r\n"_s); // nothing from inside the call
        QTRY_COMPARE(control.LastFailure(), failure);
        QCOMPARE(error.size(), scriptError ? 1 : 0);
        QCOMPARE(failed.size(), scriptError ? 0 : 1);
        QVERIFY2(control.ConsoleLog().contains(logged.replace(u"{port}"_s, QString::number(port))),
                 qPrintable(control.ConsoleLog()));
    }

    // A peer that accepts and says nothing keeps the script waiting; abandoning
    // it closes the connection and nothing of it reaches the engine afterwards.
    void silentPeerLeavesNothingBehind() {
        QTcpServer peer;
        QVERIFY(peer.listen(QHostAddress::LocalHost));
        TarnTelnet control;
        QSignalSpy logged(&control, &TarnTelnet::LogUpdate);
        control.RunScript(
            StatsDialogue::sshScriptLines(u"127.0.0.1"_s, QString::number(peer.serverPort())).join(u"\r\n"_s));
        QTRY_VERIFY(peer.hasPendingConnections());
        QTcpSocket* socket = peer.nextPendingConnection();
        QTRY_VERIFY(socket->bytesAvailable() > 0); // the client's version line
        socket->write("SSH-2.0-late\r\n");
        QVERIFY(socket->waitForBytesWritten(1000));
        control.AbortScript();
        QTRY_COMPARE(socket->state(), QAbstractSocket::UnconnectedState);
        QCoreApplication::processEvents();
        QCOMPARE(logged.size(), 3); // Running script, Opening connection, Closed connection.
        QCOMPARE(control.LastFailure(), Failure::None);
    }

    // The key a changed router is refused against is named also when the file
    // came from OpenSSH, which hashes host names and lists several on one line.
    void knownFingerprints_data() {
        QTest::addColumn<QByteArray>("names");
        QTest::addColumn<QString>("hostPort");
        QTest::addColumn<bool>("known");
        const QByteArray salt = QByteArray::fromHex("00112233445566778899aabbccddeeff00112233");
        const auto hashed = [&salt](const QByteArray& host) {
            return "|1|" + salt.toBase64() + '|' +
                   QMessageAuthenticationCode::hash(host, salt, QCryptographicHash::Sha1).toBase64();
        };
        QTest::newRow("address") << QByteArray("198.18.0.2") << u"198.18.0.2"_s << true;
        QTest::newRow("one of several names") << QByteArray("router,198.18.0.2") << u"198.18.0.2"_s << true;
        QTest::newRow("hashed") << hashed("198.18.0.2") << u"198.18.0.2"_s << true;
        QTest::newRow("other port") << QByteArray("[198.18.0.2]:2222")
                                    << KnownHostsFile::HostPort(u"198.18.0.2"_s, 2222) << true;
        QTest::newRow("port 22 named without it") << QByteArray("198.18.0.2") << u"[198.18.0.2]:2222"_s << false;
        QTest::newRow("another router") << QByteArray("198.18.0.3") << u"198.18.0.2"_s << false;
        QTest::newRow("revoked") << QByteArray("@revoked 198.18.0.2") << u"198.18.0.2"_s << false;
    }

    void knownFingerprints() {
        QFETCH(QByteArray, names);
        QFETCH(QString, hostPort);
        QFETCH(bool, known);
        const QString path = m_dir.filePath(u"fingerprints"_s);
        QVERIFY(writeFile(path, "# a comment\n\n" + names + ' ' + m_publicKey + " a comment\n"));
        QString why;
        const auto keys = KnownHostsFile::KnownKeys(path, hostPort, why);
        QVERIFY2(keys && keys->size() == (known ? 1 : 0), qPrintable(why));
        QVERIFY(!known || keys->first().fingerprint == m_fingerprint);
    }

    // Whoever else can write the folder cannot make the router's keys come from,
    // or go to, a file of theirs. (Every kind of planted file is refused alike:
    // tst_settings goes through them all.)
    void plantedKnownHosts_data() {
        QTest::addColumn<int>("planted"); // a PlantedFile::Kind
        QTest::newRow("root's link to nobody's file") << int(PlantedFile::LinkOfRootToNobody);
        QTest::newRow("own link, followed") << int(PlantedFile::OwnLink);
    }

    void plantedKnownHosts() {
        QFETCH(int, planted);
        const QString path = m_dir.filePath(u"planted-%1"_s.arg(QTest::currentDataTag()));
        const PlantedFile file(PlantedFile::Kind(planted), path);
        LW_REQUIRE_PEER(file.made, "giving files away needs root");
        QString why;
        QCOMPARE(KnownHostsFile::KnownKeys(path, u"198.18.0.2"_s, why).has_value(), file.followed());
        QCOMPARE(KnownHostsFile::Remember(path, "198.18.0.2 " + m_publicKey + '\n', why), file.followed());
        QVERIFY(file.followed() || file.targetUnchanged());
    }

    void login_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("keyFile");     // [SSH] Key File, in the core's folder
        QTest::addColumn<qint64>("maxAnswer"); // 0: the control's own bound
        QTest::addColumn<QString>("refusal");  // empty: two records
        QTest::addColumn<QString>("logLine");  // of the refusal
        QTest::newRow("password") << u"Mango"_s << false << qint64(0) << QString() << QString();
        QTest::newRow("key file, no password") << QString() << true << qint64(0) << QString() << QString();
        QTest::newRow("wrong password") << u"mango"_s << false << qint64(0) << FailureReason::LoginRefused
                                        << SshMessages::LoginRefused.arg(u"root"_s, m_netns.routerAddress(),
                                                                         u"password"_s);
        QTest::newRow("answer past the bound")
            << u"Mango"_s << false << qint64(512) << FailureReason::TooLong << FailureReason::TooLong;
    }

    // Collections through the core: the router's first key remembered in the
    // core's folder and told once. A refused login ends the collection at once
    // (not at its time limit), logged with the connection's own line; an answer
    // past the bound on received text ends it as over telnet.
    void login() {
        LW_REQUIRE_PEER(m_routerUp, m_why);
        QFETCH(QString, password);
        QFETCH(bool, keyFile);
        QFETCH(qint64, maxAnswer);
        QFETCH(QString, refusal);
        SshCore c(m_netns.routerAddress(), password);
        if (keyFile) {
            QVERIFY(QFile::copy(m_keyFile, c.dir.filePath(u"id_router"_s)));
            c.core.UseSshSettings(SshSettings::fromValues({u"id_router"_s}, c.dir.path()));
        }
        if (maxAnswer > 0)
            c.core.Control().setMaxAnswer(maxAnswer);
        c.core.Stats().setPingStateText(u"Up"_s);
        if (!refusal.isEmpty()) {
            c.core.Stats().CollectStats();
            QTRY_COMPARE(c.failed.size(), 1);
            QCOMPARE(c.failed[0][0].toString(), refusal);
            QVERIFY(!QFile::exists(c.dir.filePath(u"stats.csv"_s)));
            QFETCH(QString, logLine);
            QVERIFY2(c.log().constLast().endsWith(u'\t' + logLine), qPrintable(c.log().join(u'\n')));
            return;
        }
        QVERIFY2(c.collect() && c.collect(), qPrintable(c.core.Control().ConsoleLog()));
        QCOMPARE(c.core.Stats().StatsScript(), StatsDialogue::sshScriptLines(m_netns.routerAddress()).join(u"\r\n"_s));
        const QString record = u",8000,21.5,12,800,11,15,Up\r\n"_s;
        QVERIFY2(c.file(u"stats.csv"_s).endsWith(record) && c.file(u"stats.csv"_s).count(record) == 2,
                 qPrintable(c.file(u"stats.csv"_s)));
        QCOMPARE(c.file(u"known_hosts"_s).count(u'\n'), 1);
        QCOMPARE(c.log().size(), 1);
        QVERIFY2(c.log()[0].contains(u"\tNew SSH host key for %1: ssh-ed25519 SHA256:"_s.arg(m_netns.routerAddress())),
                 qPrintable(c.log()[0]));
        QCOMPARE(c.noticed.size(), 1);
    }

    // Unknown: refused unless allowed, then remembered and told once. Replaced:
    // a collection is refused, its log line naming both keys, and leaves no record.
    void hostKeys() {
        LW_REQUIRE_PEER(m_routerUp, m_why);
        const QString address = m_netns.routerAddress();
        // The last line goes on when the send is complete: no WAIT follows it.
        const QStringList script = StatsDialogue::sshScriptLines(address) << u"SEND \"\\n\""_s;
        const QString knownHosts = m_dir.filePath(u"host-keys/known_hosts"_s);
        SshLogin login{u"root"_s, u"Mango"_s, {}, knownHosts, false};

        Outcome outcome = run(script, login);
        QCOMPARE(outcome.failure, Failure::HostKeyUnknown);
        QVERIFY(outcome.failed);
        const QString offered = fingerprintAfter(outcome.log, u"Unknown SSH host key for %1: "_s.arg(address));
        QVERIFY2(offered.startsWith(u"ssh-ed25519 SHA256:"_s), qPrintable(outcome.log));
        QVERIFY(!QFile::exists(knownHosts));

        login.acceptNewHostKey = true;
        outcome = run(script, login);
        StatsDialogue::verifyStatistics(outcome, 3);
        QVERIFY(outcome.log.contains(SshMessages::NewHostKey.arg(address, offered, knownHosts)));
        const QByteArray remembered = readFile(knownHosts);
        QCOMPARE(remembered.count('\n'), 1);

        outcome = run(script, login);
        StatsDialogue::verifyStatistics(outcome, 3);
        QVERIFY2(!outcome.log.contains(u"SSH host key"_s), qPrintable(outcome.log));

        SshCore c(address, u"Mango"_s);
        c.core.UseSshSettings(SshSettings::fromValues({QString(), knownHosts}, c.dir.path()));
        m_router.stop();
        m_routerUp = startRouter();
        QVERIFY2(m_routerUp, qPrintable(m_router.whyUnavailable()));
        QVERIFY(c.collect());
        QCOMPARE(c.failed.size(), 1);
        QCOMPARE(c.failed[0][0].toString(), FailureReason::HostKeyChanged);
        QVERIFY(!QFile::exists(c.dir.filePath(u"stats.csv"_s)));
        QCOMPARE(c.log().size(), 1);
        QCOMPARE(c.noticed[0][0].toString(), c.log()[0]);
        const QString replaced =
            fingerprintAfter(c.log()[0], u"%1 holds %2, the router offered "_s.arg(knownHosts, offered));
        QVERIFY2(replaced.startsWith(u"ssh-ed25519 SHA256:"_s) && replaced != offered, qPrintable(c.log()[0]));
        QVERIFY(c.log()[0].contains(u"\tSSH HOST KEY CHANGED for %1: "_s.arg(address)));
        QCOMPARE(readFile(knownHosts), remembered);
    }
};

QTEST_GUILESS_MAIN(TestTarnSsh)
#include "tst_tarn_ssh.moc"
