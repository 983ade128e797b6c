// SPDX-License-Identifier: MIT
// tarn-run as a terminal runs it, on a script file of the test's own.
#pragma once

#include "FileBytes.h"
#include "Peers.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

struct TarnRun {
    int exitCode = -1; // also when it crashed or did not end
    QString out;
    QString err;
};

// tarn-run with these options on the script at path, at most 30 s. The event
// loop runs meanwhile, so that a peer the test started drains its pipes.
inline TarnRun tarnRunFile(const QString& path, const QStringList& options) {
    QProcess process;
    process.start(Peers::binDir() + QStringLiteral("/tarn-run"), options + QStringList{path});
    if (!QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, 30000)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// The same on a script of these lines, each ended by lineEnd.
inline TarnRun tarnRun(const QStringList& lines, const QStringList& options, const QByteArray& lineEnd = "\n") {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("script.txt"));
    if (!writeFile(path, lines.join(QString::fromLatin1(lineEnd)).toLatin1() + lineEnd))
        return {};
    return tarnRunFile(path, options);
}
