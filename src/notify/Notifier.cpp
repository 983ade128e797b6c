// SPDX-License-Identifier: MIT
#include "Notifier.h"

#include "EventText.h"
#include "NotifyText.h"
#include "monitor/MonitorCore.h"
#include "monitor/MonitorText.h"
#include "reachability/PingMonitor.h"
#include "text/IniFile.h"

Notifier::Notifier(const NotifySettings& settings, const QString& appTitle, std::optional<QDBusConnection> bus,
                   LineEvents::Clock clock, QObject* parent)
    : QObject(parent), m_events(settings, std::move(clock)), m_command(settings.command) {
    if (bus)
        m_desktop = std::make_unique<DesktopNotifier>(appTitle, std::move(*bus));
    connect(&m_events, &LineEvents::happened, this, &Notifier::tell);
}

void Notifier::tell(const LineEvent& event) {
    if (m_desktop)
        m_desktop->show(EventText::body(event), EventText::iconName(event.kind), EventText::category(event.kind));
    m_command.run(event);
}

void ConnectNotifier(Notifier& notifier, StatsCollector& collector, PingMonitor& monitor) {
    LineEvents* events = &notifier.events();
    QObject::connect(&collector, &StatsCollector::recordWritten, events, &LineEvents::recordWritten);
    QObject::connect(&collector, &StatsCollector::collectionFailed, events, &LineEvents::collectionFailed);
    QObject::connect(&monitor, &PingMonitor::pinged, events, &LineEvents::pinged);
}

Notifier& StartNotifier(MonitorCore& core, const QString& settingsPath, std::optional<QDBusConnection> bus) {
    // A file that cannot be read is the host's to report; its defaults tell on the desktop and run nothing.
    const QStringList values =
        modMisc::ReadIniValues(NotifyText::Section, NotifySettings::keys(), settingsPath).value_or(QStringList());
    QString complaint;
    const NotifySettings settings = NotifySettings::fromTexts(values, &complaint);
    if (!complaint.isEmpty())
        core.Report(complaint);
    auto* notifier = new Notifier(settings, MonitorText::AppTitle, std::move(bus), &QDateTime::currentDateTime, &core);
    ConnectNotifier(*notifier, core.Stats(), core.Monitor());
    QObject::connect(&notifier->command(), &UserCommand::failed, &core, &MonitorCore::Report);
    return *notifier;
}
