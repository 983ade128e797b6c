// SPDX-License-Identifier: MIT
// The ping monitor's view of the main window: its controls, icons, warning
// box and tray icon.
#pragma once

#include "reachability/PingWindow.h"

class Form1;

class PingWidgets : public PingWindow, public PingTray {
public:
    explicit PingWidgets(Form1& form) : m_form(form) {}

    QString PingAddress() const override;
    QString IntervalText() const override;
    void SetToggleCaptions(const QString& button, const QString& menu) override;
    // txtPing, txtInterval, txtUser, txtPass, txtRouter, chkStats and txtStats, in that order.
    void SetInputsEnabled(bool enabled) override;
    void SetCountdown(const QString& text) override;
    void ShowDisplays(bool shown) override;
    void SetPingLabel(const QString& caption, quint32 colour) override;
    void SetWindowIcon(PingIcon icon) override;
    void Warn(const QString& text) override;

    bool IconInTray() const override;
    void ModifyTrayIcon(const QString& tip) override;

private:
    Form1& m_form;
};
