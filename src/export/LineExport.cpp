// SPDX-License-Identifier: MIT
#include "LineExport.h"

#include "reachability/PingMonitor.h"
#include "statistics/StatsCollector.h"

LineExport::LineExport(const ExportSettings& settings, const QString& appTitle, QObject* parent)
    : QObject(parent), m_settings(settings) {
    if (settings.metricsEnabled())
        m_metrics = new MetricsEndpoint(settings.lineName, this);
    if (settings.mqttEnabled()) {
        m_mqtt = new MqttPublisher({settings.brokerHost, settings.brokerPort, settings.brokerUser,
                                    settings.brokerPassword, settings.topic, settings.lineName, appTitle},
                                   this);
    }
}

bool LineExport::start() {
    for (const QString& problem : m_settings.problems)
        qWarning("%s", qPrintable(problem));
    if (m_mqtt)
        m_mqtt->start();
    return !m_metrics || m_metrics->start(m_settings.metricsAddress, m_settings.metricsPort);
}

void LineExport::connectTo(StatsCollector& collector, PingMonitor& monitor) const {
    if (m_metrics) {
        connect(&collector, &StatsCollector::recordWritten, m_metrics, &MetricsEndpoint::recordWritten);
        connect(&collector, &StatsCollector::collectionFailed, m_metrics, &MetricsEndpoint::collectionFailed);
        connect(&monitor, &PingMonitor::pinged, m_metrics, &MetricsEndpoint::pinged);
    }
    if (m_mqtt) {
        connect(&collector, &StatsCollector::recordWritten, m_mqtt, &MqttPublisher::recordWritten);
        connect(&monitor, &PingMonitor::pingStateTextChanged, m_mqtt, &MqttPublisher::pingStateTextChanged);
    }
}
