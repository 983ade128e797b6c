// SPDX-License-Identifier: MIT
// What the line publishes over MQTT, every message retained: each record as
// JSON on BASE/state, each ping change on BASE/ping, the program's presence
// on BASE/availability, and the discovery configs that make Home Assistant
// show the line as one device with six sensors and a connectivity sensor.
#pragma once

#include "statistics/StatsExtraction.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace MqttMessages {

struct Message {
    QString topic;
    QByteArray payload;
};

QString stateTopic(const QString& base);
QString pingTopic(const QString& base);
QString availabilityTopic(const QString& base);

// The record: its time in ISO 8601 with the offset from UTC, the six values
// as numbers (null when the record's field is empty or unreadable), the ping
// result as "up", "down" or null, and whether reachability changed.
QByteArray statePayload(const LineStats& stats, const QString& pingStateText, bool changed, const QDateTime& when);

// "up" or "down" for the ping result "Up" or "Down"; empty for anything else.
QByteArray pingPayload(const QString& pingStateText);

// One retained config per sensor under homeassistant/, sharing one device
// named after the program (appTitle) and the line.
QList<Message> discoveryConfigs(const QString& base, const QString& lineName, const QString& appTitle);

} // namespace MqttMessages
