// SPDX-License-Identifier: MIT
// One telnet connection to the simulated router: login, then the shell.
#pragma once

#include "RouterOptions.h"

#include <QByteArray>
#include <QObject>
#include <QQueue>
#include <QTimer>

class QTcpSocket;

class RouterSession : public QObject {
    Q_OBJECT
public:
    // Takes ownership of the socket; deletes itself when the connection ends.
    RouterSession(QTcpSocket* socket, const RouterOptions& options, QObject* parent = nullptr);

private:
    enum class State { Greeting, User, Password, LoginDelay, Shell, Endless, Closing };
    // What a reply does besides its bytes: a login prompt starts reading as
    // it starts to go out; the connection may end once the reply is out.
    enum class Then { Nothing, AcceptInput, Close };
    struct Piece {
        QByteArray bytes;
        bool acceptInput = false; // before this piece goes out
        bool close = false;       // after this piece has gone out
    };

    void readInput();
    void takeByte(char c);
    void takeLine();
    void answerLogin(const QByteArray& line);
    void answerPassword(const QByteArray& line);
    void answerShell(const QByteArray& line);
    QByteArray shellOutput(QByteArray line) const;

    // Queues one reply, cut into pieces as the options say. An echo is also
    // cut after --split-echo characters.
    void send(const QByteArray& reply, bool echo = false, Then then = Then::Nothing);
    void sendNextPiece();
    void sendEndless();
    void acceptInput(State next);
    void close();

    QTcpSocket* m_socket;
    const RouterOptions& m_options;
    State m_state = State::Greeting;
    QByteArray m_user;

    // Input: telnet commands are skipped, lines end at CR (CR LF, CR NUL once) or LF.
    enum class Telnet { Data, Iac, Option, Sub, SubIac };
    Telnet m_telnet = Telnet::Data;
    bool m_afterCr = false;
    bool m_lineTooLong = false;
    QByteArray m_line;

    QQueue<Piece> m_pieces;
    qint64 m_queuedBytes = 0;
    QTimer m_pieceTimer;
    QByteArray m_endlessPiece;
    QTimer m_loginTimer;
};
