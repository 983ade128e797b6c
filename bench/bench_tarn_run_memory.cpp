// SPDX-License-Identifier: MIT
// Peak resident memory of tarn-run for an answer of 10 MB, against the same
// dialogue with an answer of one line. The conversation record and the log
// must each hold the answer; every further full copy shows here. Limit: the
// 10 MB answer at most 100 MB above the one-line one.
#include <QCoreApplication>
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

// Runs tarn-run on the script, its output thrown away, while this process
// keeps serving; returns its peak resident memory in MB, or -1.
double peakMegabytes(const QString& tarnRun, const QString& script) {
    const QByteArray program = tarnRun.toLocal8Bit();
    const QByteArray path = script.toLocal8Bit();
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(path.constData()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
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
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

double peakFor(qsizetype answerSize, const QString& tarnRun, const QTemporaryDir& dir) {
    AnswerServer server(answerSize);
    if (!server.listen(QHostAddress::LocalHost))
        return -1;
    const QString script = dir.filePath(QStringLiteral("big.txt"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return -1;
    file.write("HOST 127.0.0.1 " + QByteArray::number(server.serverPort()) + "\nWAIT \"login\"\nSEND \"" + Command +
               "\\n\"\nWAIT \"" + EndMarker + "\"\n");
    file.close();
    return peakMegabytes(tarnRun, script);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
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
    return big - idle <= 100 ? 0 : 1;
}
