// SPDX-License-Identifier: MIT
// The script interpreter: RunScript, RunNextLine and the look-ahead that arms
// a WAIT before the data that should satisfy it can arrive.
#include "TarnTelnet.h"

#include "TarnError.h"
#include "TarnMessages.h"
#include "TarnSocket.h"
#include "TarnText.h"
#include "text/modMisc.h"

#include <limits>

using namespace TarnMessages;
using modMisc::GetField;
using TarnText::CleanLine;
using TarnText::GetQuotedArgument;

void TarnTelnet::RunScript(const QString& strScript) {
    try {
        m_consoleLog.clear();
        m_lastFailure = Failure::None;
        m_sshFailureText.clear();
        strConversation = QStringList{QString()};
        lngEntry = 0;
        if (!strScript.isEmpty())
            strScriptText = strScript;
        dblStartTime = GetSeconds();
        strLines = strScriptText.split(modMisc::CRLF);
        if (strLines.size() > std::numeric_limits<qint32>::max())
            throw TarnError{TarnErrors::Overflow, QStringLiteral("Overflow: the script has too many lines")};
        lngLastLine = qint32(strLines.size() - 1);
        intPercent = 0;
        if (lngLastLine > 0) {
            if (wsMain->State() != TarnSocket::StateClosed)
                wsMain->Close();
            // Text from an earlier connection must neither satisfy this run's
            // WAITs nor reach its conversation, and no echo is due on a new one.
            m_echo.start({});
            ClearReceiveBuffer();
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
        intPercent = qint16(modMisc::RoundHalfEven(double(lngLine + 1) / lngLastLine * 100));
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

    strLine = CleanLine(strLines.at(lngLine));
    const QString command = GetField(strLine, u" ", 1).toUpper();
    strArgument.clear();
    strWaitText.clear();

    if (command == u"HOST") {
        WriteLog(OpeningConnection);
        strHost = GetField(strLine, u" ", 2);
        strPort = GetField(strLine, u" ", 3);
        ChooseMainSocket();
        if (strPort.isEmpty())
            strPort = QStringLiteral("23");
        ArmFollowingWait();
        wsMain->Connect(strHost, strPort);
    } else if (command == u"SEND") {
        strArgument = GetQuotedArgument(strLine);
        ArmFollowingWait();
        StartConversationEntry(TarnText::RemoveLineBreaks(strArgument));
        if (wsMain->State() != TarnSocket::StateClosed) {
            wsMain->SendData(strArgument.toLatin1());
            if (m_mode == 2)
                WriteLog(SentPrefix + strArgument);
            LetEventsRun();
        } else {
            WriteLog(CannotSend);
        }
    } else if (command == u"STOR") {
        strArgument = QStringLiteral("STOR ") + GetQuotedArgument(strLine);
        StartConversationEntry(TarnText::RemoveLineBreaks(strArgument));
        ArmFollowingWait();
        wsMain->SendData(strArgument.toLatin1());
        LetEventsRun();
    } else if (command == u"PUT") {
        strArgument = GetQuotedArgument(strLine);
        ArmFollowingWait();
        SendFile(strArgument);
        LetEventsRun();
    } else if (command == u"WAIT") {
        if (wsMain->State() != TarnSocket::StateClosed) {
            blnWaiting = true;
            ArmWait(GetQuotedArgument(strLine));
        } else {
            WriteLog(CannotWait);
        }
    } else if (command == u"DELAY") {
        DelayLine();
        return true;
    } else if (command == u"ECHO") {
        strArgument = GetQuotedArgument(strLine);
        WriteLog(strArgument);
        return true;
    } else if (command == u"#" || command.isEmpty()) {
        return true;
    } else {
        WriteLog(Unrecognised.arg(lngLine + 1));
        CloseConnections();
        emit ScriptError(true);
    }
    return false;
}

void TarnTelnet::ArmFollowingWait() {
    if (lngLine + 1 > lngLastLine)
        return;
    strLine = CleanLine(strLines.at(lngLine + 1));
    if (GetField(strLine, u" ", 1).compare(u"WAIT", Qt::CaseInsensitive) == 0) {
        blnWaiting = true;
        ArmWait(GetQuotedArgument(strLine));
        ++lngLine;
    }
}

// A negative number of seconds pauses for none.
void TarnTelnet::DelayLine() {
    const auto seconds = modMisc::WholeNumber(GetField(strLine, u" ", 2));
    if (!seconds)
        throw TarnError{TarnErrors::Overflow, QStringLiteral("Overflow: the DELAY is out of range")};
    const qint32 pause = std::max<qint32>(*seconds, 0);
    WriteLog(DelayFor.arg(pause));
    if (pause > std::numeric_limits<qint32>::max() / 1000)
        throw TarnError{TarnErrors::Overflow, QStringLiteral("Overflow: the DELAY is out of range")};
    m_sleep(pause * 1000);
}
