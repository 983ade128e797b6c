// SPDX-License-Identifier: MIT
#include "EchoScanner.h"

void EchoScanner::start(QStringView command) {
    m_pending = !command.isEmpty();
    m_keptAt.assign(2 * size_t(command.size()), 0);
    restart();
}

void EchoScanner::restart() {
    m_i = 0;
    m_partials.clear();
    std::fill(m_keptAt.begin(), m_keptAt.end(), 0);
}

// Two partial echoes in the same place differ only in where they began; the
// earlier one is kept, as it holds back more of the buffer from a WAIT.
void EchoScanner::keep(qsizetype start, qsizetype matched, bool afterCr) {
    qsizetype& keptAt = m_keptAt[size_t(2 * matched + (afterCr ? 1 : 0))];
    if (keptAt == m_i + 1)
        return;
    keptAt = m_i + 1;
    m_next.push_back({start, matched, afterCr});
}

qsizetype EchoScanner::scan(QStringView buffer, QStringView command) {
    if (!m_pending)
        return 0;
    const qsizetype last = command.size() - 1;
    if (last == 0 && !buffer.isEmpty()) {
        m_pending = false; // a one-character command: the first character is its echo
        return 1;
    }
    while (m_i < buffer.size()) {
        if (m_partials.empty()) {
            const qsizetype next = buffer.indexOf(command[0], m_i);
            if (next < 0) {
                m_i = buffer.size();
                break;
            }
            m_i = next;
        }
        const QChar c = buffer[m_i];
        m_next.clear();
        for (const Partial& p : m_partials) {
            if (p.afterCr) {
                if (c == u'\n')
                    keep(p.start, p.matched + 1, false);
                continue;
            }
            if (p.matched == last) {
                // Every character but the last matched, and the last one's place has arrived.
                m_pending = false;
                m_partials.clear();
                return m_i + 1;
            }
            if (c == command[p.matched])
                keep(p.start, p.matched + 1, false);
            if (c == u'\r')
                keep(p.start, p.matched, true);
        }
        if (c == command[0])
            keep(m_i, 1, false);
        std::swap(m_partials, m_next);
        ++m_i;
    }
    return 0;
}

qsizetype EchoScanner::settledLength(qsizetype bufferSize) const {
    if (!m_pending || m_partials.empty())
        return bufferSize;
    return m_partials.front().start;
}
