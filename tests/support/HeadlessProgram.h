// SPDX-License-Identifier: MIT
// line-warden --headless as the service runs it, on a settings file and a
// folder of the test's own: its standard error is read as the journal reads
// it, one line at a time, and the files it writes are at hand.
#pragma once

#include "FileBytes.h"
#include "Peers.h"

#include <QDir>
#include <QTemporaryDir>

class HeadlessProgram {
public:
    HeadlessProgram() {
        QObject::connect(&m_process, &QProcess::readyReadStandardError, [this] {
            m_pending += m_process.readAllStandardError();
            for (qsizetype end; (end = m_pending.indexOf('\n')) >= 0; m_pending.remove(0, end + 1))
                m_journal << QString::fromLocal8Bit(m_pending.left(end));
        });
    }

    QString settingsPath() const { return m_dir.filePath(QStringLiteral("line.ini")); }
    QString folder() const { return m_dir.filePath(QStringLiteral("state")); }

    // The settings, their lines ended by CR LF as the window writes them.
    bool writeSettings(const QStringList& lines) const {
        return writeFile(settingsPath(), lines.join(QStringLiteral("\r\n")).toLocal8Bit() + "\r\n");
    }

    // Starts line-warden --headless --settings … --folder …; QProcess kills it at the latest when it goes.
    bool start() {
        m_process.start(Peers::binDir() + QStringLiteral("/line-warden"),
                        {QStringLiteral("--headless"), QStringLiteral("--settings"), settingsPath(),
                         QStringLiteral("--folder"), folder()});
        return m_process.waitForStarted(10000);
    }

    // Ends it with SIGTERM, as systemctl stop does, and waits, bounded, until it has.
    bool stop(int ms = 10000) {
        m_process.terminate();
        return m_process.waitForFinished(ms);
    }

    // What it told standard error so far, a line each.
    const QStringList& journal() const { return m_journal; }
    // The lines saying this.
    qsizetype said(const QString& text) const {
        return std::count_if(m_journal.begin(), m_journal.end(),
                             [&text](const QString& line) { return line.contains(text); });
    }

    // A file it wrote in its folder.
    QByteArray file(const QString& name) const { return readFile(QDir(folder()).filePath(name)); }

    QProcess& process() { return m_process; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QByteArray m_pending;
    QStringList m_journal;
};
