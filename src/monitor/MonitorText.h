// SPDX-License-Identifier: MIT
// The texts of the program as a whole: its log, its command line, and what it
// says when its folder is taken.
#pragma once

#include "text/AppFolder.h"

#include <QString>

namespace MonitorText {

// The window's caption, the caption of message boxes, and the tray tip's first words.
inline const QString AppTitle = QStringLiteral("Line Warden");

inline const QString& ProgramName = modMisc::ProgramName;
// The program without a window, beside line-warden; line-warden --headless becomes it.
inline const QString HeadlessProgramName = QStringLiteral("line-wardend");
inline const QString LogFileName = QStringLiteral("line-warden.log");
inline const QString OldLogFileName = QStringLiteral("line-warden.log.1");
inline const QString LockFileName = QStringLiteral("line-warden.lock");

// The settings file: its section "Options" and the seven keys, read by every host of the core.
inline const QString SettingsFileName = QStringLiteral("settings.ini");
inline const QString SettingsSection = QStringLiteral("Options");
inline const QString KeyPingIP = QStringLiteral("Ping IP");
inline const QString KeyPingInterval = QStringLiteral("Ping Interval");
inline const QString KeyRouterUsername = QStringLiteral("Router Username");
inline const QString KeyRouterPassword = QStringLiteral("Router Password");
inline const QString KeyRouterIP = QStringLiteral("Router IP");
inline const QString KeyStatsCheck = QStringLiteral("StatsCheck");
inline const QString KeyStatsCheckInterval = QStringLiteral("StatsCheck Interval");
// Said once a run; %1 is the README's section on router models.
inline const QString AnswerWithoutValues =
    QStringLiteral("the router's answer held none of the six values, so the records are empty: see \"%1\" in the "
                   "README; line-warden --probe-router tells which built-in model fits the router");

inline const QString SignalsNotCaught =
    QStringLiteral("SIGTERM, SIGHUP and SIGINT cannot be caught: they end the program without saving its settings");

// Options that do not go together.
inline const QString SettingsNeedsHeadless =
    QStringLiteral("--settings needs --headless: the window reads and writes the folder's settings.ini.");
inline const QString HeadlessNotStarted = QStringLiteral("%1 cannot be started: %2");
inline const QString TrayNeedsWindow = QStringLiteral("--tray needs the window, which --headless goes without.");

// Without a window: what the program tells the journal.
inline const QString HeadlessStarted =
    QStringLiteral("Line Warden %1 watches the line from %2, with the settings of %3");
inline const QString SettingsUnreadable = QStringLiteral("the settings cannot be read from %1, so nothing is watched");
inline const QString SettingsReadableByOthers =
    QStringLiteral("%1 holds the router password and every user of this machine can read it: chmod o-r %1");
inline const QString NothingToWatch = QStringLiteral("pinging cannot start, so nothing is watched");
inline const QString PingStateNow = QStringLiteral("ping %1: %2");
inline const QString RecordNow = QStringLiteral("record: %1");

// A second start on a folder in use.
inline const QString FolderInUse = QStringLiteral("Line Warden already runs on %1 (process %2)");
inline const QString AskedToShow = QStringLiteral("%1: its window was asked to come to the front.");
inline const QString NotStarted = QStringLiteral("%1, so this one does not start.");
inline const QString FolderUnusable = QStringLiteral("Line Warden cannot use %1: %2");

// The request a second start sends to the program holding the folder, and its answer.
inline const QByteArray ShowRequest = "show\n";
inline const QByteArray ShowAnswer = "shown\n";

} // namespace MonitorText
