// SPDX-License-Identifier: MIT
// Line Warden without its window: the telnet script control TarnTelnet1, the
// statistics collector and its timer, the ping monitor and its timer, and
// line-warden.log, wired together. The window is one host of it; a run without
// a desktop is another. A host shows what the ping monitor shows (PingWindow,
// PingTray), answers what the core reads at the moment it needs it (Inputs),
// and shows the records and notices it is sent.
#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>

#include "ProgramLog.h"
#include "SshSettings.h"
#include "reachability/PingProbe.h"
#include "reachability/PingWindow.h"
#include "statistics/StatsCollector.h"

class PingMonitor;
class QTimer;
class TarnTelnet;

// The two timers' periods; tests shorten them.
struct TimerPeriods {
    std::chrono::milliseconds ping{1000};   // tmrPing: the monitor counts its ticks as seconds
    std::chrono::milliseconds stats{60000}; // tmrStats: the schedule counts its ticks as minutes
};

class MonitorCore : public QObject {
    Q_OBJECT

public:
    using Periods = TimerPeriods;

    // What the core reads from its host when a collection or the schedule starts.
    class Inputs {
    public:
        virtual ~Inputs() = default;
        virtual StatsCollector::RouterLogin RouterLogin() const = 0; // txtRouter, txtUser, txtPass
        virtual QString StatsIntervalText() const = 0;               // txtStats
        virtual bool StatsTicked() const = 0;                        // chkStats
    };

    // folder holds stats.csv, stats.txt and line-warden.log. No probe means the system's ICMP echo.
    MonitorCore(QString folder, PingWindow& window, PingTray& tray, Inputs& inputs,
                std::unique_ptr<PingProbe> probe = {}, Periods periods = {}, QObject* parent = nullptr);
    ~MonitorCore() override;

    QString Folder() const { return m_folder; }
    TarnTelnet& Control() { return *m_control; }
    StatsCollector& Stats() { return *m_stats; }
    PingMonitor& Monitor() { return *m_monitor; }

    // The one way the program tells the user something that no record shows: a
    // line in line-warden.log, and noticed() for the host to show it.
    void Report(const QString& text);

    // The key file and known-hosts file of routers reached over SSH, from
    // [SSH]; until a host gives them, no key file and the folder's known_hosts.
    void UseSshSettings(const SshSettings& settings);
    // The router model that settings.ini's [Router] Model names (see
    // RouterModels::Choose, a relative path from the folder). One that cannot be
    // used is reported, and no collection runs.
    void UseRouterModel(const QString& setting);
    // Both of the above from the settings file at path, as every host reads it
    // once at start: [Router] Model and [SSH].
    void UseSettingsFile(const QString& path);

signals:
    // A line just written to line-warden.log (the time, a TAB, the text), and its text alone.
    void noticed(const QString& line, const QString& text);

private:
    QString m_folder;
    ProgramLog m_log;
    std::unique_ptr<PingProbe> m_probe;
    TarnTelnet* m_control;
    QTimer* m_tmrPing;
    QTimer* m_tmrStats;
    std::unique_ptr<PingMonitor> m_monitor;
    StatsCollector* m_stats;
    bool m_saidNoValues = false;
    QStringList m_toldSsh;
};
