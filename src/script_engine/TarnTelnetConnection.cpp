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
#include <QMetaMethod>

using namespace TarnMessages;
using modMisc::CRLF;

void TarnTelnet::wsMain_DataArrival() {
    const int state = wsMain->State();
    if (state != TarnSocket::StateOpen && state != TarnSocket::StateListening && state != TarnSocket::StateConnected)
        return;
    const QByteArray bytes = wsMain->GetData();
    m_receivedThisRun += bytes.size();
    if (m_receivedThisRun > m_maxAnswer) {
        AnswerTooLong(m_receivedThisRun);
        return;
    }
    HandleReceivedText(Latin1::toText(bytes));
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

// What arrived is dropped unread rather than copied into the record and the
// log: past the bound it is no answer the script could use. A run that has
// already completed (the connection kept open for a reboot) raises no second end.
void TarnTelnet::AnswerTooLong(qint64 received) {
    m_lastFailure = Failure::TooLong;
    strReceived.Clear();
    WriteLog(TooLongAnswer.arg(received).arg(m_maxAnswer));
    CloseConnections();
    if (!blnEnded)
        emit ScriptError(false);
}

void TarnTelnet::HandleReceivedText(const QString& text) {
    if (CurrentMode() == ScriptMode::Ftp)
        WriteLog(text);
    else
        strReceived.Append(text);
    // A reply that stopped the script must not also satisfy a WAIT for it.
    if (CurrentMode() == ScriptMode::Ftp && text.startsWith(TarnReplies::PassiveMode) && !OpenDataConnection(text))
        return;
    // The refusal may arrive split like any answer: everything since the last flush is searched.
    if (CurrentMode() == ScriptMode::LoginCheck && strReceived.Holds(TarnReplies::LoginIncorrect)) {
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

// Mode 2 searches each piece alone; otherwise everything received since the
// last flush is searched, except what may still be the last command's echo.
bool TarnTelnet::WaitSatisfied(const QString& piece) {
    if (CurrentMode() == ScriptMode::Ftp)
        return !piece.isEmpty() && piece.contains(strWaitText, Qt::CaseInsensitive);
    return strReceived.HoldsBeyondEcho(strWaitText);
}

void TarnTelnet::ArmWait(const QString& text) {
    strWaitText = text;
    strReceived.RestartWaitSearch();
}

// An answer may be many megabytes: it moves into the record, and the log
// takes the one copy.
void TarnTelnet::FlushReceiveBuffer() {
    QString answer = strReceived.Take();
    if (answer.isEmpty())
        return;
    WriteLog(modMisc::SpacesTrimmed(strConversation.Append(std::move(answer))));
}

void TarnTelnet::StartConversationEntry(const QString& command) {
    FlushReceiveBuffer();
    strReceived.ExpectEcho(command);
    strConversation.StartEntry(command);
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

// The sockets are closed before the buffer is flushed, so that a peer that
// never stops sending is cut off before its answer is copied.
void TarnTelnet::CloseConnections() {
    closeQuietly(wsMain);
    closeQuietly(wsData);
    m_upload = Upload::None;
    FlushReceiveBuffer();
    WriteLog(ClosedConnection);
}

// The stamped line is made only for listeners, and before they run, since a
// handler may change the text that `message` views.
void TarnTelnet::WriteLog(QStringView message) {
    m_consoleLog += message;
    m_consoleLog += CRLF;
    if (!isSignalConnected(QMetaMethod::fromSignal(&TarnTelnet::LogUpdate)))
        return;
    const QString stamp = TarnText::FormatElapsed(GetSeconds() - dblStartTime);
    QString line;
    line.reserve(stamp.size() + 1 + message.size());
    line += stamp;
    line += u' ';
    line += message;
    emit LogUpdate(line);
}

double TarnTelnet::GetSeconds() const {
    return double(m_clock.ticks()) / double(m_clock.frequency);
}

void TarnTelnet::LetEventsRun() {
    QCoreApplication::processEvents();
}
