// SPDX-License-Identifier: MIT
// A host of the core without widgets: it answers the inputs the test sets and
// shows nothing.
#pragma once

#include "monitor/MonitorCore.h"

struct QuietWindow : PingWindow, PingTray, MonitorCore::Inputs {
    QString address = QStringLiteral("127.0.0.1");
    QString interval = QStringLiteral("-1"); // a probe at every tick
    StatsCollector::RouterLogin login{QStringLiteral("127.0.0.1"), QStringLiteral("root"), QStringLiteral("Mango")};
    QString statsInterval = QStringLiteral("1");
    bool statsTicked = false;
    QStringList warnings;

    QString PingAddress() const override { return address; }
    QString IntervalText() const override { return interval; }
    void SetToggleCaptions(const QString&, const QString&) override {}
    void SetInputsEnabled(bool) override {}
    void SetCountdown(const QString&) override {}
    void ShowDisplays(bool) override {}
    void SetPingLabel(const QString&, quint32) override {}
    void SetWindowIcon(PingIcon) override {}
    void Warn(const QString& text) override { warnings << text; }
    bool IconInTray() const override { return false; }
    void ModifyTrayIcon(const QString&) override {}
    StatsCollector::RouterLogin RouterLogin() const override { return login; }
    QString StatsIntervalText() const override { return statsInterval; }
    bool StatsTicked() const override { return statsTicked; }
};
