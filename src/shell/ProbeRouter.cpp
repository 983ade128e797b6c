// SPDX-License-Identifier: MIT
#include "ProbeRouter.h"

#include "ShellText.h"
#include "monitor/MonitorText.h"
#include "monitor/RouterProbe.h"
#include "monitor/Settings.h"
#include "monitor/SshSettings.h"
#include "script_engine/TarnTelnet.h"
#include "text/AppFolder.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

int ProbeRouter(int& argc, char* argv[], const QString& givenFolder) {
    QCoreApplication app(argc, argv);
    // The window's name, so that the per-user folder is the window's whatever this file is called.
    QCoreApplication::setApplicationName(MonitorText::ProgramName);
    const QString folder = modMisc::AppFolders::standard(givenFolder).chosen();
    const QString settingsPath = folder + MonitorText::SettingsFileName;
    // Without a settings file, the window's first values are the settings.
    const std::optional<Settings> settings = Settings::read(settingsPath);
    const StatsCollector::RouterLogin login =
        settings ? StatsCollector::RouterLogin{settings->RouterIP, settings->RouterUsername, settings->RouterPassword}
                 : StatsCollector::RouterLogin{ShellText::DefaultRouterIP, ShellText::DefaultRouterUsername,
                                               ShellText::DefaultRouterPassword};

    TarnTelnet control;
    control.setSshUser(login.user);
    control.setSshPassword(login.password);
    SshSettings::read(settingsPath, folder).applyTo(control);
    RouterProbe probe(control, login, settingsPath);
    QObject::connect(&probe, &RouterProbe::said, [](const QString& line) {
        std::puts(qPrintable(line));
        std::fflush(stdout);
    });
    QObject::connect(&probe, &RouterProbe::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    QTimer::singleShot(0, &probe, &RouterProbe::Start);
    return QCoreApplication::exec();
}
