// SPDX-License-Identifier: MIT
// router-sim: a telnet router on 127.0.0.1 that logs in, echoes and answers
// the statistics command the way the real one does, with options to cut,
// delay and break its answers.
#include "RouterOptions.h"
#include "RouterSession.h"
#include "text/ExitStatus.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <cstdio>

namespace {
// Connections served at the same time; later ones are closed at once.
constexpr int MaxSessions = 64;
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("router-sim"));

    RouterOptions options;
    QString error;
    if (!options.parse(QCoreApplication::arguments(), error)) {
        std::fprintf(stderr, "router-sim: %s\n", qPrintable(error));
        return ExitStatus::BadUsage;
    }
    if (!options.help.isEmpty()) {
        std::fputs(qPrintable(options.help), stdout);
        return ExitStatus::Done;
    }

    QTcpServer server;
    QObject sessions;
    if (!server.listen(QHostAddress::LocalHost, options.port)) {
        std::fprintf(stderr, "router-sim: cannot listen on 127.0.0.1:%u: %s\n", options.port,
                     qPrintable(server.errorString()));
        return ExitStatus::Failed;
    }
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            if (sessions.children().size() >= MaxSessions) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            new RouterSession(socket, options, &sessions);
        }
    });

    std::printf("listening on 127.0.0.1:%u\n", server.serverPort());
    std::fflush(stdout);
    return QCoreApplication::exec();
}
