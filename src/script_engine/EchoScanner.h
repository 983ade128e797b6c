// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>
#include <vector>

// Finds the server's echo of the last command in the receive buffer, wherever
// it starts: stray text, a blank line or the command's own first letters may
// come before it. Inside an echo that has begun with a real character, a
// CR LF may stand for one command character (the terminal wrapped the line);
// a CR LF before the first character is never echo, so an unechoed password
// cannot swallow the blank lines before a prompt. The echo counts as found
// once every command character but the last has matched and one more
// character has arrived; it is then dropped together with everything
// received before it, and the command's echo is done with.
//
// The scan resumes where it stopped, so a buffer that only grows is read
// once. Only the partial echoes still alive are carried along, so text
// without the command's first character is skipped at memchr speed.
class EchoScanner {
public:
    // A new command was sent; an empty one has no echo.
    void start(QStringView command);
    // The buffer was emptied.
    void restart();
    // Continues over a buffer that only grew since the last call. Returns how
    // many leading characters are echo (or came before it) and must be
    // dropped, or 0 while the echo is not complete.
    qsizetype scan(QStringView buffer, QStringView command);

    // How much of the buffer's front cannot be (part of) a pending echo.
    qsizetype settledLength(qsizetype bufferSize) const;

private:
    // An echo that may have begun at `start` and has matched `matched`
    // command characters; `afterCr` when a CR came that only its LF completes.
    struct Partial {
        qsizetype start;
        qsizetype matched;
        bool afterCr;
    };
    void keep(qsizetype start, qsizetype matched, bool afterCr);

    bool m_pending = false;
    qsizetype m_i = 0;                       // next buffer position to examine
    std::vector<Partial> m_partials, m_next; // ordered by start, earliest first
    std::vector<qsizetype> m_keptAt;         // per (matched, afterCr): the position it was last kept at, plus 1
};
