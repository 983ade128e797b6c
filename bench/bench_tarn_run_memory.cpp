// SPDX-License-Identifier: MIT
// Peak resident memory of tarn-run for an answer of 10 MB, against the same
// dialogue with an answer of one line. The conversation record and the log
// must each hold the answer; every further full copy shows here. Limit: the
// 10 MB answer at most 100 MB above the one-line one.
//
// Then a router that answers without end, once as fast as loopback carries
// it and once slowly enough that the time limit ends the run first:
// `tarn-run --timeout 15` must end within 16 s, at most 200 MB above the
// one-line run.
#include "RouterSim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

const QByteArray Command = "cat big";
const QByteArray EndMarker = "END-OF-ANSWER";

// A telnet server of one dialogue: a login prompt, then the echo of the
// command and an answer of `size` bytes of statistics lines.
class AnswerServer : public QTcpServer {
public:
    explicit AnswerServer(qsizetype size) {
        const QByteArray line = "        DS Line Attenuation:    20.5    DS Margin:      12\r\n";
        m_answer = line.repeated(std::max<qsizetype>(1, size / line.size()));
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = nextPendingConnection();
            socket->write("router login: ");
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                if (socket->readAll().contains(Command))
                    socket->write(Command + "\r\n" + m_answer + EndMarker + "\r\n/var # ");
            });
        });
    }

private:
    QByteArray m_answer;
};

struct Run {
    double peakMB = -1;
    double seconds = 0;
    int exitCode = -1;
};

// Runs tarn-run on the script, its output thrown away, while this process
// keeps serving; returns its peak resident memory, time and exit status.
Run runTarnRun(const QString& tarnRun, const QString& script, const QStringList& options = {}) {
    QList<QByteArray> args{tarnRun.toLocal8Bit()};
    for (const QString& option : options)
        args.append(option.toLocal8Bit());
    args.append(script.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    QElapsedTimer clock;
    clock.start();
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return {};
    int status = 0;
    rusage usage{};
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (wait4(pid, &status, WNOHANG, &usage) == pid)
            loop.quit();
    });
    poll.start(10);
    loop.exec();
    if (!WIFEXITED(status))
        return {};
    return {usage.ru_maxrss / 1024.0, clock.nsecsElapsed() / 1e9, WEXITSTATUS(status)}; // kilobytes on Linux
}

QString writeScript(const QTemporaryDir& dir, const QByteArray& text) {
    const QString script = dir.filePath(QStringLiteral("script.txt"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return {};
    return script;
}

double peakFor(qsizetype answerSize, const QString& tarnRun, const QTemporaryDir& dir) {
    AnswerServer server(answerSize);
    if (!server.listen(QHostAddress::LocalHost))
        return -1;
    const QString script =
        writeScript(dir, "HOST 127.0.0.1 " + QByteArray::number(server.serverPort()) + "\nWAIT \"login\"\nSEND \"" +
                             Command + "\\n\"\nWAIT \"" + EndMarker + "\"\n");
    const Run run = runTarnRun(tarnRun, script);
    return run.exitCode == 0 ? run.peakMB : -1;
}

// tarn-run --timeout 15 through the statistics dialogue with a router that
// never ends its answer.
Run endless(const QStringList& routerOptions, const QString& tarnRun, const QTemporaryDir& dir) {
    RouterSim router;
    if (!router.start(
            QStringList{QStringLiteral("--endless"), QStringLiteral("--greeting-delay-ms"), QStringLiteral("0")} +
            routerOptions))
        return {};
    const QByteArray script = "HOST 127.0.0.1 " + QByteArray::number(router.port()) +
                              "\nWAIT \"login\"\nSEND \"root\\n\"\nWAIT \"password\"\nSEND \"Mango\\n\"\n"
                              "WAIT \"#\"\nSEND \"cat /proc/avalanche/avsar_modem_stats \\\"no_where\\\"\\n\"\n"
                              "WAIT \"no_where\"\n";
    return runTarnRun(tarnRun, writeScript(dir, script), {QStringLiteral("--timeout"), QStringLiteral("15")});
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("LW_BIN_DIR"))
        qputenv("LW_BIN_DIR", QCoreApplication::applicationDirPath().toLocal8Bit());
    const QString tarnRun = QCoreApplication::applicationDirPath() + QStringLiteral("/tarn-run");
    QTemporaryDir dir;
    const double idle = peakFor(1, tarnRun, dir);
    const double big = peakFor(10 << 20, tarnRun, dir);
    if (idle < 0 || big < 0) {
        std::fprintf(stderr, "a tarn-run did not complete\n");
        return 1;
    }
    std::printf("tarn-run peak RSS, one-line answer:  %7.1f MB\n", idle);
    std::printf("tarn-run peak RSS, 10 MB answer:     %7.1f MB\n", big);
    std::printf("10 MB answer above one-line answer:  %7.1f MB  (limit 100)\n", big - idle);
    bool ok = big - idle <= 100;

    const struct {
        const char* name;
        QStringList options;
    } peers[] = {
        {"as fast as loopback", {}},
        // About 1 MB/s: the time limit ends the run just short of the bound on
        // received text, with the most to close and free.
        {"16 KiB every 15 ms",
         {QStringLiteral("--chunk"), QStringLiteral("16384"), QStringLiteral("--piece-delay-ms"),
          QStringLiteral("15")}},
    };
    for (const auto& peer : peers) {
        const Run run = endless(peer.options, tarnRun, dir);
        std::printf("endless answer, %-20s exit %d after %5.2f s (limit 16), %6.1f MB above one-line (limit 200)\n",
                    peer.name, run.exitCode, run.seconds, run.peakMB - idle);
        ok = ok && run.peakMB > 0 && run.seconds <= 16 && run.peakMB - idle <= 200;
    }
    return ok ? 0 : 1;
}
