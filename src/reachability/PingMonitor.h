// SPDX-License-Identifier: MIT
// "Start Pinging": while tmrPing runs, probes one address every interval + 1
// seconds, counts down to the next probe, and shows UP or DOWN in the window,
// its icon and, while in the tray, the tray icon and tip. Every change after
// the first result asks for a statistics collection marked as changed. The
// monitor runs exactly when tmrPing is active.
#pragma once

#include <QObject>
#include <QString>

#include "PingProbe.h"
#include "PingWindow.h"

class QTimer;

class PingMonitor : public QObject {
    Q_OBJECT

public:
    // The countdown is a signed 16-bit number of seconds: intervals beyond
    // these cannot be counted down, so Start refuses them.
    static constexpr qint32 MinInterval = -32767;
    static constexpr qint32 MaxInterval = 32768;
    // What a zero or missing interval means.
    static constexpr qint32 DefaultInterval = 15;

    // tmrPing belongs to the window; the monitor starts, stops and serves it.
    PingMonitor(QTimer* tmrPing, PingProbe& probe, PingWindow& window, PingTray& tray, QString appTitle,
                QObject* parent = nullptr);

    // The toggle behind cmdToggle and mnToggle.
    void Toggle();
    void Start();
    void Stop();
    void tmrPing_Timer();

    bool Running() const;
    qint32 PingInterval() const { return m_pingInterval; }
    qint32 PingTicks() const { return m_pingTicks; }
    bool PingUp() const { return m_pingUp; }
    bool LastPingUp() const { return m_lastPingUp; }
    bool FirstResultPending() const { return m_firstResultPending; }
    QString PingStateText() const { return m_pingStateText; }
    QString TrayTip() const { return m_trayTip; }

    // "hh:nn:ss"; a negative count is written with a leading minus, "-00:00:01".
    static QString CountdownText(qint16 seconds);

signals:
    // The statistics schedule's start steps (ticks, interval, tmrStats), at start.
    void startingSchedule();
    // Its stop step, at stop.
    void stoppingSchedule();
    // PingStateText is now "Up" or "Down"; always before reachabilityChanged.
    void pingStateTextChanged(const QString& text);
    // A real change after the first result: mark the collection as changed and collect.
    void reachabilityChanged();
    // Every probe's result; the round trip in ms means something only when up.
    void pinged(bool up, qint32 roundTripMs);

private:
    void showState();

    QTimer* m_tmrPing;
    PingProbe& m_probe;
    PingWindow& m_window;
    PingTray& m_tray;
    QString m_appTitle;

    qint32 m_pingInterval = 0;
    qint32 m_pingTicks = 0;
    bool m_pingUp = false;
    bool m_lastPingUp = false;
    bool m_firstResultPending = false;
    QString m_pingStateText;
    QString m_trayTip;
};
