// SPDX-License-Identifier: MIT
// A TarnTelnet on fake sockets, a recording sleep and a clock that moves on
// command. Everything the control reports lands in `events`, in order.
#pragma once

#include "FakeTarnSocket.h"
#include "script_engine/TarnTelnet.h"
#include "text/Escape.h"

#include <QStringList>

inline QString crlfJoined(const QStringList& lines) {
    return lines.join(QStringLiteral("\r\n"));
}

struct EngineRig {
    FakeTarnSocket* main = new FakeTarnSocket;
    FakeTarnSocket* data = new FakeTarnSocket;
    qint64 milliseconds = 0; // the clock, in ticks of 1 ms
    qint64 clockStep = 0;    // how far the clock moves on at every reading
    QList<int> sleeps;
    QStringList events;
    QStringList stampedLog;                      // LogUpdate as sent, stamp included
    std::function<void(const QByteArray&)> peer; // the server's reaction to what the control sent
    TarnTelnet engine{
        main, data, [this](int ms) { sleeps.append(ms); }, {[this] { return milliseconds += clockStep; }, 1000}};

    EngineRig() {
        QObject::connect(&engine, &TarnTelnet::ScriptProgress, &engine,
                         [this](qint16 p) { events << QStringLiteral("progress %1").arg(p); });
        QObject::connect(&engine, &TarnTelnet::ScriptComplete, &engine,
                         [this] { events << QStringLiteral("complete"); });
        QObject::connect(&engine, &TarnTelnet::ScriptError, &engine, [this](bool unrecognised) {
            events << (unrecognised ? QStringLiteral("error unrecognised") : QStringLiteral("error"));
        });
        QObject::connect(&engine, &TarnTelnet::FTPSendComplete, &engine,
                         [this](const QString& file) { events << QStringLiteral("ftp sent ") + file; });
        QObject::connect(&engine, &TarnTelnet::LogUpdate, &engine, [this](const QString& line) {
            stampedLog << line;
            events << QStringLiteral("log ") + Escape::OneLine(line.section(u' ', 1));
        });
        main->onSend = [this](const QByteArray& bytes) {
            events << QStringLiteral("sent ") + Escape::OneLine(QString::fromLatin1(bytes));
            if (peer)
                peer(bytes);
        };
        data->onSend = [this](const QByteArray& bytes) {
            events << QStringLiteral("data sent %1 bytes").arg(bytes.size());
        };
    }

    void run(const QStringList& lines) { engine.RunScript(crlfJoined(lines)); }
    // Runs the script, whose first line connects, and the server accepts.
    void runConnected(const QStringList& lines) {
        run(lines);
        main->accept();
    }

    QStringList conversation() const {
        QStringList entries;
        engine.GetConversation(entries);
        return entries;
    }
    QStringList logLines() const {
        QStringList lines = engine.ConsoleLog().split(QStringLiteral("\r\n"));
        lines.removeLast(); // every line ends in CR LF
        return lines;
    }
    // Events of one kind, without their kind word.
    QStringList only(const QString& kind) const {
        QStringList picked;
        for (const QString& e : events)
            if (e.startsWith(kind + u' '))
                picked << e.mid(kind.size() + 1);
            else if (e == kind)
                picked << QString();
        return picked;
    }
};
