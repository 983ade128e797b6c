// SPDX-License-Identifier: MIT
// A real FTP server (pyftpdlib from Debian's python3) on 127.0.0.1 for one
// test, serving one folder with write access for one user, or a hostile one
// (hostile-ftp.py beside this file); and the mode-2 script that uploads files.
#pragma once

#include "Peers.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

class FtpServer {
public:
    static inline const QString User = QStringLiteral("warden");
    static inline const QString Password = QStringLiteral("upload");

    FtpServer() = default;
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;
    ~FtpServer() { stop(); }

    // Starts the server on a free loopback port and waits, at most ten seconds
    // per try, for it to listen. A port taken in between is tried again.
    bool start(const QString& folder) {
        return startPython({QStringLiteral("-m"), QStringLiteral("pyftpdlib"), QStringLiteral("-i"),
                            QStringLiteral("127.0.0.1"), QStringLiteral("-w"), QStringLiteral("-d"), folder,
                            QStringLiteral("-u"), User, QStringLiteral("-P"), Password, QStringLiteral("-p")});
    }

    // The hostile server with its misbehaviour's options (see hostile-ftp.py).
    bool startHostile(const QStringList& misbehaviour) {
        return startPython(QStringList{Peers::sourceDir() + QStringLiteral("/tests/support/hostile-ftp.py")} +
                           misbehaviour + QStringList{QStringLiteral("--port")});
    }

    void stop() { Peers::stop(m_process); }

    quint16 port() const { return m_port; }
    // Why the server did not start.
    QString error() const { return m_error; }

private:
    static inline const QString Python = QStringLiteral("/usr/bin/python3");

    // Arguments end with the port option, whose value is added here.
    bool startPython(const QStringList& arguments) {
        if (!QFileInfo::exists(Python)) {
            m_error = Python + QStringLiteral(" is missing (Debian package python3-pyftpdlib)");
            return false;
        }
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (tryStart(arguments, Peers::freeLoopbackPort()))
                return true;
        }
        return false;
    }

    bool tryStart(const QStringList& arguments, quint16 port) {
        stop();
        m_port = port;
        m_process.setProgram(Python);
        m_process.setArguments(arguments + QStringList{QString::number(port)});
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PYTHONUNBUFFERED"), QStringLiteral("1"));
        m_process.setProcessEnvironment(env);
        m_process.start();
        if (!m_process.waitForStarted(5000)) {
            m_error = m_process.errorString();
            return false;
        }
        const QByteArray ready = ">>> starting FTP server on 127.0.0.1:" + QByteArray::number(port);
        const QByteArray output = Peers::waitForOutput(m_process, ready, 10000);
        if (output.contains(ready))
            return true;
        m_error = QString::fromLocal8Bit(output + m_process.readAll());
        stop();
        return false;
    }

    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

namespace FtpUpload {

struct File {
    QString localPath;
    QString remoteName;
};

// Logs in, switches to binary (otherwise the server stores CR LF as LF) and
// uploads each file over its own passive data connection.
//
// The shape follows the engine's triggers in mode 2. A SEND or STOR that is
// not followed by a WAIT lets its own SendComplete start the next line, so
// every one of them is followed by a WAIT. The "227" reply starts two lines:
// its WAIT match runs STOR, and the data connection's Connect event runs the
// line after STOR's WAIT, which is PUT. That WAIT "226" therefore only holds
// STOR's SendComplete back: the server's "150"/"125" must not match it, or
// PUT would race the data connection. PUT arms the second WAIT "226", which
// the server sends once the data connection was closed after the upload.
inline QStringList scriptLines(quint16 port, const QList<File>& files) {
    QStringList lines{QStringLiteral("HOST 127.0.0.1 %1").arg(port),
                      QStringLiteral("WAIT \"220\""),
                      QStringLiteral("SEND \"USER %1\\n\"").arg(FtpServer::User),
                      QStringLiteral("WAIT \"331\""),
                      QStringLiteral("SEND \"PASS %1\\n\"").arg(FtpServer::Password),
                      QStringLiteral("WAIT \"230\""),
                      QStringLiteral("SEND \"TYPE I\\n\""),
                      QStringLiteral("WAIT \"200\"")};
    for (const File& file : files)
        lines << QStringLiteral("SEND \"PASV\\n\"") << QStringLiteral("WAIT \"227\"")
              << QStringLiteral("STOR \"%1\\n\"").arg(file.remoteName) << QStringLiteral("WAIT \"226\"")
              << QStringLiteral("PUT \"%1\"").arg(file.localPath) << QStringLiteral("WAIT \"226\"");
    lines << QStringLiteral("SEND \"QUIT\\n\"");
    return lines;
}

} // namespace FtpUpload
