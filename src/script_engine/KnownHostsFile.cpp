// SPDX-License-Identifier: MIT
#include "KnownHostsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <libssh/libssh.h>

namespace {

// Far above any real file; a larger one is not read whole into memory.
constexpr qint64 MaxFileSize = 4 * 1024 * 1024;

} // namespace

namespace KnownHostsFile {

QString DefaultFile() {
    return QDir::homePath() + QStringLiteral("/.ssh/known_hosts");
}

// The same form libssh looks entries up by, host names in lower case.
QString HostPort(const QString& host, int port) {
    const QString name = host.toLower();
    return port == 22 ? name : QStringLiteral("[%1]:%2").arg(name).arg(port);
}

QString Fingerprint(ssh_key_struct* key) {
    unsigned char* hash = nullptr;
    size_t length = 0;
    if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length) != SSH_OK)
        return QStringLiteral("(no fingerprint)");
    char* text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length);
    ssh_clean_pubkey_hash(&hash);
    const QString fingerprint = QString::fromLatin1(ssh_key_type_to_char(ssh_key_type(key))) + u' ' +
                                QString::fromLatin1(text ? text : "(no fingerprint)");
    ssh_string_free_char(text);
    return fingerprint;
}

QStringList KnownFingerprints(const QString& path, const QString& hostPort) {
    QFile file(path);
    if (file.size() > MaxFileSize || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray host = hostPort.toUtf8();
    QStringList fingerprints;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        // Comments, blank lines and marked lines (certificate authorities, revoked keys) name no host's own key.
        if (line.isEmpty() || line.startsWith('#') || line.startsWith('@'))
            continue;
        ssh_knownhosts_entry* entry = nullptr;
        if (ssh_known_hosts_parse_line(host.constData(), line.constData(), &entry) == SSH_OK && entry)
            fingerprints << Fingerprint(entry->publickey);
        ssh_knownhosts_entry_free(entry);
    }
    return fingerprints;
}

bool Remember(const QString& path, const QByteArray& line, QString& why) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir(folder).exists()) {
        if (!QDir().mkpath(folder)) {
            why = QStringLiteral("cannot create the folder %1").arg(folder);
            return false;
        }
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append, QFile::ReadOwner | QFile::WriteOwner)) {
        why = file.errorString();
        return false;
    }
    if (file.write(line) != line.size() || !file.flush()) {
        why = file.errorString();
        return false;
    }
    return true;
}

} // namespace KnownHostsFile
