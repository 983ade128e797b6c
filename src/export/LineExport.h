// SPDX-License-Identifier: MIT
// The exports the [Export] section asks for: the metrics endpoint, the MQTT
// publisher, both or neither. The window and the headless runner each build
// one from the settings and wire it to their collector and ping monitor with
// connectTo.
#pragma once

#include "ExportSettings.h"
#include "MetricsEndpoint.h"
#include "MqttPublisher.h"

#include <QObject>

class PingMonitor;
class StatsCollector;

class LineExport : public QObject {
    Q_OBJECT

public:
    // appTitle names the program in what Home Assistant shows.
    LineExport(const ExportSettings& settings, const QString& appTitle, QObject* parent = nullptr);

    // Logs the settings' problems and starts what they ask for. False when the
    // metrics address could not be listened on; MQTT runs all the same.
    bool start();

    MetricsEndpoint* metrics() const { return m_metrics; }
    MqttPublisher* mqtt() const { return m_mqtt; }

    // Hands the exports every record, failed collection and probe.
    void connectTo(StatsCollector& collector, PingMonitor& monitor) const;

private:
    ExportSettings m_settings;
    MetricsEndpoint* m_metrics = nullptr;
    MqttPublisher* m_mqtt = nullptr;
};
