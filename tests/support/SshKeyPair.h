// SPDX-License-Identifier: MIT
// A key pair of the test's own, made with libssh: the private half in
// OpenSSH's format for the engine, the public half as an authorized_keys
// file for the router.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#include "script_engine/KnownHostsFile.h"

#include <libssh/libssh.h>

struct SshKeyPair {
    QString privateFile;
    QString authorizedKeys;
    QByteArray publicKey; // as known-hosts lines give it: type, blank, base64
    QString fingerprint;

    // Writes both files into folder; false when libssh or the folder failed.
    bool make(const QString& folder) {
        privateFile = QDir(folder).filePath(QStringLiteral("id_ed25519"));
        authorizedKeys = QDir(folder).filePath(QStringLiteral("authorized_keys"));
        ssh_key key = nullptr;
        if (ssh_pki_generate(SSH_KEYTYPE_ED25519, 0, &key) != SSH_OK)
            return false;
        const bool exported = ssh_pki_export_privkey_file(key, nullptr, nullptr, nullptr,
                                                          QFile::encodeName(privateFile).constData()) == SSH_OK;
        publicKey = KnownHostsFile::PublicKey(key);
        fingerprint = KnownHostsFile::Fingerprint(key);
        ssh_key_free(key);
        QFile keys(authorizedKeys);
        return exported && !publicKey.isEmpty() && keys.open(QIODevice::WriteOnly) &&
               keys.write(publicKey + '\n') == publicKey.size() + 1;
    }
};
