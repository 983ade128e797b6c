// SPDX-License-Identifier: MIT
#include "RouterSession.h"

#include "RouterTexts.h"

#include <QTcpSocket>
#include <algorithm>

namespace {

constexpr qsizetype MaxLine = 64 * 1024;
// A client that stops reading its answers is dropped before they pile up.
constexpr qint64 MaxPendingOutput = 4 * 1024 * 1024;
// An endless answer keeps this much queued, so the client is never kept waiting.
constexpr qint64 EndlessBacklog = 1024 * 1024;
constexpr int EndlessPiece = 64 * 1024;

constexpr char Iac = char(0xff);
constexpr char Sb = char(0xfa);
constexpr char Se = char(0xf0);
constexpr char Will = char(0xfb);
constexpr char Dont = char(0xfe);

// Shell words: split at blanks, double quotes removed as the shell would.
QList<QByteArray> shellWords(const QByteArray& line) {
    QList<QByteArray> words;
    QByteArray word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

} // namespace

RouterSession::RouterSession(QTcpSocket* socket, const RouterOptions& options, QObject* parent)
    : QObject(parent), m_socket(socket), m_options(options) {
    m_socket->setParent(this);
    // Every piece goes out when written, as a router's telnetd does; without
    // this, small writes wait for the client's delayed acknowledgement.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_pieceTimer.setSingleShot(true);
    m_loginTimer.setSingleShot(true);
    connect(&m_pieceTimer, &QTimer::timeout, this,
            [this] { m_state == State::Endless ? sendEndless() : sendNextPiece(); });
    connect(m_socket, &QTcpSocket::readyRead, this, &RouterSession::readInput);
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    connect(&m_loginTimer, &QTimer::timeout, this,
            [this] { send(RouterTexts::LoginIncorrect, false, Then::AcceptInput); });

    if (m_options.silent)
        return;
    send(RouterTexts::Negotiation);
    // telnetd needs a moment to start login; what the client types meanwhile is lost.
    QTimer::singleShot(m_options.greetingDelayMs, this,
                       [this] { send(RouterTexts::LoginPrompt, false, Then::AcceptInput); });
}

void RouterSession::readInput() {
    const QByteArray bytes = m_socket->readAll();
    for (const char c : bytes) {
        if (m_state == State::Closing)
            return;
        takeByte(c);
    }
}

void RouterSession::takeByte(char c) {
    switch (m_telnet) {
    case Telnet::Iac:
        if (c == Iac) {
            m_telnet = Telnet::Data;
            break; // an escaped 255 is data
        }
        m_telnet = c == Sb ? Telnet::Sub : (c >= Will && c <= Dont) ? Telnet::Option : Telnet::Data;
        return;
    case Telnet::Option:
        m_telnet = Telnet::Data;
        return;
    case Telnet::Sub:
        if (c == Iac)
            m_telnet = Telnet::SubIac;
        return;
    case Telnet::SubIac:
        m_telnet = c == Se ? Telnet::Data : Telnet::Sub;
        return;
    case Telnet::Data:
        if (c == Iac) {
            m_telnet = Telnet::Iac;
            return;
        }
        break;
    }

    const bool afterCr = std::exchange(m_afterCr, false);
    if (afterCr && (c == '\n' || c == '\0'))
        return;
    if (c == '\r' || c == '\n') {
        m_afterCr = c == '\r';
        takeLine();
    } else if (m_line.size() < MaxLine) {
        m_line += c;
    } else {
        m_lineTooLong = true;
    }
}

void RouterSession::takeLine() {
    const QByteArray line = std::exchange(m_line, {});
    if (std::exchange(m_lineTooLong, false))
        return;
    switch (m_state) {
    case State::User:
        answerLogin(line);
        break;
    case State::Password:
        answerPassword(line);
        break;
    case State::Shell:
        answerShell(line);
        break;
    case State::Greeting:
    case State::LoginDelay:
    case State::Endless:
    case State::Closing:
        break; // type-ahead before a prompt is thrown away
    }
}

void RouterSession::answerLogin(const QByteArray& line) {
    send(line + RouterTexts::LineEnd, true);
    if (line.isEmpty()) {
        send(RouterTexts::LoginPrompt.mid(3)); // "router login: " again
        return;
    }
    m_user = line;
    m_state = State::Password;
    send(RouterTexts::PasswordPrompt);
}

void RouterSession::answerPassword(const QByteArray& line) {
    // The password is not echoed, only the line end that took it.
    send(RouterTexts::LineEnd);
    if (m_user == m_options.user && line == m_options.password) {
        m_state = State::Shell;
        send(RouterTexts::Banner + RouterTexts::ShellPrompt);
        return;
    }
    m_state = State::LoginDelay;
    m_loginTimer.start(m_options.loginDelayMs);
}

void RouterSession::answerShell(const QByteArray& line) {
    send(line + RouterTexts::LineEnd, true);
    const QList<QByteArray> words = shellWords(line);
    if (words.isEmpty()) {
        send(RouterTexts::ShellPrompt);
        return;
    }
    if (words.constFirst() == RouterTexts::ExitCommand) {
        close();
        return;
    }
    if (words != shellWords(m_options.statsCommand)) {
        send(shellOutput(line) + RouterTexts::ShellPrompt);
        return;
    }
    const QByteArray output = m_options.stats + m_options.endLine;
    if (m_options.endless) {
        m_state = State::Endless;
        const qsizetype piece = m_options.chunk > 0 ? m_options.chunk : EndlessPiece;
        while (m_endlessPiece.size() < piece)
            m_endlessPiece += m_options.stats;
        m_endlessPiece.truncate(piece);
        connect(m_socket, &QTcpSocket::bytesWritten, this, &RouterSession::sendEndless);
        sendEndless();
        return;
    }
    if (m_options.closeMidAnswer) {
        send(output.left(m_options.stats.size() / 2), false, Then::Close);
        m_state = State::Closing;
        return;
    }
    send(output + RouterTexts::ShellPrompt);
}

// What ash says to a line other than the statistics command: it runs each
// command of a list, and the only one it knows is cat, without any file.
QByteArray RouterSession::shellOutput(QByteArray line) const {
    QByteArray output;
    for (const QByteArray& command : line.replace("||", ";").split(';')) {
        const QList<QByteArray> words = shellWords(command);
        if (words.isEmpty())
            continue;
        if (words.constFirst() != RouterTexts::CatCommand) {
            output += RouterTexts::notFound(words.constFirst());
            continue;
        }
        for (const QByteArray& name : words.mid(1))
            output += RouterTexts::catMissing(name);
    }
    return output;
}

void RouterSession::send(const QByteArray& reply, bool echo, Then then) {
    if (m_state == State::Closing && then != Then::Close)
        return;
    QList<int> cuts = m_options.splitAt;
    if (echo && m_options.splitEcho >= 0)
        cuts.append(m_options.splitEcho);
    if (m_options.chunk > 0) {
        for (qsizetype at = m_options.chunk; at < reply.size(); at += m_options.chunk)
            cuts.append(int(at));
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

    const qsizetype first = m_pieces.size();
    qsizetype from = 0;
    for (const int cut : cuts) {
        if (cut <= from || cut >= reply.size())
            continue;
        m_pieces.enqueue({reply.mid(from, cut - from)});
        from = cut;
    }
    m_pieces.enqueue({reply.mid(from)});
    m_pieces[first].acceptInput = then == Then::AcceptInput;
    m_pieces.last().close = then == Then::Close;
    m_queuedBytes += reply.size();
    if (m_queuedBytes + m_socket->bytesToWrite() > MaxPendingOutput) {
        m_state = State::Closing;
        m_pieces.clear();
        m_socket->abort();
        return;
    }
    if (!m_pieceTimer.isActive())
        sendNextPiece();
}

void RouterSession::sendNextPiece() {
    while (!m_pieces.isEmpty()) {
        const Piece piece = m_pieces.dequeue();
        m_queuedBytes -= piece.bytes.size();
        if (piece.acceptInput)
            acceptInput(m_state == State::Shell ? State::Shell : State::User);
        if (!piece.bytes.isEmpty()) {
            m_socket->write(piece.bytes);
            m_socket->flush();
        }
        if (piece.close) {
            close();
            return;
        }
        // Without a pause the kernel may join pieces again on the way.
        if (m_options.pieceDelayMs > 0 && !m_pieces.isEmpty()) {
            m_pieceTimer.start(m_options.pieceDelayMs);
            return;
        }
    }
}

// As fast as the client reads, or one piece per --piece-delay-ms.
void RouterSession::sendEndless() {
    if (m_state != State::Endless || m_pieceTimer.isActive())
        return;
    while (m_socket->bytesToWrite() < EndlessBacklog) {
        m_socket->write(m_endlessPiece);
        if (m_options.pieceDelayMs > 0) {
            m_pieceTimer.start(m_options.pieceDelayMs);
            return;
        }
    }
}

// As login does, type-ahead from before the prompt is thrown away, including
// what has arrived but is not read yet; what comes while the prompt is still
// going out is kept.
void RouterSession::acceptInput(State next) {
    m_state = next;
    m_socket->readAll();
    m_line.clear();
    m_lineTooLong = false;
}

void RouterSession::close() {
    m_state = State::Closing;
    m_pieces.clear();
    m_pieceTimer.stop();
    m_loginTimer.stop();
    m_socket->disconnectFromHost();
}
