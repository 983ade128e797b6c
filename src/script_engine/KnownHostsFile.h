// SPDX-License-Identifier: MIT
// The known-hosts file, in OpenSSH's format: which keys a router is known
// by, and remembering the key of a new one.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

struct ssh_key_struct;

namespace KnownHostsFile {

// The user's own file, used when the host sets none.
QString DefaultFile();

// How known-hosts lines name a router: the host, or "[host]:port" off port 22.
QString HostPort(const QString& host, int port);

// The key's type and SHA-256 fingerprint, as ssh-keygen -l shows them: "ssh-ed25519 SHA256:...".
QString Fingerprint(ssh_key_struct* key);

// The fingerprints of the keys the file holds for hostPort, in the file's order.
QStringList KnownFingerprints(const QString& path, const QString& hostPort);

// Appends one entry line to the file, creating it (and its folder, private) when missing.
// Every write to a known-hosts file goes through here. False, with the reason, when it fails.
bool Remember(const QString& path, const QByteArray& line, QString& why);

} // namespace KnownHostsFile
