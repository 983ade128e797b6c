// SPDX-License-Identifier: MIT
// The connection side: what arrives on the main socket, echo removal, WAIT
// matching, the conversation record, the log and closing.
#include "TarnTelnet.h"

#include "TarnError.h"
#include "TarnMessages.h"
#include "TarnSocket.h"
#include "TarnText.h"
#include "text/Latin1.h"
#include "text/modMisc.h"

#include <QCoreApplication>

using namespace TarnMessages;
using modMisc::CRLF;

void TarnTelnet::wsMain_DataArrival() {
    const int state = wsMain->State();
    if (state == TarnSocket::StateOpen || state == TarnSocket::StateListening || state == TarnSocket::StateConnected)
        HandleReceivedText(Latin1::toText(wsMain->GetData()));
}

void TarnTelnet::wsMain_SendComplete() {
    if (!blnWaiting)
        RunNextLine();
}

void TarnTelnet::wsMain_Error(int number, const QString& description) {
    WriteLog(MainSocketError.arg(number).arg(description));
    switch (number) {
    case TarnSocket::ConnectionRefused:
        ReportFailure(Failure::Refused);
        break;
    case TarnSocket::NetworkUnreachable:
    case TarnSocket::HostNotFound:
    case TarnSocket::TimedOut:
        ReportFailure(Failure::NoRoute);
        break;
    default:
        ReportFailure(Failure::Lost);
        break;
    }
}

// A peer that closes once the script has ended has done what was asked of it.
void TarnTelnet::wsMain_PeerClosed() {
    if (!blnEnded)
        ReportFailure(Failure::Lost);
}

void TarnTelnet::ReportFailure(Failure failure) {
    m_lastFailure = failure;
    emit ConnectionFailed(failure);
}

void TarnTelnet::HandleReceivedText(const QString& text) {
    if (m_mode == 2)
        WriteLog(text);
    else
        AppendToReceiveBuffer(text);
    // A reply that stopped the script must not also satisfy a WAIT for it.
    if (m_mode == 2 && text.startsWith(TarnReplies::PassiveMode) && !OpenDataConnection(text))
        return;
    // The refusal may arrive split like any answer: everything since the last flush is searched.
    if (m_mode == 1 && m_loginSearch.find(strReceived, TarnReplies::LoginIncorrect)) {
        WriteLog(LoginIncorrect);
        CloseConnections();
        emit ScriptError(false);
    }
    if (blnWaiting && WaitSatisfied(text)) {
        blnWaiting = false;
        strWaitText.clear();
        RunNextLine();
    }
}

// Mode 2 searches each piece alone. Otherwise everything received since the
// last flush is searched, except a tail that may still be the echo of the
// last command: a WAIT must not be satisfied by the command's own text.
// The search resumes where the last one left off, so an answer that arrives
// in many pieces is read once.
bool TarnTelnet::WaitSatisfied(const QString& piece) {
    if (m_mode == 2)
        return !piece.isEmpty() && piece.contains(strWaitText, Qt::CaseInsensitive);
    const qsizetype settled = m_echo.settledLength(strReceived.size());
    if (settled == 0)
        return false;
    return m_waitSearch.find(QStringView(strReceived).left(settled), strWaitText);
}

void TarnTelnet::ArmWait(const QString& text) {
    strWaitText = text;
    m_waitSearch.reset();
}

void TarnTelnet::AppendToReceiveBuffer(const QString& text) {
    strReceived += text;
    if (const qsizetype echoEnd = m_echo.scan(strReceived, strLastCommand); echoEnd > 0) {
        strReceived.remove(0, echoEnd);
        m_waitSearch.dropFront(echoEnd);
        m_loginSearch.dropFront(echoEnd);
    }
}

// An answer may be many megabytes: the record and the log each take one copy,
// and the buffer is released before the stamped log line is made, so that at
// most three copies are alive at once.
void TarnTelnet::FlushReceiveBuffer() {
    const QStringView answer = TarnText::StripLineBreaks(strReceived);
    if (answer.isEmpty()) {
        ClearReceiveBuffer();
        return;
    }
    AppendToConversation(answer);
    const qsizetype answerSize = answer.size();
    ClearReceiveBuffer();
    WriteLog(modMisc::SpacesTrimmed(QStringView(strConversation[lngEntry]).last(answerSize)));
}

void TarnTelnet::ClearReceiveBuffer() {
    strReceived.clear();
    m_echo.restart();
    m_waitSearch.reset();
    m_loginSearch.reset();
}

void TarnTelnet::StartConversationEntry(const QString& command) {
    FlushReceiveBuffer();
    strLastCommand = command;
    m_echo.start(command);
    if (!strConversation.first().isEmpty()) {
        strConversation.append(QString());
        lngEntry = qint32(strConversation.size() - 1);
    }
    strConversation[lngEntry] = command + TarnText::Separator;
}

void TarnTelnet::AppendToConversation(QStringView text) {
    QString& entry = strConversation[lngEntry];
    if (!entry.endsWith(CRLF) && !entry.endsWith(TarnText::Separator))
        entry += CRLF;
    entry += text;
}

namespace {

// Closing is best effort: a socket that refuses must not keep the other one open.
void closeQuietly(TarnSocket* socket) {
    try {
        if (socket->State() != TarnSocket::StateClosed)
            socket->Close();
    } catch (const TarnError&) {
    }
}

} // namespace

void TarnTelnet::CloseConnections() {
    FlushReceiveBuffer();
    closeQuietly(wsMain);
    closeQuietly(wsData);
    WriteLog(ClosedConnection);
}

// The stamped line is made before LogUpdate runs its handlers, which may
// change the text that `message` views.
void TarnTelnet::WriteLog(QStringView message) {
    m_consoleLog += message;
    m_consoleLog += CRLF;
    const QString stamp = TarnText::FormatElapsed(GetSeconds() - dblStartTime);
    QString line;
    line.reserve(stamp.size() + 1 + message.size());
    line += stamp;
    line += u' ';
    line += message;
    emit LogUpdate(line);
}

double TarnTelnet::GetSeconds() const {
    return double(m_clock.ticks()) / double(curFrequency);
}

void TarnTelnet::LetEventsRun() {
    QCoreApplication::processEvents();
}
