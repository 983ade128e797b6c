// SPDX-License-Identifier: MIT
// The statistics collection's script with the default router model and the
// router's design-time login, pointed at a loopback port instead of the
// router; and the same dialogue over SSH, where the shell's prompt comes
// straight after the login. The model owns the command and its end.
#pragma once

#include "statistics/RouterModels.h"
#include "statistics/StatsScript.h"

#include <QString>
#include <QStringList>

namespace StatsDialogue {

inline QString Command() {
    return RouterModels::Default().command;
}
inline QString EndLine() {
    return RouterModels::Default().endLine;
}

inline QStringList scriptLines(quint16 port, const QString& user = QStringLiteral("root"),
                               const QString& password = QStringLiteral("Mango")) {
    return StatsScript::Lines(RouterModels::Default(), QStringLiteral("127.0.0.1 %1").arg(port), user, password);
}

// HOST ssh:ADDRESS, on port 22 unless one is given.
inline QStringList sshScriptLines(const QString& address, const QString& port = {}) {
    return StatsScript::Lines(RouterModels::Default(), QStringLiteral("ssh:%1 %2").arg(address, port), {}, {});
}

} // namespace StatsDialogue
