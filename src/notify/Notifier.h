// SPDX-License-Identifier: MIT
// Tells the user about the line: the events worth telling, each one shown as
// a desktop notification and handed to the user's command. The window and
// the service each build one from the [Notify] settings and wire it with
// ConnectNotifier; the window also connects desktop().notShown to its tray.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include "DesktopNotifier.h"
#include "LineEvents.h"
#include "NotifySettings.h"
#include "UserCommand.h"

class Notifier : public QObject {
    Q_OBJECT

public:
    Notifier(const NotifySettings& settings, const QString& appTitle,
             QDBusConnection bus = QDBusConnection::sessionBus(), LineEvents::Clock clock = &QDateTime::currentDateTime,
             QObject* parent = nullptr);

    LineEvents& events() { return m_events; }
    DesktopNotifier& desktop() { return m_desktop; }
    UserCommand& command() { return m_command; }

private:
    void tell(const LineEvent& event);

    LineEvents m_events;
    DesktopNotifier m_desktop;
    UserCommand m_command;
};

// Feeds the notifier from the statistics collector and the ping monitor.
// Written for any pair of objects with their signals, so that tests can wire
// stand-ins the same way.
template <class Collector, class Monitor>
void ConnectNotifier(Notifier& notifier, Collector& collector, Monitor& monitor) {
    LineEvents* events = &notifier.events();
    QObject::connect(&collector, &Collector::recordWritten, events, &LineEvents::recordWritten);
    QObject::connect(&collector, &Collector::collectionFailed, events, &LineEvents::collectionFailed);
    QObject::connect(&monitor, &Monitor::pinged, events, &LineEvents::pinged);
}
