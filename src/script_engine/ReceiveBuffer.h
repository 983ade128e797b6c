// SPDX-License-Identifier: MIT
#pragma once

#include "EchoScanner.h"
#include "ResumableSearch.h"

#include <QString>
#include <limits>

// What the main connection delivered since the last flush (modes 0 and 1),
// with the server's echo of the last command removed once it has all come.
// Searches resume where they stopped, so an answer that arrives in many
// pieces is read once.
class ReceiveBuffer {
public:
    // A new connection: no echo is due on it, and nothing of an earlier one is kept.
    void NewConnection();
    // The echo of this command is due next (none for an empty one).
    void ExpectEcho(const QString& command);
    // The buffer never reserves room for more characters than this.
    void SetCapacityLimit(qsizetype characters) { m_capacityLimit = characters; }

    void Append(QStringView piece);
    // Whether `text` arrived, ignoring case, anywhere in the buffer.
    bool Holds(QStringView text) { return m_anywhere.find(strReceived, text); }
    // The same, leaving out a tail that may still be the last command's own
    // echo: a WAIT must not be satisfied by the text the script just sent.
    bool HoldsBeyondEcho(QStringView text);
    // A new WAIT text is looked for from the buffer's start again.
    void RestartWaitSearch() { m_beyondEcho.reset(); }

    // The text with CR LF pairs stripped from both ends, moved out; the buffer is empty afterwards.
    QString Take();
    void Clear();

private:
    QString strReceived;
    QString strLastCommand; // whose echo is removed once
    EchoScanner m_echo;
    ResumableSearch m_beyondEcho;
    ResumableSearch m_anywhere;
    qsizetype m_capacityLimit = std::numeric_limits<qsizetype>::max();
};
