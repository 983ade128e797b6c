// SPDX-License-Identifier: MIT
#include "ProbeRouter.h"

#include "Settings.h"
#include "ShellText.h"
#include "monitor/RouterProbe.h"
#include "script_engine/TarnTelnet.h"
#include "text/AppFolder.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

int ProbeRouter(int& argc, char* argv[], const QString& givenFolder) {
    QCoreApplication app(argc, argv);
    const QString settingsPath = modMisc::AppFolders::standard(givenFolder).chosen() + ShellText::SettingsFileName;
    // Without a settings file, the window's first values are the settings.
    const std::optional<Settings> settings = Settings::load(settingsPath);
    const StatsCollector::RouterLogin login =
        settings ? StatsCollector::RouterLogin{settings->RouterIP, settings->RouterUsername, settings->RouterPassword}
                 : StatsCollector::RouterLogin{ShellText::DefaultRouterIP, ShellText::DefaultRouterUsername,
                                               ShellText::DefaultRouterPassword};

    TarnTelnet control;
    control.setSshUser(login.user);
    control.setSshPassword(login.password);
    RouterProbe probe(control, login, settingsPath);
    QObject::connect(&probe, &RouterProbe::said, [](const QString& line) {
        std::puts(qPrintable(line));
        std::fflush(stdout);
    });
    QObject::connect(&probe, &RouterProbe::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    QTimer::singleShot(0, &probe, &RouterProbe::Start);
    return QCoreApplication::exec();
}
