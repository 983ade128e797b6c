// SPDX-License-Identifier: MIT
// SSH as the main connection: "HOST ssh:ADDRESS [PORT]" runs the script over
// an SSH shell channel; everything after the HOST line works as over telnet.
#include "TarnTelnet.h"

#include "SshTarnSocket.h"
#include "TarnError.h"

void TarnTelnet::CreateSshSocket() {
    wsSsh = new SshTarnSocket(this);
    connect(wsSsh, &TarnSocket::DataArrival, this, &TarnTelnet::wsMain_DataArrival);
    connect(wsSsh, &TarnSocket::SendComplete, this, &TarnTelnet::wsMain_SendComplete);
    connect(wsSsh, &TarnSocket::Error, this, &TarnTelnet::wsSsh_Error);
    connect(wsSsh, &TarnSocket::PeerClosed, this, &TarnTelnet::wsMain_PeerClosed);
    connect(wsSsh, &SshTarnSocket::Notice, this, [this](const QString& line) { WriteLog(line); });
}

// The scheme picks the socket and its default port, and is not part of the address.
// Like a second HOST on one socket, a HOST for the other one while a connection is open is an error.
void TarnTelnet::ChooseMainSocket(QString& strHost, QString& strPort) {
    const bool ssh = strHost.startsWith(SshScheme, Qt::CaseInsensitive);
    TarnSocket* chosen = ssh ? static_cast<TarnSocket*>(wsSsh) : wsTelnet;
    if (ssh) {
        strHost.remove(0, SshScheme.size());
        if (strPort.isEmpty())
            strPort = QString::number(SshDefaultPort);
    }
    if (chosen != wsMain && wsMain->State() != TarnSocket::StateClosed)
        throw TarnError{TarnSocket::BadState, TarnSocket::BadStateText};
    wsMain = chosen;
}

// What only SSH refuses ends the script on its error path: waiting could not
// change the outcome. A refused or lost connection is handled as over telnet.
void TarnTelnet::wsSsh_Error(int number, const QString& description) {
    switch (number) {
    case SshTarnSocket::SshLoginRefused:
        m_lastFailure = Failure::LoginRefused;
        break;
    case SshTarnSocket::SshHostKeyUnknown:
        m_lastFailure = Failure::HostKeyUnknown;
        break;
    case SshTarnSocket::SshHostKeyChanged:
        m_lastFailure = Failure::HostKeyChanged;
        break;
    case SshTarnSocket::SshHandshakeFailed:
    case SshTarnSocket::SshShellRefused:
        m_lastFailure = Failure::Lost;
        break;
    default:
        wsMain_Error(number, description);
        return;
    }
    FailScript(TarnError{number, description});
}

QString TarnTelnet::SshUser() const {
    return wsSsh->Login().user;
}

void TarnTelnet::setSshUser(const QString& New_Val) {
    wsSsh->Login().user = New_Val;
}

QString TarnTelnet::SshPassword() const {
    return wsSsh->Login().password;
}

void TarnTelnet::setSshPassword(const QString& New_Val) {
    wsSsh->Login().password = New_Val;
}

QString TarnTelnet::SshKeyFile() const {
    return wsSsh->Login().keyFile;
}

void TarnTelnet::setSshKeyFile(const QString& New_Val) {
    wsSsh->Login().keyFile = New_Val;
}

QString TarnTelnet::SshKnownHosts() const {
    return wsSsh->Login().knownHosts;
}

void TarnTelnet::setSshKnownHosts(const QString& New_Val) {
    wsSsh->Login().knownHosts = New_Val;
}

bool TarnTelnet::SshAcceptNewHostKey() const {
    return wsSsh->Login().acceptNewHostKey;
}

void TarnTelnet::setSshAcceptNewHostKey(bool New_Val) {
    wsSsh->Login().acceptNewHostKey = New_Val;
}
