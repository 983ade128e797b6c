// SPDX-License-Identifier: MIT
// The application shell's own texts: captions, the settings file's names and
// the controls' contents at creation.
#pragma once

#include <QString>

namespace ShellText {

// Main window captions
inline const QString SendToTray = QStringLiteral("Send To &Tray");
inline const QString LabelPingIP = QStringLiteral("Ping IP:");
inline const QString LabelInterval = QStringLiteral("Interval in seconds:");
inline const QString LabelUsername = QStringLiteral("Router username:");
inline const QString LabelPassword = QStringLiteral("Router password:");
inline const QString LabelRouterIP = QStringLiteral("Router IP:");
inline const QString LabelStatsInterval = QStringLiteral("Interval / minutes:");
inline const QString StatsCheckCaption = QStringLiteral("Get stats at regular intervals");
inline const QString CountZero = QStringLiteral("00:00:00");

// The tray menu
inline const QString MenuCaption = QStringLiteral("System Tray Menu");
inline const QString MenuOpen = QStringLiteral("Open Line Warden");
inline const QString MenuExit = QStringLiteral("Exit");

// Notices when settings.ini is not where the user keeps it, or cannot be kept
inline const QString SettingsUnreadable =
    QStringLiteral("%1 cannot be read: the boxes show their first values, and it will not be overwritten.");
inline const QString FilesCarriedOver =
    QStringLiteral("%1 beside the program in %2 copied to %3, where Line Warden keeps its files now.");
inline const QString SettingsNotWritten = QStringLiteral("%1 could not be written; it is left as it was.");

// Contents of the setting inputs at creation. The ping address is a public
// resolver that answers ICMP echo.
inline const QString DefaultPingIP = QStringLiteral("9.9.9.9");
inline const QString DefaultPingInterval = QStringLiteral("300");
inline const QString DefaultRouterUsername = QStringLiteral("root");
inline const QString DefaultRouterPassword = QStringLiteral("Mango");
inline const QString DefaultRouterIP = QStringLiteral("10.0.0.2");
inline const QString DefaultStatsCheckInterval = QStringLiteral("1");

} // namespace ShellText
