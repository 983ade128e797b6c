// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

// Finds the server's echo of the last command in the receive buffer: a
// forward scan that restarts on a mismatch and lets a CR LF in the buffer
// stand for one command character. The echo counts as found once every
// command character but the last has matched and one more character has
// arrived; it is then dropped together with everything received before it.
//
// The scan resumes where it stopped, so a buffer that only grows is read
// once, and an echo is removed once per command.
class EchoScanner {
public:
    // A new command was sent; an empty one has no echo.
    void start(QStringView command);
    // The buffer was emptied.
    void restart();
    // Continues over a buffer that only grew since the last call. Returns how
    // many leading characters are echo (or came before it) and must be
    // dropped, or 0 while the echo is not complete. After a drop the echo of
    // this command is done with.
    qsizetype scan(QStringView buffer, QStringView command);

    bool pending() const { return m_pending; }
    // How much of the buffer's front cannot be (part of) a pending echo.
    qsizetype settledLength(qsizetype bufferSize) const;

private:
    bool m_pending = false;
    qsizetype m_i = 0;          // next buffer position to examine
    qsizetype m_j = 0;          // next command character to match
    qsizetype m_matchStart = 0; // where the current partial match began
};
