// SPDX-License-Identifier: MIT
// The known-hosts file, in OpenSSH's format: which keys a router is known
// by, and remembering the key of a new one. It is one of the program's own
// files: read and written only here, through OwnFile, never by libssh, so
// that a link or a FIFO planted at its name can neither be followed nor hold
// the connection.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

struct ssh_key_struct;

namespace KnownHostsFile {

// The user's own file, used when the host sets none.
QString DefaultFile();

// How known-hosts lines name a router: the host, or "[host]:port" off port 22.
QString HostPort(const QString& host, int port);

// The key's type and SHA-256 fingerprint, as ssh-keygen -l shows them: "ssh-ed25519 SHA256:...".
QString Fingerprint(ssh_key_struct* key);

// The key's type and its public half in base64, as a known-hosts line gives them.
QByteArray PublicKey(ssh_key_struct* key);

// One key the file holds for a router.
struct KnownKey {
    QByteArray publicKey; // as PublicKey gives it
    QString fingerprint;  // as Fingerprint gives it
    QString algorithms;   // the host-key algorithms that show this key, for the key exchange to ask for first
};

// The keys the file holds for hostPort, in the file's order; none when there is
// no file. Nothing, with the reason, when it exists but cannot be read as the
// program's own file.
std::optional<QList<KnownKey>> KnownKeys(const QString& path, const QString& hostPort, QString& why);

// Appends one entry line to the file, creating it (and its folder, private) when missing.
// Every write to a known-hosts file goes through here. False, with the reason, when it fails.
bool Remember(const QString& path, const QByteArray& line, QString& why);

} // namespace KnownHostsFile
