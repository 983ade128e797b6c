// SPDX-License-Identifier: MIT
// line-warden and line-wardend as programs: their command lines, which need no
// display, one program per folder, the window's metrics, and the headless
// program's care for its settings file.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "ExportPeers.h"
#include "HeadlessProgram.h"
#include "Peers.h"
#include "RouterSim.h"

#include <QFileInfo>
#include <csignal>
#include <sys/stat.h>

namespace {

constexpr int ProgramWaitMs = 15000;

} // namespace

class TestProgram : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // A display-less environment of the test's own; "offscreen" gives a screen without one.
    QProcessEnvironment environment(const QString& platform) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"})
            env.remove(QString::fromLatin1(name));
        env.insert("HOME", m_dir.path());
        env.insert("XDG_DATA_HOME", m_dir.filePath("data"));
        env.insert("XDG_RUNTIME_DIR", m_dir.filePath("run"));
        env.insert("QT_QPA_PLATFORM", platform);
        return env;
    }

    void start(QProcess& program, const QStringList& arguments) const {
        program.setProcessEnvironment(environment("offscreen"));
        program.start(Peers::binDir() + "/line-warden", arguments);
        QVERIFY(program.waitForStarted(ProgramWaitMs));
    }

    // The process that holds the folder's lock, from the lock file's first line.
    static qint64 lockHolder(const QString& folder) {
        QFile lock(folder + "/line-warden.lock");
        return lock.open(QIODevice::ReadOnly) ? lock.readLine().trimmed().toLongLong() : 0;
    }

    static void stop(QProcess& program) {
        program.terminate();
        QVERIFY(program.waitForFinished(ProgramWaitMs));
        QCOMPARE(program.exitCode(), 0);
    }

private slots:
    void initTestCase() {
        QVERIFY(QDir(m_dir.path()).mkdir("run"));
        QFile::setPermissions(m_dir.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // What is asked for goes to standard output with status 0, bad usage to standard error with 3.
    void commandLine_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("platform"); // xcb without a display would abort the program
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        const QString window = "line-warden", headless = "line-wardend";
        QTest::newRow("--help without a display")
            << window << QStringList{"--help"} << "xcb" << 0 << "Usage: line-warden";
        QTest::newRow("--help with one") << window << QStringList{"-h"} << "offscreen" << 0 << "--folder <DIR>";
        QTest::newRow("--version") << window << QStringList{"--version"} << "xcb" << 0 << "line-warden 1.0\n";
        QTest::newRow("unknown option") << window << QStringList{"--frobnicate"} << "xcb" << 3
                                        << "Unknown option 'frobnicate'";
        QTest::newRow("an argument") << window << QStringList{"settings.ini"} << "xcb" << 3 << "Usage: line-warden";
        QTest::newRow("--folder without a folder")
            << window << QStringList{"--folder"} << "xcb" << 3 << "Missing value after '--folder'";
        QTest::newRow("--settings for the window")
            << window << QStringList{"--settings", "x.ini"} << "xcb" << 3 << "--settings needs --headless";
        QTest::newRow("--headless in the tray")
            << window << QStringList{"--headless", "--tray"} << "xcb" << 3 << "--tray needs the window";
        QTest::newRow("line-wardend --version")
            << headless << QStringList{"--version"} << "xcb" << 0 << "line-wardend 1.0\n";
        QTest::newRow("line-wardend has no tray")
            << headless << QStringList{"--tray"} << "xcb" << 3 << "Unknown option 'tray'";
    }
    void commandLine() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, platform);
        QFETCH(int, status);
        QFETCH(QString, said);
        QProcess process;
        process.setProcessEnvironment(environment(platform));
        process.start(Peers::binDir() + u'/' + program, arguments);
        QVERIFY(process.waitForFinished(ProgramWaitMs));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
        const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2((status == 0 ? out : err).contains(said), qPrintable(out + err));
        QVERIFY2((status == 0 ? err : out).isEmpty(), qPrintable(out + err));
    }

    // --probe-router, without a display, against router-sim playing a model: it
    // tells the model that finds the six values, after those that do not, or
    // that none does when the line is down; a refused login ends it at once.
    void probeRouter_data() {
        QTest::addColumn<QStringList>("router"); // router-sim's options
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("default model") << QStringList() << 0 << "\n[Router]\nModel=ar7\n";
        QTest::newRow("the last model tried") << QStringList{"--model", "lantiq-dsl-control"} << 0
                                              << "broadcom-xdslctl: none of the six values\nTrying lantiq-dsl-control";
        QTest::newRow("line down") << QStringList{"--model", "broadcom-xdslctl", "--stats",
                                                  Peers::sourceDir() +
                                                      "/tools/router-sim/models/broadcom-xdslctl/idle.txt"}
                                   << 1 << "No built-in model found the six values";
        QTest::newRow("login refused") << QStringList{"--password", "Kiwi", "--login-delay-ms", "20"} << 1
                                       << "ar7: login refused\nThe router could not be probed";
    }
    void probeRouter() {
        QFETCH(QStringList, router);
        RouterSim sim;
        QVERIFY2(sim.start(QStringList{"--greeting-delay-ms", "0"} + router), qPrintable(sim.error()));
        QTemporaryDir folder;
        QVERIFY(writeFile(folder.filePath("settings.ini"),
                          QStringLiteral("[Options]\r\nRouter IP=127.0.0.1 %1\r\nRouter Username=root\r\n"
                                         "Router Password=Mango\r\n")
                              .arg(sim.port())
                              .toLatin1()));
        QProcess program;
        program.setProcessEnvironment(environment("xcb"));
        program.start(Peers::binDir() + "/line-warden", {"--probe-router", "--folder", folder.path()});
        QVERIFY(program.waitForFinished(ProgramWaitMs));
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        QTEST(program.exitCode(), "status");
        QFETCH(QString, said);
        QVERIFY2(out.contains(said), qPrintable(out + program.readAllStandardError()));
    }

    // A second start on a folder in use asks the first to show its window and ends.
    void onePerFolder() {
        const QString folder = m_dir.filePath("line");
        QProcess first;
        start(first, {"--folder", folder});
        QTRY_COMPARE_WITH_TIMEOUT(lockHolder(folder), first.processId(), ProgramWaitMs);

        QProcess second;
        start(second, {"--folder", folder});
        QVERIFY(second.waitForFinished(ProgramWaitMs));
        QCOMPARE(second.exitCode(), 1);
        const QString said = QString::fromLocal8Bit(second.readAllStandardError());
        QVERIFY2(said.contains(QStringLiteral("already runs on %1/ (process %2): its window was asked to come to the "
                                              "front")
                                   .arg(folder)
                                   .arg(first.processId())),
                 qPrintable(said));

        QProcess beside;
        start(beside, {"--folder", m_dir.filePath("other")});
        QTRY_COMPARE_WITH_TIMEOUT(lockHolder(m_dir.filePath("other")), beside.processId(), ProgramWaitMs);

        // Killed, the first leaves its lock behind, which does not hold the next start.
        ::kill(pid_t(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(ProgramWaitMs));
        QVERIFY(QFile::exists(folder + "/line-warden.lock"));
        QProcess again;
        start(again, {"--folder", folder});
        QTRY_COMPARE_WITH_TIMEOUT(lockHolder(folder), again.processId(), ProgramWaitMs);
        QCOMPARE(beside.state(), QProcess::Running);
        QCOMPARE(again.state(), QProcess::Running);
        stop(again);
        stop(beside);
    }

    // The window serves the metrics [Export] asks for, as the headless program does.
    void windowServesItsMetrics() {
        const QString folder = m_dir.filePath("exported");
        const quint16 port = Peers::freeLoopbackPort();
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeFile(folder + "/settings.ini", QStringLiteral("[Export]\r\nMetrics Address=127.0.0.1:%1\r\n"
                                                                   "Line Name=home\r\n")
                                                        .arg(port)
                                                        .toLatin1()));
        QProcess window;
        start(window, {"--folder", folder});
        const QUrl metrics(QStringLiteral("http://127.0.0.1:%1/metrics").arg(port));
        QTRY_VERIFY_WITH_TIMEOUT(httpGet(metrics).contains("linewarden_build_info{line=\"home\""), ProgramWaitMs);
        stop(window);
    }

    void settingsAreLeftAlone_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("warned");
        QTest::newRow("readable by others: a warning") << 0644 << true;
        QTest::newRow("owner and group only, as the service keeps it") << 0640 << false;
    }
    void settingsAreLeftAlone() {
        QFETCH(int, mode);
        HeadlessProgram program;
        QVERIFY(program.writeSettings({"[Options]", "Ping IP=127.0.0.1", "Ping Interval=-1", "Router IP=127.0.0.1 1"}));
        QVERIFY(::chmod(qPrintable(program.settingsPath()), mode_t(mode)) == 0);
        const QDateTime modified = QFileInfo(program.settingsPath()).lastModified();
        QVERIFY(program.start());
        QTRY_VERIFY_WITH_TIMEOUT(program.said("<6>Line Warden 1.0 watches the line") == 1, ProgramWaitMs);
        QVERIFY(program.stop());
        QCOMPARE(program.process().exitCode(), 0);
        QTEST(program.said(QStringLiteral("<4>%1 holds the router password and every user of this machine can read "
                                          "it: chmod o-r")
                               .arg(program.settingsPath())) == 1,
              "warned");
        QCOMPARE(QFileInfo(program.settingsPath()).lastModified(), modified);
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
        QVERIFY(program.process().waitForFinished(ProgramWaitMs));
        QCOMPARE(program.process().exitCode(), 1);
        QTRY_COMPARE(program.said(said), qsizetype(1));
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
