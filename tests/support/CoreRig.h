// SPDX-License-Identifier: MIT
// The core in a temporary folder of its own, hosted by a QuietWindow, its
// probe answering as the test says.
#pragma once

#include <QFile>
#include <QTemporaryDir>

#include "FakePingProbe.h"
#include "QuietWindow.h"
#include "reachability/PingMonitor.h"

struct CoreRig {
    QTemporaryDir dir;
    QuietWindow window;
    FakePingProbe* probe = new FakePingProbe;
    MonitorCore core{dir.path(), window, window, window, std::unique_ptr<PingProbe>(probe)};

    // A file of the core's folder, empty when missing.
    QString file(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
    }
    // One probe tick with this answer.
    void ping(bool answers) {
        probe->answers = answers;
        core.Monitor().tmrPing_Timer();
    }
};
