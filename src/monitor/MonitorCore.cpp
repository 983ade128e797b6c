// SPDX-License-Identifier: MIT
#include "MonitorCore.h"

#include "MonitorText.h"
#include "reachability/PingMonitor.h"
#include "script_engine/TarnTelnet.h"
#include "text/AppFolder.h"

#include <QTimer>

namespace {

QTimer* namedTimer(const char* name, std::chrono::milliseconds period, QObject* parent) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(period);
    return timer;
}

} // namespace

MonitorCore::MonitorCore(QString folder, PingWindow& window, PingTray& tray, Inputs& inputs,
                         std::unique_ptr<PingProbe> probe, Periods periods, QObject* parent)
    : QObject(parent), m_folder(modMisc::WithTrailingBackslash(folder)), m_log(m_folder),
      m_probe(probe ? std::move(probe) : std::make_unique<IcmpProbe>()), m_control(new TarnTelnet(this)),
      m_tmrPing(namedTimer("tmrPing", periods.ping, this)), m_tmrStats(namedTimer("tmrStats", periods.stats, this)) {
    setObjectName(QStringLiteral("MonitorCore"));
    // Not shown to the user; all its properties keep their defaults.
    m_control->setObjectName(QStringLiteral("TarnTelnet1"));
    m_monitor = std::make_unique<PingMonitor>(m_tmrPing, *m_probe, window, tray, MonitorText::AppTitle);
    m_stats = new StatsCollector(
        *m_control, m_tmrStats, [] { return QDateTime::currentDateTime(); }, m_folder,
        [&inputs] { return inputs.RouterLogin(); }, this);

    // Starting and stopping pinging run the schedule's steps; a change of reachability collects at once.
    PingMonitor* monitor = m_monitor.get();
    connect(monitor, &PingMonitor::startingSchedule, m_stats,
            [this, &inputs] { m_stats->StartSchedule(inputs.StatsIntervalText(), inputs.StatsTicked()); });
    connect(monitor, &PingMonitor::stoppingSchedule, m_stats,
            [this, &inputs] { m_stats->StopSchedule(inputs.StatsTicked()); });
    connect(monitor, &PingMonitor::pingStateTextChanged, m_stats, &StatsCollector::setPingStateText);
    connect(monitor, &PingMonitor::reachabilityChanged, m_stats, &StatsCollector::ReachabilityChanged);

    connect(m_stats, &StatsCollector::collectionFailed, this, &MonitorCore::Report);
    // Every minute alike: said once a run, so that it stands out rather than fills the log.
    connect(m_stats, &StatsCollector::answerWithoutValues, this, [this] {
        if (!std::exchange(m_saidNoValues, true))
            Report(MonitorText::AnswerWithoutValues.arg(MonitorText::ReadmeHelpSection));
    });
}

MonitorCore::~MonitorCore() = default;

void MonitorCore::Report(const QString& text) {
    emit noticed(m_log.Write(text, QDateTime::currentDateTime()), text);
}
