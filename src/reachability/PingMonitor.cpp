// SPDX-License-Identifier: MIT
#include "PingMonitor.h"

#include "PingText.h"
#include "text/StatsCsv.h"
#include "text/modMisc.h"

#include <QTimer>
#include <cstdlib>
#include <optional>

namespace {

// The interval's whole number of seconds, 0 read as the default; empty when
// the countdown could not show it.
std::optional<qint32> intervalSeconds(const QString& text) {
    const std::optional<qint32> seconds = modMisc::WholeNumber(text);
    if (!seconds)
        return std::nullopt;
    if (*seconds == 0)
        return PingMonitor::DefaultInterval;
    if (*seconds < PingMonitor::MinInterval || *seconds > PingMonitor::MaxInterval)
        return std::nullopt;
    return seconds;
}

} // namespace

PingMonitor::PingMonitor(QTimer* tmrPing, PingProbe& probe, PingWindow& window, PingTray& tray, QString appTitle,
                         QObject* parent)
    : QObject(parent), m_tmrPing(tmrPing), m_probe(probe), m_window(window), m_tray(tray),
      m_appTitle(std::move(appTitle)), m_trayTip(m_appTitle) {
    connect(m_tmrPing, &QTimer::timeout, this, &PingMonitor::tmrPing_Timer);
}

bool PingMonitor::Running() const {
    return m_tmrPing->isActive();
}

void PingMonitor::Toggle() {
    if (Running())
        Stop();
    else
        Start();
}

void PingMonitor::Start() {
    // Read first, so that a refused interval leaves the monitor as it was.
    const std::optional<qint32> interval = intervalSeconds(m_window.IntervalText());
    if (!interval) {
        m_window.Warn(PingText::IntervalOutOfRange.arg(MinInterval).arg(MaxInterval));
        return;
    }
    m_window.SetToggleCaptions(PingText::StopPinging, PingText::MenuStopPinging);
    m_window.SetInputsEnabled(false);
    m_lastPingUp = true;
    m_pingTicks = 0;
    m_pingInterval = *interval;
    emit startingSchedule();
    m_firstResultPending = true;
    m_window.SetCountdown(QString());
    m_window.ShowDisplays(true);
    m_tmrPing->start();
    // Without a way to send echoes every result would read DOWN: say so at every start.
    if (const QString problem = m_probe.PermissionProblem(); !problem.isEmpty())
        m_window.Warn(problem);
}

void PingMonitor::Stop() {
    m_tmrPing->stop();
    emit stoppingSchedule();
    m_window.ShowDisplays(false);
    m_window.SetToggleCaptions(PingText::StartPinging, PingText::MenuStartPinging);
    m_window.SetWindowIcon(PingIcon::Normal);
    m_trayTip = m_appTitle;
    if (m_tray.IconInTray())
        m_tray.ModifyTrayIcon(m_trayTip);
    m_window.SetInputsEnabled(true);
}

void PingMonitor::tmrPing_Timer() {
    ++m_pingTicks;
    // Fits: Start admits only intervals whose countdown does, and a probe tick resets the ticks.
    m_window.SetCountdown(CountdownText(static_cast<qint16>(m_pingInterval - m_pingTicks)));
    if (m_pingTicks <= m_pingInterval)
        return;
    qint32 roundTrip = 0;
    m_pingUp = m_probe.Ping(m_window.PingAddress(), roundTrip);
    emit pinged(m_pingUp, roundTrip);
    if (m_pingUp != m_lastPingUp || m_firstResultPending)
        showState();
    m_pingTicks = 0;
    m_lastPingUp = m_pingUp;
}

void PingMonitor::showState() {
    m_pingStateText = m_pingUp ? StatsCsv::Up : StatsCsv::Down;
    emit pingStateTextChanged(m_pingStateText);
    m_window.SetWindowIcon(m_pingUp ? PingIcon::Up : PingIcon::Down);
    m_trayTip = m_appTitle + (m_pingUp ? PingText::TipUp : PingText::TipDown);
    m_window.SetPingLabel(m_pingUp ? PingText::LabelUp : PingText::LabelDown,
                          m_pingUp ? PingColour::Green : PingColour::Red);
    if (!m_firstResultPending)
        emit reachabilityChanged();
    if (m_tray.IconInTray())
        m_tray.ModifyTrayIcon(m_trayTip);
    m_firstResultPending = false;
}

QString PingMonitor::CountdownText(qint16 seconds) {
    const int total = std::abs(int(seconds));
    return QStringLiteral("%1%2:%3:%4")
        .arg(seconds < 0 ? QStringLiteral("-") : QString())
        .arg(total / 3600, 2, 10, QLatin1Char('0'))
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}
