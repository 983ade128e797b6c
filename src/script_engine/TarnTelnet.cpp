// SPDX-License-Identifier: MIT
// Creation, public surface and termination of the control.
#include "TarnTelnet.h"

#include "TarnSocket.h"
#include "TcpTarnSocket.h"

#include <QElapsedTimer>
#include <QThread>

namespace {

const QString CaptionText = QStringLiteral("Tarn Telnet Control");

TarnTelnet::Clock systemClock() {
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    return {[timer] { return timer->nsecsElapsed(); }, 1'000'000'000};
}

} // namespace

TarnTelnet::TarnTelnet(QObject* parent) : TarnTelnet([](int ms) { QThread::msleep(ulong(ms)); }, parent) {}

TarnTelnet::TarnTelnet(Sleep sleep, QObject* parent)
    : TarnTelnet(new TcpTarnSocket, new TcpTarnSocket, std::move(sleep), systemClock(), parent) {}

TarnTelnet::TarnTelnet(TarnSocket* main, TarnSocket* data, Sleep sleep, Clock clock, QObject* parent)
    : QObject(parent), wsMain(main), wsData(data), wsTelnet(main), m_sleep(std::move(sleep)),
      m_clock(std::move(clock)) {
    wsMain->setParent(this);
    wsData->setParent(this);
    if (m_clock.frequency <= 0)
        m_clock.frequency = 1;
    connect(wsMain, &TarnSocket::DataArrival, this, &TarnTelnet::wsMain_DataArrival);
    connect(wsMain, &TarnSocket::SendComplete, this, &TarnTelnet::wsMain_SendComplete);
    connect(wsMain, &TarnSocket::Error, this, &TarnTelnet::wsMain_Error);
    connect(wsMain, &TarnSocket::PeerClosed, this, &TarnTelnet::wsMain_PeerClosed);
    connect(wsData, &TarnSocket::Connected, this, &TarnTelnet::wsData_Connect);
    connect(wsData, &TarnSocket::SendComplete, this, &TarnTelnet::wsData_SendComplete);
    connect(wsData, &TarnSocket::PeerClosed, this, &TarnTelnet::wsData_PeerClosed);
    connect(wsData, &TarnSocket::Error, this, &TarnTelnet::wsData_Error);
    CreateSshSocket();
}

TarnTelnet::~TarnTelnet() {
    if (wsMain->State() != TarnSocket::StateClosed)
        CloseConnections();
}

TarnTelnet::ScriptMode TarnTelnet::CurrentMode() const {
    switch (m_mode) {
    case qint32(ScriptMode::LoginCheck):
        return ScriptMode::LoginCheck;
    case qint32(ScriptMode::Ftp):
        return ScriptMode::Ftp;
    default:
        return ScriptMode::Telnet;
    }
}

QString TarnTelnet::Caption() const {
    return CaptionText;
}

void TarnTelnet::GetConversation(QStringList& strCommandArray) const {
    strCommandArray = strConversation.Entries();
}

void TarnTelnet::DiscardRun() {
    strReceived.Clear();
    strConversation.Reset();
    m_consoleLog = QString();
}
