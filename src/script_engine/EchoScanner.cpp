// SPDX-License-Identifier: MIT
#include "EchoScanner.h"

void EchoScanner::start(QStringView command) {
    m_pending = !command.isEmpty();
    restart();
}

void EchoScanner::restart() {
    m_i = 0;
    m_j = 0;
    m_matchStart = 0;
}

qsizetype EchoScanner::scan(QStringView buffer, QStringView command) {
    if (!m_pending)
        return 0;
    const qsizetype last = command.size() - 1;
    while (m_j < last && m_i < buffer.size()) {
        const QChar c = buffer[m_i];
        if (m_j == 0)
            m_matchStart = m_i;
        if (c == command[m_j]) {
            ++m_i;
            ++m_j;
        } else if (c == u'\r' && m_i + 1 == buffer.size()) {
            break; // its LF may still come: decide once it is here
        } else if (c == u'\r' && buffer[m_i + 1] == u'\n') {
            m_i += 2; // a line break in the echo stands for one command character
            ++m_j;
        } else {
            ++m_i;
            m_j = 0;
        }
    }
    // Every character but the last matched; the last one's place must have arrived.
    if (m_j < last || m_i >= buffer.size())
        return 0;
    m_pending = false; // found: later arrivals are answer, not echo
    return m_i + 1;
}

qsizetype EchoScanner::settledLength(qsizetype bufferSize) const {
    if (!m_pending)
        return bufferSize;
    return m_j > 0 ? m_matchStart : m_i;
}
