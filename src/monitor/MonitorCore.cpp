// SPDX-License-Identifier: MIT
#include "MonitorCore.h"

#include "MonitorText.h"
#include "reachability/PingMonitor.h"
#include "script_engine/TarnTelnet.h"
#include "statistics/ModelText.h"
#include "statistics/RouterModels.h"
#include "text/AppFolder.h"
#include "text/IniFile.h"

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
    // Not shown to the user.
    m_control->setObjectName(QStringLiteral("TarnTelnet1"));
    UseSshSettings(SshSettings::fromValues({}, m_folder));
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

    // A router refused over SSH is told in the connection's own words, which name
    // the keys or the ways of login; the short reason is for the collector's listeners.
    connect(m_stats, &StatsCollector::collectionFailed, this, [this](const QString& reason) {
        const QString sshFailure = m_control->SshFailureText();
        Report(sshFailure.isEmpty() ? reason : sshFailure);
    });
    // Said once a run: a key file that cannot be used would be said at every collection.
    connect(m_control, &TarnTelnet::SshNotice, this, [this](const QString& line) {
        if (!m_toldSsh.contains(line)) {
            m_toldSsh << line;
            Report(line);
        }
    });
    // Every minute alike: said once a run, so that it stands out rather than fills the log.
    connect(m_stats, &StatsCollector::answerWithoutValues, this, [this] {
        if (!std::exchange(m_saidNoValues, true))
            Report(MonitorText::AnswerWithoutValues.arg(ModelText::ReadmeSection));
    });
}

MonitorCore::~MonitorCore() = default;

void MonitorCore::UseSshSettings(const SshSettings& settings) {
    settings.applyTo(*m_control);
}

void MonitorCore::Report(const QString& text) {
    emit noticed(m_log.Write(text, QDateTime::currentDateTime()), text);
}

void MonitorCore::UseSettingsFile(const QString& path) {
    UseRouterModel(modMisc::ReadIniValue(ModelText::RouterSection, ModelText::ModelKey, path));
    UseSshSettings(SshSettings::read(path, m_folder));
}

void MonitorCore::UseRouterModel(const QString& setting) {
    RouterModels::Choice choice = RouterModels::Choose(setting, m_folder);
    if (!choice.model)
        Report(choice.problem);
    m_stats->setModel(std::move(choice.model));
}
