// SPDX-License-Identifier: MIT
// The texts of the program as a whole: its log, its command line, and what it
// says when its folder is taken.
#pragma once

#include <QString>

namespace MonitorText {

// The window's caption, the caption of message boxes, and the tray tip's first words.
inline const QString AppTitle = QStringLiteral("Line Warden");

inline const QString ProgramName = QStringLiteral("line-warden");
inline const QString LogFileName = QStringLiteral("line-warden.log");
inline const QString OldLogFileName = QStringLiteral("line-warden.log.1");
inline const QString LockFileName = QStringLiteral("line-warden.lock");

// Said once a run; %1 is the README's section on router models.
inline const QString AnswerWithoutValues =
    QStringLiteral("the router's answer held none of the six values, so the records are empty: see \"%1\" in the "
                   "README; line-warden --probe-router tells which built-in model fits the router");

inline const QString SignalsNotCaught =
    QStringLiteral("SIGTERM, SIGHUP and SIGINT cannot be caught: they end the program without saving its settings");

// A second start on a folder in use.
inline const QString FolderInUse = QStringLiteral("Line Warden already runs on %1 (process %2)");
inline const QString AskedToShow = QStringLiteral("%1: its window was asked to come to the front.");
inline const QString NotStarted = QStringLiteral("%1, so this one does not start.");
inline const QString FolderUnusable = QStringLiteral("Line Warden cannot use %1: %2");

// The request a second start sends to the program holding the folder, and its answer.
inline const QByteArray ShowRequest = "show\n";
inline const QByteArray ShowAnswer = "shown\n";

} // namespace MonitorText
