// SPDX-License-Identifier: MIT
// The export side's own texts: the [Export] keys of settings.ini, the MQTT
// topics and payloads, and what it tells the log.
#pragma once

#include <QByteArray>
#include <QString>

namespace ExportText {

inline const QString Section = QStringLiteral("Export");
inline const QString MetricsAddressKey = QStringLiteral("Metrics Address");
inline const QString LineNameKey = QStringLiteral("Line Name");
inline const QString BrokerKey = QStringLiteral("MQTT Broker");
inline const QString UserKey = QStringLiteral("MQTT User");
inline const QString PasswordKey = QStringLiteral("MQTT Password");
inline const QString TopicKey = QStringLiteral("MQTT Topic");

inline constexpr quint16 DefaultBrokerPort = 1883;
// The base topic is this followed by the line name unless "MQTT Topic" says otherwise.
inline const QString TopicPrefix = QStringLiteral("linewarden/");
// What stands in for a line name when the host has none.
inline const QString FallbackLineName = QStringLiteral("line");

inline const QString StateTopic = QStringLiteral("/state");
inline const QString PingTopic = QStringLiteral("/ping");
inline const QString AvailabilityTopic = QStringLiteral("/availability");
inline const QByteArray Online = "online";
inline const QByteArray Offline = "offline";
inline const QByteArray PingUp = "up";
inline const QByteArray PingDown = "down";
inline const QString DiscoveryPrefix = QStringLiteral("homeassistant/");
inline const QString DeviceModel = QStringLiteral("DSL line monitor");

inline const QString BadMetricsAddress =
    QStringLiteral("[Export] Metrics Address \"%1\" is not an IP address and port such as 127.0.0.1:9817 or "
                   "[::1]:9817; no metrics are served");
inline const QString BadBroker =
    QStringLiteral("[Export] MQTT Broker \"%1\" is not a host with an optional port such as broker.lan:1883; "
                   "nothing is published over MQTT");
inline const QString BadTopic = QStringLiteral("[Export] MQTT Topic \"%1\" is not a topic to publish to (empty, or "
                                               "holding + or #); nothing is published over MQTT");
inline const QString CannotListen = QStringLiteral("metrics: cannot listen on %1: %2");
inline const QString BrokerUnreachable =
    QStringLiteral("MQTT: the broker at %1 cannot be reached (%2); trying again in the background");
inline const QString BrokerConnected = QStringLiteral("MQTT: connected to the broker at %1");
inline const QString NoAnswer = QStringLiteral("no answer");
inline const QString NoAcknowledgement = QStringLiteral("messages are not acknowledged");

} // namespace ExportText
