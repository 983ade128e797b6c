// SPDX-License-Identifier: MIT
// Uploads to a real FTP server on loopback, in process and through tarn-run:
// the stored files must equal the originals byte for byte.
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "FtpServer.h"
#include "Peers.h"
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

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A served folder and an outgoing folder, both temporary.
struct Folders {
    QTemporaryDir served;
    QTemporaryDir local;
    QString localFile(const QString& name) const { return local.filePath(name); }
    QString storedFile(const QString& name) const { return served.filePath(name); }
};

} // namespace

class TestFtpUpload : public QObject {
    Q_OBJECT
private slots:
    void inProcess_data();
    void inProcess();
    void throughTarnRun();
};

void TestFtpUpload::inProcess_data() {
    QTest::addColumn<QList<qsizetype>>("sizes");
    QTest::newRow("2 MB of every byte value") << QList<qsizetype>{2 * 1024 * 1024 + 7};
    // Nothing to send still completes the upload (and the script).
    QTest::newRow("empty file") << QList<qsizetype>{0};
    // The second "227" reply opens a fresh data connection.
    QTest::newRow("two files on one login") << QList<qsizetype>{1000, 300 * 1024};
}

void TestFtpUpload::inProcess() {
    QFETCH(QList<qsizetype>, sizes);
    Folders folders;
    FtpServer server;
    LW_REQUIRE_PEER(server.start(folders.served.path()), server.error());

    QList<FtpUpload::File> files;
    for (qsizetype k = 0; k < sizes.size(); ++k) {
        const QString name = u"upload %1.bin"_s.arg(k);
        files.append({folders.localFile(name), u"stored-%1.bin"_s.arg(k)});
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
        const QByteArray stored = readFile(folders.storedFile(files[k].remoteName));
        QCOMPARE(stored.size(), sizes[k]);
        QVERIFY2(stored == readFile(files[k].localPath), qPrintable(files[k].remoteName));
    }
}

void TestFtpUpload::throughTarnRun() {
    Folders folders;
    FtpServer server;
    LW_REQUIRE_PEER(server.start(folders.served.path()), server.error());
    const QString local = folders.localFile(u"firmware.bin"_s);
    const QByteArray bytes = content(1024 * 1024 + 1);
    QVERIFY(writeFile(local, bytes));
    const QString script = folders.localFile(u"upload.txt"_s);
    QVERIFY(writeFile(
        script, FtpUpload::scriptLines(server.port(), {{local, u"firmware.bin"_s}}).join(u'\n').toLatin1() + "\n"));

    QProcess process;
    process.start(Peers::binDir() + u"/tarn-run"_s, {u"--mode"_s, u"2"_s, script});
    // Waits with the event loop running, so the server's log pipe is drained.
    QTRY_COMPARE_WITH_TIMEOUT(process.state(), QProcess::NotRunning, 40000);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             qPrintable(out + QString::fromUtf8(process.readAllStandardError())));
    QVERIFY2(out.split(u'\n').contains(u"FTPSendComplete "_s + local), qPrintable(out));
    QVERIFY(readFile(folders.storedFile(u"firmware.bin"_s)) == bytes);
}

QTEST_GUILESS_MAIN(TestFtpUpload)
#include "tst_ftp_upload.moc"
