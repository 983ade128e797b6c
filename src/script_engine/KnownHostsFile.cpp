// SPDX-License-Identifier: MIT
#include "KnownHostsFile.h"

#include "text/OwnFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <libssh/libssh.h>

#include <sys/stat.h>

namespace {

// Far above any real file; a larger one is not read whole into memory.
constexpr qint64 MaxFileSize = 4 * 1024 * 1024;
// Private: the file tells which routers the user reaches.
constexpr unsigned FileMode = 0600;

// An RSA key signs with SHA-2 today, with SHA-1 on old routers.
QString algorithmsOf(ssh_key key) {
    const ssh_keytypes_e type = ssh_key_type(key);
    if (type == SSH_KEYTYPE_RSA)
        return QStringLiteral("rsa-sha2-512,rsa-sha2-256,ssh-rsa");
    return QString::fromLatin1(ssh_key_type_to_char(type));
}

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

QByteArray PublicKey(ssh_key_struct* key) {
    char* base64 = nullptr;
    if (ssh_pki_export_pubkey_base64(key, &base64) != SSH_OK)
        return {};
    const QByteArray publicKey = QByteArray(ssh_key_type_to_char(ssh_key_type(key))) + ' ' + base64;
    ssh_string_free_char(base64);
    return publicKey;
}

std::optional<QList<KnownKey>> KnownKeys(const QString& path, const QString& hostPort, QString& why) {
    OwnFile file(path, OwnFile::Access::Read);
    if (file.state() == OwnFile::State::Missing)
        return QList<KnownKey>{};
    struct stat info {};
    if (file.isOpen() && ::fstat(file.handle(), &info) == 0 && info.st_size > MaxFileSize) {
        why = QStringLiteral("larger than %1 MiB").arg(MaxFileSize >> 20);
        return std::nullopt;
    }
    const std::optional<QByteArray> content = file.readAll();
    if (!content) {
        why = file.errorString();
        return std::nullopt;
    }
    const QByteArray host = hostPort.toUtf8();
    QList<KnownKey> keys;
    for (const QByteArray& raw : content->split('\n')) {
        const QByteArray line = raw.trimmed();
        // Comments, blank lines and marked lines (certificate authorities, revoked keys) name no host's own key.
        if (line.isEmpty() || line.startsWith('#') || line.startsWith('@'))
            continue;
        ssh_knownhosts_entry* entry = nullptr;
        if (ssh_known_hosts_parse_line(host.constData(), line.constData(), &entry) == SSH_OK && entry)
            keys.append({PublicKey(entry->publickey), Fingerprint(entry->publickey), algorithmsOf(entry->publickey)});
        ssh_knownhosts_entry_free(entry);
    }
    return keys;
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
    OwnFile current(path, OwnFile::Access::Read);
    if (!current.isOpen() && current.state() != OwnFile::State::Missing) {
        why = current.errorString();
        return false;
    }
    // A last line the user left without its line break must not take the new entry in.
    const std::optional<QByteArray> before = current.readAll();
    const QByteArray entry = before && !before->isEmpty() && !before->endsWith('\n') ? '\n' + line : line;
    OwnFile file(path, OwnFile::Access::Append, FileMode);
    if (!file.append(entry)) {
        why = file.errorString();
        return false;
    }
    return true;
}

} // namespace KnownHostsFile
