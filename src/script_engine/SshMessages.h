// SPDX-License-Identifier: MIT
// What the SSH connection writes to the log, word for word. %1 is always the
// router as known-hosts files name it: the address, or "[address]:port" when
// the port is not 22.
#pragma once

#include <QString>

namespace SshMessages {
inline const QString NewHostKey = QStringLiteral("New SSH host key for %1: %2. Remembered in %3.");
// A key that cannot be remembered would be taken as new at every connection, a changed one too.
inline const QString NewHostKeyNotRemembered =
    QStringLiteral("New SSH host key for %1: %2. Connection refused: it cannot be remembered in %3 (%4).");
inline const QString UnknownHostKey =
    QStringLiteral("Unknown SSH host key for %1: %2. Connection refused: new host keys are not accepted.");
inline const QString ChangedHostKey = QStringLiteral(
    "SSH HOST KEY CHANGED for %1: %3 holds %2, the router offered %4. Connection refused: someone may be "
    "impersonating the router. If the router itself was reset or replaced, delete the line for %1 from %3.");
inline const QString HostKeyUnchecked =
    QStringLiteral("SSH host key for %1 (%2) cannot be checked against %3: %4. Connection refused.");
inline const QString LoginRefused = QStringLiteral("SSH login refused for user \"%1\" at %2 (tried: %3).");
inline const QString NothingToOffer = QStringLiteral("nothing - no password or key is set that it accepts");
inline const QString KeyFileUnusable =
    QStringLiteral("SSH key file %1 cannot be used: it is missing, not a private key, or protected by a passphrase "
                   "(give such a key to ssh-agent instead).");
inline const QString HandshakeFailed = QStringLiteral("SSH connection to %1 failed: %2");
inline const QString ShellRefused = QStringLiteral("SSH shell refused by %1: %2");
inline const QString ConnectionLost = QStringLiteral("SSH connection lost: %1");

// The methods named in LoginRefused.
inline const QString AgentMethod = QStringLiteral("ssh-agent");
inline const QString KeyMethod = QStringLiteral("key file");
inline const QString PasswordMethod = QStringLiteral("password");
} // namespace SshMessages
