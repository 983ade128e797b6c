// SPDX-License-Identifier: MIT
// The script interpreter: RunScript, RunNextLine and the look-ahead that arms
// a WAIT before the data that should satisfy it can arrive.
#include "TarnTelnet.h"

#include "ScriptLine.h"
#include "TarnError.h"
#include "TarnMessages.h"
#include "TarnSocket.h"
#include "TarnText.h"
#include "text/modMisc.h"

#include <limits>

using namespace TarnMessages;
using Command = ScriptLine::Command;

void TarnTelnet::RunScript(const QString& strScript) {
    try {
        m_consoleLog = QString();
        m_lastFailure = Failure::None;
        m_receivedThisRun = 0;
        strConversation.Reset();
        if (!strScript.isEmpty())
            strScriptText = strScript;
        dblStartTime = GetSeconds();
        strLines = strScriptText.split(modMisc::CRLF);
        if (strLines.size() > std::numeric_limits<qint32>::max())
            throw TarnError{TarnErrors::Overflow, QStringLiteral("Overflow: the script has too many lines")};
        lngLastLine = qint32(strLines.size() - 1);
        if (lngLastLine > 0) {
            if (wsMain->State() != TarnSocket::StateClosed)
                wsMain->Close();
            // Text from an earlier connection must neither satisfy this run's
            // WAITs nor reach its conversation, and no echo is due on a new one.
            strReceived.NewConnection();
            strReceived.SetCapacityLimit(
                qsizetype(std::min<qint64>(m_maxAnswer, std::numeric_limits<qsizetype>::max())));
            WriteLog(RunningScript);
            lngLine = -1;
            blnEnded = false;
            RunNextLine();
        }
    } catch (const TarnError& error) {
        WriteLog(ErrorNumber.arg(error.number));
        WriteLog(error.description);
        WriteLog(SocketState.arg(wsMain->State()));
        CloseConnections();
    }
}

void TarnTelnet::AbortScript() {
    CloseConnections();
    lngLastLine = 0;
}

// Lines that continue at once (DELAY, ECHO, comments, blank lines) loop here
// instead of calling RunNextLine again, so a long run of them cannot exhaust
// the stack. Events pumped after a send may still enter RunNextLine anew.
void TarnTelnet::RunNextLine() {
    try {
        while (ExecuteNextLine()) {
        }
    } catch (const TarnError& error) {
        FailScript(error);
    }
}

// The one error path of a running line: the error, closed connections, ScriptError.
void TarnTelnet::FailScript(const TarnError& error) {
    WriteLog(ErrorNumber.arg(error.number));
    WriteLog(error.description);
    CloseConnections();
    emit ScriptError(false);
}

// Runs one line; true when the next line follows at once.
bool TarnTelnet::ExecuteNextLine() {
    ++lngLine;
    if (lngLine < lngLastLine) {
        const auto intPercent = qint16(modMisc::RoundHalfEven(double(lngLine + 1) / lngLastLine * 100));
        emit ScriptProgress(intPercent);
    }
    if (lngLine > lngLastLine) {
        if (!blnEnded) {
            WriteLog(EndOfScript);
            if (!m_waitForReboot)
                CloseConnections();
            blnEnded = true;
            emit ScriptComplete();
        }
        return false;
    }

    const ScriptLine line = ScriptLine::Read(strLines.at(lngLine));
    strWaitText.clear();
    switch (line.command) {
    case Command::Host:
        WriteLog(OpeningConnection);
        ArmFollowingWait();
        OpenMainConnection(line);
        return false;
    case Command::Send: {
        const QString strArgument = line.QuotedArgument();
        ArmFollowingWait();
        StartConversationEntry(TarnText::RemoveLineBreaks(strArgument));
        if (wsMain->State() == TarnSocket::StateClosed) {
            WriteLog(CannotSend);
            return false;
        }
        wsMain->SendData(strArgument.toLatin1());
        if (CurrentMode() == ScriptMode::Ftp)
            WriteLog(SentPrefix + strArgument);
        LetEventsRun();
        return false;
    }
    case Command::Stor: {
        const QString strArgument = QStringLiteral("STOR ") + line.QuotedArgument();
        StartConversationEntry(TarnText::RemoveLineBreaks(strArgument));
        ArmFollowingWait();
        wsMain->SendData(strArgument.toLatin1());
        LetEventsRun();
        return false;
    }
    case Command::Put: {
        const QString path = line.QuotedArgument();
        ArmFollowingWait();
        SendFile(path);
        LetEventsRun();
        return false;
    }
    case Command::Wait:
        if (wsMain->State() == TarnSocket::StateClosed) {
            WriteLog(CannotWait);
            return false;
        }
        blnWaiting = true;
        ArmWait(line.QuotedArgument());
        return false;
    case Command::Delay:
        DelayLine(line);
        return true;
    case Command::Echo:
        WriteLog(line.QuotedArgument());
        return true;
    case Command::Comment:
    case Command::Blank:
        return true;
    case Command::Unrecognised:
        break;
    }
    WriteLog(Unrecognised.arg(lngLine + 1));
    CloseConnections();
    emit ScriptError(true);
    return false;
}

// The port is field 3, 23 when the line gives none.
void TarnTelnet::OpenMainConnection(const ScriptLine& line) {
    QString strHost = line.Field(2);
    QString strPort = line.Field(3);
    ChooseMainSocket(strHost, strPort);
    if (strPort.isEmpty())
        strPort = QStringLiteral("23");
    wsMain->Connect(strHost, strPort);
}

void TarnTelnet::ArmFollowingWait() {
    if (lngLine + 1 > lngLastLine)
        return;
    const ScriptLine next = ScriptLine::Read(strLines.at(lngLine + 1));
    if (next.command == Command::Wait) {
        blnWaiting = true;
        ArmWait(next.QuotedArgument());
        ++lngLine;
    }
}

// A negative number of seconds pauses for none.
void TarnTelnet::DelayLine(const ScriptLine& line) {
    const auto seconds = modMisc::WholeNumber(line.Field(2));
    if (!seconds)
        throw TarnError{TarnErrors::Overflow, QStringLiteral("Overflow: the DELAY is out of range")};
    const qint32 pause = std::max<qint32>(*seconds, 0);
    WriteLog(DelayFor.arg(pause));
    if (pause > std::numeric_limits<qint32>::max() / 1000)
        throw TarnError{TarnErrors::Overflow, QStringLiteral("Overflow: the DELAY is out of range")};
    m_sleep(pause * 1000);
}
