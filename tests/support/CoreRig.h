// SPDX-License-Identifier: MIT
// The core in a temporary folder of its own, hosted as the headless program
// hosts it, its probe answering as the test says.
#pragma once

#include <QTemporaryDir>

#include "FakePingProbe.h"
#include "FileBytes.h"
#include "monitor/HeadlessHost.h"
#include "reachability/PingMonitor.h"

struct CoreRig {
    QTemporaryDir dir;
    // A probe at every tick; no periodic collections.
    HeadlessHost host{{QStringLiteral("127.0.0.1"), QStringLiteral("-1"), QStringLiteral("root"),
                       QStringLiteral("Mango"), QStringLiteral("127.0.0.1"), QStringLiteral("0"), QStringLiteral("1")}};
    FakePingProbe* probe = new FakePingProbe;
    MonitorCore core{dir.path(), host, host, host, std::unique_ptr<PingProbe>(probe)};

    // A file of the core's folder, empty when missing.
    QString file(const QString& name) const { return QString::fromLocal8Bit(readFile(dir.filePath(name))); }
    // One probe tick with this answer.
    void ping(bool answers) {
        probe->answers = answers;
        core.Monitor().tmrPing_Timer();
    }
};
