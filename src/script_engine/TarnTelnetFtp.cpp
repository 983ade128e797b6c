// SPDX-License-Identifier: MIT
// The FTP data channel of mode 2: the passive-mode data connection opened
// from a "227" reply, and the upload of a local file with PUT.
#include "TarnTelnet.h"

#include "TarnError.h"
#include "TarnMessages.h"
#include "TarnSocket.h"
#include "TarnText.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

using namespace TarnMessages;

namespace {

// How long a closing data connection may take before the script gives up.
constexpr int DataCloseLimitMs = 3000;

QByteArray ReadFileBytes(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile())
        throw TarnError{TarnErrors::FileNotFound, QStringLiteral("File not found: %1").arg(path)};
    if (!file.open(QIODevice::ReadOnly))
        throw TarnError{TarnErrors::FileUnreadable, QStringLiteral("Cannot read file: %1").arg(path)};
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TarnError{TarnErrors::FileUnreadable, QStringLiteral("Cannot read file: %1").arg(path)};
    return bytes;
}

} // namespace

// False when the script was stopped instead: the reply must then start no
// further line. The close wait runs on the engine's clock.
//
// The data connection goes to the server the control connection reached,
// whatever address the reply names: a server behind address translation
// names one it cannot be reached at, and a hostile one could name any host.
bool TarnTelnet::OpenDataConnection(const QString& reply) {
    try {
        wsData->Close();
        const double giveUpAt = GetSeconds() + DataCloseLimitMs / 1000.0;
        while (wsData->State() != TarnSocket::StateClosed) {
            if (GetSeconds() >= giveUpAt)
                throw TarnError{TarnSocket::TimedOut, QStringLiteral("The data connection did not close")};
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        const auto address = TarnText::ParsePassiveReply(reply);
        if (!address) {
            WriteLog(InvalidPassiveReply.arg(TarnText::RemoveLineBreaks(reply)));
            AbortFtp();
            return false;
        }
        const QString server = wsMain->PeerAddress();
        if (address->host != server)
            WriteLog(PassiveAddressIgnored.arg(address->host, server));
        wsData->SetRemoteHost(server);
        wsData->SetRemotePort(address->port);
        WriteLog(ConnectingTo.arg(wsData->RemoteHost()).arg(wsData->RemotePort()));
        wsData->Connect();
        return true;
    } catch (const TarnError& error) {
        FailScript(error);
        return false;
    }
}

// Refuses to upload unless a data connection is open, so a PUT in the wrong
// mode or before the "227" reply fails instead of hanging.
void TarnTelnet::SendFile(const QString& path) {
    strUploadFile = path;
    if (wsData->State() != TarnSocket::StateConnected)
        throw TarnError{TarnSocket::BadState, QStringLiteral("Cannot PUT - the data connection is not open.")};
    const QByteArray bytes = ReadFileBytes(path);
    WriteLog(SendingFile.arg(path));
    m_upload = Upload::Sending;
    wsData->SendData(bytes);
    LetEventsRun();
}

// The engine's own way out of a failed FTP step: the script is aborted, and
// the host, which hears no ScriptError on this path, is told why.
void TarnTelnet::AbortFtp() {
    WriteLog(AbortingScript);
    AbortScript();
    ReportFailure(Failure::FtpAborted);
}

void TarnTelnet::wsData_Connect() {
    WriteLog(DataConnectionStarted);
    RunNextLine();
}

// Every byte is with the network, which is not yet with the server: the end
// of the file is marked, and the upload counts as sent once the server has
// read it all and closed in turn.
void TarnTelnet::wsData_SendComplete() {
    if (m_upload != Upload::Sending)
        return;
    m_upload = Upload::Ending;
    try {
        wsData->CloseSending();
    } catch (const TarnError&) {
        WriteLog(UploadCutShort);
        AbortFtp();
    }
}

// A server closes an upload's data connection only after reading its end;
// one that closes sooner has not taken the whole file.
void TarnTelnet::wsData_PeerClosed() {
    switch (m_upload) {
    case Upload::None:
        return;
    case Upload::Sending:
        WriteLog(UploadCutShort);
        AbortFtp();
        return;
    case Upload::Ending:
        m_upload = Upload::None;
        wsData->Close();
        emit FTPSendComplete(strUploadFile);
        WriteLog(FileSent);
        return;
    }
}

void TarnTelnet::wsData_Error(int number, const QString& description) {
    WriteLog(DataSocketError.arg(number).arg(description));
    if (number == TarnSocket::ConnectionRefused && CurrentMode() == ScriptMode::Ftp)
        WriteLog(NoFtpAccess);
    if (m_upload != Upload::None)
        WriteLog(UploadCutShort);
    AbortFtp();
}
