// SPDX-License-Identifier: MIT
// What the core shows in and reads from the main window: the ping monitor's
// controls, icons, warning box and tray icon, and the router and statistics
// inputs. It holds the controls it needs and nothing else of the window.
#pragma once

#include "Icons.h"
#include "modSysTray.h"
#include "monitor/MonitorCore.h"
#include "reachability/PingWindow.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

struct FormControls {
    QLineEdit* txtPing;
    QLineEdit* txtInterval;
    QLineEdit* txtUser;
    QLineEdit* txtPass;
    QLineEdit* txtRouter;
    QPushButton* cmdToggle;
    QAction* mnToggle;
    QLabel* lblPing;
    QLabel* lblCount;
    QCheckBox* chkStats;
    QLineEdit* txtStats;
};

class FormView : public PingWindow, public PingTray, public MonitorCore::Inputs {
public:
    // window takes the icons and is the warning box's parent; tray holds its icon.
    FormView(const FormControls& controls, QWidget& window, const IconSet& icons, modSysTray& tray)
        : m_controls(controls), m_window(window), m_icons(icons), m_tray(tray) {}

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

    StatsCollector::RouterLogin RouterLogin() const override;
    QString StatsIntervalText() const override;
    bool StatsTicked() const override;

private:
    FormControls m_controls;
    QWidget& m_window;
    const IconSet& m_icons;
    modSysTray& m_tray;
};
