// SPDX-License-Identifier: MIT
#pragma once

#include <QStringView>
#include <algorithm>

// Looks for a text, ignoring letter case, in a buffer that only grows at its
// end (or loses its front), resuming where the last search stopped, so an
// answer that arrives in many pieces is read once.
class ResumableSearch {
public:
    bool find(QStringView text, QStringView needle) {
        if (text.indexOf(needle, m_from, Qt::CaseInsensitive) >= 0)
            return true;
        // A match may still begin in the last needle.size() - 1 characters.
        m_from = std::max(m_from, text.size() - needle.size() + 1);
        return false;
    }
    // The buffer lost its first n characters.
    void dropFront(qsizetype n) { m_from = std::max<qsizetype>(0, m_from - n); }
    void reset() { m_from = 0; }

private:
    qsizetype m_from = 0;
};
