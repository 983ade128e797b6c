// SPDX-License-Identifier: MIT
#include "ReceiveBuffer.h"

#include "TarnText.h"

#include <algorithm>

void ReceiveBuffer::NewConnection() {
    m_echo.start({});
    Clear();
}

void ReceiveBuffer::ExpectEcho(const QString& command) {
    strLastCommand = command;
    m_echo.start(command);
}

// The room grows by doubling, as QString's own would, but never past the
// limit, so a buffer near the bound on received text holds no slack beyond it.
void ReceiveBuffer::Append(QStringView piece) {
    const qsizetype needed = strReceived.size() + piece.size();
    if (needed > strReceived.capacity())
        strReceived.reserve(std::max(needed, std::min(2 * strReceived.capacity(), m_capacityLimit)));
    strReceived += piece;
    if (const qsizetype echoEnd = m_echo.scan(strReceived, strLastCommand); echoEnd > 0) {
        strReceived.remove(0, echoEnd);
        m_beyondEcho.dropFront(echoEnd);
        m_anywhere.dropFront(echoEnd);
    }
}

bool ReceiveBuffer::HoldsBeyondEcho(QStringView text) {
    const qsizetype settled = m_echo.settledLength(strReceived.size());
    return settled > 0 && m_beyondEcho.find(QStringView(strReceived).left(settled), text);
}

QString ReceiveBuffer::Take() {
    const QStringView kept = TarnText::StripLineBreaks(strReceived);
    if (kept.isEmpty()) {
        Clear();
        return {};
    }
    const qsizetype from = kept.data() - strReceived.constData();
    strReceived.truncate(from + kept.size());
    strReceived.remove(0, from);
    QString taken = std::move(strReceived);
    Clear();
    return taken;
}

void ReceiveBuffer::Clear() {
    strReceived = QString();
    m_echo.restart();
    m_beyondEcho.reset();
    m_anywhere.reset();
}
