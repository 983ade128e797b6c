// SPDX-License-Identifier: MIT
// Tells the user about the line: the events worth telling, each one shown as
// a desktop notification and handed to the user's command. A host starts one
// with StartNotifier; the window also shows what the desktop did not take in
// its tray.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

#include "DesktopNotifier.h"
#include "LineEvents.h"
#include "NotifySettings.h"
#include "UserCommand.h"

class MonitorCore;
class PingMonitor;
class StatsCollector;

class Notifier : public QObject {
    Q_OBJECT

public:
    // Without a bus, events go to the user's command alone.
    Notifier(const NotifySettings& settings, const QString& appTitle,
             std::optional<QDBusConnection> bus = QDBusConnection::sessionBus(),
             LineEvents::Clock clock = &QDateTime::currentDateTime, QObject* parent = nullptr);

    LineEvents& events() { return m_events; }
    // Null when the notifier was given no bus.
    DesktopNotifier* desktop() { return m_desktop.get(); }
    UserCommand& command() { return m_command; }

private:
    void tell(const LineEvent& event);

    LineEvents m_events;
    std::unique_ptr<DesktopNotifier> m_desktop;
    UserCommand m_command;
};

// Feeds the notifier from the statistics collector and the ping monitor.
void ConnectNotifier(Notifier& notifier, StatsCollector& collector, PingMonitor& monitor);

// The one call a host makes: reads [Notify] of the settings file at
// settingsPath, says through core.Report what it refused there and what the
// user's command did wrong, and feeds the notifier from the core. The window
// passes the session bus; a host without a desktop session passes none, and
// only the user's command is run. The notifier lives as long as the core.
Notifier& StartNotifier(MonitorCore& core, const QString& settingsPath, std::optional<QDBusConnection> bus);
