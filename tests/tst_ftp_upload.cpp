// SPDX-License-Identifier: MIT
// Uploads to a real FTP server on loopback: the stored files must equal the
// originals byte for byte. Then tarn-run against hostile servers: only the
// server's own address gets the data, and no upload the server cut short counts as sent.
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "FileBytes.h"
#include "FtpServer.h"
#include "Peers.h"
#include "TarnRun.h"
#include "script_engine/TarnTelnet.h"

using namespace Qt::StringLiterals;

namespace {

// Every byte value in order, CR LF, a lone LF and a lone CR (what a text-mode
// transfer would change), then reproducible noise up to `size` bytes.
QByteArray content(qsizetype size) {
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes += char(b);
    bytes += "\r\n\n\r";
    QRandomGenerator noise(20240611);
    while (bytes.size() < size)
        bytes += char(noise.bounded(256));
    return bytes.left(size);
}

} // namespace

class TestFtpUpload : public QObject {
    Q_OBJECT

private slots:
    void inProcess_data() {
        QTest::addColumn<QList<qsizetype>>("sizes");
        QTest::newRow("2 MB of every byte value") << QList<qsizetype>{2 * 1024 * 1024 + 7};
        // Nothing to send still completes the upload (and the script).
        QTest::newRow("empty file") << QList<qsizetype>{0};
        // The second "227" reply opens a fresh data connection.
        QTest::newRow("two files on one login") << QList<qsizetype>{1000, 300 * 1024};
    }

    void inProcess() {
        QFETCH(QList<qsizetype>, sizes);
        QTemporaryDir served, local;
        FtpServer server;
        LW_REQUIRE_PEER(server.start(served.path()), server.error());

        QList<FtpUpload::File> files;
        for (qsizetype k = 0; k < sizes.size(); ++k) {
            const QString name = u"upload %1.bin"_s.arg(k);
            files.append({local.filePath(name), u"stored-%1.bin"_s.arg(k)});
            QVERIFY(writeFile(files.last().localPath, content(sizes[k])));
        }

        TarnTelnet control;
        control.setMode(2);
        QSignalSpy sent(&control, &TarnTelnet::FTPSendComplete);
        QSignalSpy complete(&control, &TarnTelnet::ScriptComplete);
        QSignalSpy error(&control, &TarnTelnet::ScriptError);
        control.RunScript(FtpUpload::scriptLines(server.port(), files).join(u"\r\n"_s) + u"\r\n"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!complete.isEmpty() || !error.isEmpty(), 30000);
        QVERIFY2(error.isEmpty(), qPrintable(control.ConsoleLog()));
        QCOMPARE(complete.size(), 1);

        QCOMPARE(sent.size(), files.size());
        for (qsizetype k = 0; k < files.size(); ++k) {
            QCOMPARE(sent[k].first().toString(), files[k].localPath);
            // Compared without QCOMPARE's dump of megabytes.
            const QByteArray stored = readFile(served.filePath(files[k].remoteName));
            QCOMPARE(stored.size(), sizes[k]);
            QVERIFY2(stored == readFile(files[k].localPath), qPrintable(files[k].remoteName));
        }
    }

    // Every way ends at once: the exit status, not the 20 s limit, says how.
    void hostileServer_data() {
        QTest::addColumn<QStringList>("misbehaviour");
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("logged");
        const QString cut = u"The server closed the data connection before the whole file was sent."_s;
        QTest::newRow("227 names another address")
            << QStringList{"--names", "127.0.0.77"} << qsizetype(200 * 1024) << 0
            << u"The passive-mode reply names 127.0.0.77, not the server at 127.0.0.1"_s;
        QTest::newRow("reads 1,000 bytes of 200 KB")
            << QStringList{"--read", "1000"} << qsizetype(200 * 1024) << 1 << cut;
        QTest::newRow("reads 1,000 bytes of 20 MB") << QStringList{"--read", "1000"} << qsizetype(20 << 20) << 1 << cut;
        QTest::newRow("refused data connection")
            << QStringList{"--refuse-data"} << qsizetype(1000) << 1 << u"Unable to access the router via FTP."_s;
        QTest::newRow("227 without an address")
            << QStringList{"--bad-pasv"} << qsizetype(1000) << 1
            << u"Invalid passive-mode reply: 227 Entering Passive Mode (nowhere)."_s;
    }

    void hostileServer() {
        QFETCH(QStringList, misbehaviour);
        QFETCH(qsizetype, size);
        QFETCH(int, exitCode);
        QFETCH(QString, logged);
        QTemporaryDir local;
        FtpServer server;
        LW_REQUIRE_PEER(server.startHostile(misbehaviour), server.error());
        const QString file = local.filePath(u"firmware.bin"_s);
        QVERIFY(writeFile(file, content(size)));
        const TarnRun run = tarnRun(FtpUpload::scriptLines(server.port(), {{file, u"firmware.bin"_s}}),
                                    {u"--mode"_s, u"2"_s, u"--timeout"_s, u"20"_s});
        QVERIFY2(run.exitCode == exitCode, qPrintable(run.out + run.err));
        QVERIFY2(run.out.contains(logged), qPrintable(run.out));
        QCOMPARE(run.out.contains(u"FTPSendComplete "_s), exitCode == 0);
    }
};

QTEST_GUILESS_MAIN(TestFtpUpload)
#include "tst_ftp_upload.moc"
