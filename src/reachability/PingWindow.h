// SPDX-License-Identifier: MIT
// What the ping monitor shows and reads in the main window, and the
// notification-area icon it keeps up to date. The window implements both;
// tests record the calls.
#pragma once

#include <QString>

enum class PingIcon { Normal, Up, Down };

class PingWindow {
public:
    virtual ~PingWindow() = default;
    virtual QString PingAddress() const = 0;  // txtPing
    virtual QString IntervalText() const = 0; // txtInterval
    // cmdToggle's caption and mnToggle's.
    virtual void SetToggleCaptions(const QString& button, const QString& menu) = 0;
    // The address, interval, router and statistics inputs.
    virtual void SetInputsEnabled(bool enabled) = 0;
    virtual void SetCountdown(const QString& text) = 0; // lblCount
    virtual void ShowDisplays(bool shown) = 0;          // lblCount and lblPing
    // lblPing's caption and background, as 0x00BBGGRR.
    virtual void SetPingLabel(const QString& caption, quint32 colour) = 0;
    virtual void SetWindowIcon(PingIcon icon) = 0;
    // A modal warning captioned with the application title.
    virtual void Warn(const QString& text) = 0;
};

class PingTray {
public:
    virtual ~PingTray() = default;
    virtual bool IconInTray() const = 0;
    // Shows the window's current icon and the tip; only while the icon is in the tray.
    virtual void ModifyTrayIcon(const QString& tip) = 0;
};
