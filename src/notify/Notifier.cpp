// SPDX-License-Identifier: MIT
#include "Notifier.h"

#include "EventText.h"

Notifier::Notifier(const NotifySettings& settings, const QString& appTitle, QDBusConnection bus,
                   LineEvents::Clock clock, QObject* parent)
    : QObject(parent), m_events(settings, std::move(clock)), m_desktop(appTitle, std::move(bus)),
      m_command(settings.command) {
    connect(&m_events, &LineEvents::happened, this, &Notifier::tell);
    connect(&m_command, &UserCommand::failed, this,
            [](const QString& message) { qWarning("%s", qPrintable(message)); });
}

void Notifier::tell(const LineEvent& event) {
    m_desktop.show(EventText::body(event), EventText::iconName(event.kind), EventText::category(event.kind));
    m_command.run(event);
}
