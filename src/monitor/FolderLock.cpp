// SPDX-License-Identifier: MIT
#include "FolderLock.h"

#include "MonitorText.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

// Each wait of a second start; the answer is one short line.
constexpr int RequestWaitMs = 2000;

// The request channel's name: a local socket in the user's runtime folder,
// named after the locked folder, so that a second start can find it.
QString channelName(const QString& folder) {
    const QByteArray id = QCryptographicHash::hash(QDir(folder).canonicalPath().toUtf8(), QCryptographicHash::Sha256);
    const QString name = QStringLiteral("line-warden-") + QString::fromLatin1(id.toHex().left(24));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? name : QDir(runtime).filePath(name);
}

} // namespace

FolderLock::FolderLock(const QString& folder, QObject* parent)
    : QObject(parent), m_folder(folder), m_lock(QDir(folder).filePath(MonitorText::LockFileName)) {
    // The default counts a lock older than 30 s as stale even while its owner runs.
    m_lock.setStaleLockTime(0);
}

FolderLock::~FolderLock() = default;

bool FolderLock::Acquire() {
    if (m_lock.tryLock(0))
        return true;
    QString hostName, appName;
    if (m_lock.error() == QLockFile::LockFailedError && m_lock.getLockInfo(&m_holderPid, &hostName, &appName))
        return false;
    m_holderPid = 0;
    m_problem = m_lock.error() == QLockFile::PermissionError
                    ? QStringLiteral("no permission to create %1 there").arg(MonitorText::LockFileName)
                    : QStringLiteral("%1 cannot be made there").arg(MonitorText::LockFileName);
    return false;
}

void FolderLock::OfferToShow() {
    if (m_server || !m_lock.isLocked())
        return;
    const QString name = channelName(m_folder);
    // Holding the lock makes any socket of that name a leftover of a killed run.
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &FolderLock::answerRequest);
    if (!m_server->listen(name)) {
        delete m_server;
        m_server = nullptr;
    }
}

void FolderLock::answerRequest() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine(64) == MonitorText::ShowRequest) {
                emit showRequested();
                socket->write(MonitorText::ShowAnswer);
            }
            socket->disconnectFromServer();
        });
    }
}

// A second start has no event loop yet: it waits, bounded, for the answer.
bool FolderLock::AskHolderToShow() const {
    QLocalSocket socket;
    socket.connectToServer(channelName(m_folder));
    if (!socket.waitForConnected(RequestWaitMs))
        return false;
    socket.write(MonitorText::ShowRequest);
    if (!socket.waitForBytesWritten(RequestWaitMs))
        return false;
    for (int reads = 0; reads < 4 && !socket.canReadLine(); ++reads) {
        if (!socket.waitForReadyRead(RequestWaitMs))
            break;
    }
    return socket.canReadLine() && socket.readLine(64) == MonitorText::ShowAnswer;
}
