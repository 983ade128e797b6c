// SPDX-License-Identifier: MIT
// The statistics collection's eight-line script, with the router's design-time
// login, pointed at a loopback port instead of the router; and the same
// dialogue over SSH, where the shell's prompt comes straight after the login.
#pragma once

#include <QString>
#include <QStringList>

namespace StatsDialogue {

inline const QString Command = QStringLiteral("cat /proc/avalanche/avsar_modem_stats \"no_where\"");
inline const QString EndLine = QStringLiteral("cat: no_where: No such file or directory");

inline const QString SendCommand = QStringLiteral("SEND \"cat /proc/avalanche/avsar_modem_stats \\\"no_where\\\"\\n\"");
inline const QString WaitEnd = QStringLiteral("WAIT \"no_where\"");

inline QStringList scriptLines(quint16 port, const QString& user = QStringLiteral("root"),
                               const QString& password = QStringLiteral("Mango")) {
    return {QStringLiteral("HOST 127.0.0.1 %1").arg(port),
            QStringLiteral("WAIT \"login\""),
            QStringLiteral("SEND \"%1\\n\"").arg(user),
            QStringLiteral("WAIT \"password\""),
            QStringLiteral("SEND \"%1\\n\"").arg(password),
            QStringLiteral("WAIT \"#\""),
            SendCommand,
            WaitEnd};
}

// HOST ssh:ADDRESS, on port 22 unless one is given.
inline QStringList sshScriptLines(const QString& address, const QString& port = {}) {
    return {QStringLiteral("HOST ssh:%1 %2").arg(address, port).trimmed(), QStringLiteral("WAIT \"#\""), SendCommand,
            WaitEnd};
}

} // namespace StatsDialogue
