// SPDX-License-Identifier: MIT
// A host of the core without a window: what the core reads comes from the
// settings it holds, what the window would show goes nowhere, and a warning
// the window would put in a box goes to whoever listens. The headless program
// runs on it, and so do tests of the core.
#pragma once

#include "MonitorCore.h"
#include "Settings.h"

#include <functional>

class HeadlessHost : public PingWindow, public PingTray, public MonitorCore::Inputs {
public:
    explicit HeadlessHost(Settings settings) : settings(std::move(settings)) {}

    // What the window's inputs would hold, read whenever the core needs it.
    Settings settings;
    // Called with each warning.
    std::function<void(const QString&)> warned;

    QString PingAddress() const override { return settings.PingIP; }
    QString IntervalText() const override { return settings.PingInterval; }
    void SetToggleCaptions(const QString&, const QString&) override {}
    void SetInputsEnabled(bool) override {}
    void SetCountdown(const QString&) override {}
    void ShowDisplays(bool) override {}
    void SetPingLabel(const QString&, quint32) override {}
    void SetWindowIcon(PingIcon) override {}
    void Warn(const QString& text) override {
        if (warned)
            warned(text);
    }

    bool IconInTray() const override { return false; }
    void ModifyTrayIcon(const QString&) override {}

    StatsCollector::RouterLogin RouterLogin() const override {
        return {settings.RouterIP, settings.RouterUsername, settings.RouterPassword};
    }
    QString StatsIntervalText() const override { return settings.StatsCheckInterval; }
    bool StatsTicked() const override { return settings.StatsTicked(); }
};
