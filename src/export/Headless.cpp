// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "LineExport.h"
#include "monitor/CommandLine.h"
#include "monitor/FolderLock.h"
#include "monitor/HeadlessHost.h"
#include "monitor/JournalLog.h"
#include "monitor/MonitorText.h"
#include "monitor/TerminationSignals.h"
#include "reachability/PingMonitor.h"
#include "statistics/StatsRecords.h"
#include "text/AppFolder.h"
#include "text/ExitStatus.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>

using JournalLog::Priority;

namespace Headless {

int Run(const CommandLine& line, int& argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(MonitorText::ProgramName);
    // No plugin is needed without a window. Qt would otherwise load and start
    // its TLS backend for the metrics endpoint, which speaks plain HTTP: 4 MB;
    // nothing here uses TLS, so its absence is no news.
    QCoreApplication::setLibraryPaths({});
    QLoggingCategory::setFilterRules(QStringLiteral("qt.network.ssl.warning=false"));
    JournalLog::Install();
    // Caught from here on; one that comes before the event loop runs is served once it does.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &app, &QCoreApplication::quit);

    const QString folder = modMisc::AppFolders::standard(line.folder).chosen();
    FolderLock lock(folder);
    if (!lock.Acquire()) {
        JournalLog::Write(Priority::Error,
                          lock.HolderPid() != 0
                              ? MonitorText::NotStarted.arg(MonitorText::FolderInUse.arg(folder).arg(lock.HolderPid()))
                              : MonitorText::FolderUnusable.arg(folder, lock.Problem()));
        return ExitStatus::Failed;
    }
    const QString settingsPath = line.settings.isEmpty() ? folder + MonitorText::SettingsFileName : line.settings;
    const std::optional<Settings> settings = Settings::read(settingsPath);
    if (!settings) {
        JournalLog::Write(Priority::Error, MonitorText::SettingsUnreadable.arg(settingsPath));
        return ExitStatus::Failed;
    }

    HeadlessHost host(*settings);
    MonitorCore core(folder, host, host, host);
    host.warned = [&core](const QString& text) { core.Report(text); };
    QObject::connect(&core, &MonitorCore::noticed,
                     [](const QString&, const QString& text) { JournalLog::Write(Priority::Warning, text); });
    core.UseSettingsFile(settingsPath);
    // The journal keeps the time: the record's values alone.
    QObject::connect(&core.Stats(), &StatsCollector::recordWritten,
                     [](const LineStats& stats, const QString& pingStateText, bool changed) {
                         JournalLog::Write(Priority::Info, MonitorText::RecordNow.arg(StatsRecords::StatsTextValues(
                                                               stats, pingStateText, changed)));
                     });
    QObject::connect(&core.Monitor(), &PingMonitor::pingStateTextChanged, [&host](const QString& state) {
        JournalLog::Write(Priority::Notice, MonitorText::PingStateNow.arg(host.PingAddress(), state));
    });
    if (!termination.Active())
        core.Report(MonitorText::SignalsNotCaught);
    // Read as it is, whatever its mode: the file is its owner's to keep, not the service's.
    if (QFileInfo(settingsPath).permissions() & QFileDevice::ReadOther)
        core.Report(MonitorText::SettingsReadableByOthers.arg(settingsPath));

    LineExport exports(ExportSettings::read(settingsPath), MonitorText::AppTitle);
    exports.connectTo(core.Stats(), core.Monitor());
    exports.start();

    core.Monitor().Start();
    if (!core.Monitor().Running()) {
        JournalLog::Write(Priority::Error, MonitorText::NothingToWatch);
        return ExitStatus::Failed;
    }
    JournalLog::Write(Priority::Info, MonitorText::HeadlessStarted.arg(QStringLiteral(LINEWARDEN_VERSION),
                                                                       core.Folder(), settingsPath));
    return QCoreApplication::exec();
}

} // namespace Headless
