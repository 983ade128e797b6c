// SPDX-License-Identifier: MIT
// What another user who can write the program's folder may leave under the
// name of one of its files: a link or a second hard name, owned by nobody or
// root, leading to a file of nobody or of root outside the folder. The target
// holds known bytes and mode, so a test sees that nothing reached it. Giving
// files away needs root: `made` is false elsewhere.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

inline constexpr uid_t Nobody = 65534;

struct PlantedFile {
    enum Kind { LinkOfNobodyToNobody, LinkOfNobodyToRoot, LinkOfRootToNobody, SecondNameOfNobodys, OwnLink };

    const Kind kind;
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(QStringLiteral("passwd"));
    const QByteArray bytes = "root:x:0:0:root:/root:/bin/bash\n";
    static constexpr mode_t Mode = 0644;
    bool made = false;

    PlantedFile(Kind planted, const QString& path) : kind(planted) {
        const QByteArray from = QFile::encodeName(path);
        const QByteArray to = QFile::encodeName(target);
        const uid_t linkOwner = kind == LinkOfNobodyToNobody || kind == LinkOfNobodyToRoot ? Nobody : 0;
        const uid_t targetOwner = kind == LinkOfNobodyToRoot || kind == OwnLink ? 0 : Nobody;
        QFile file(target);
        made = ::geteuid() == 0 && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
               ::chmod(to, Mode) == 0 && ::chown(to, targetOwner, targetOwner) == 0 &&
               (kind == SecondNameOfNobodys ? ::link(to, from) == 0
                                            : ::symlink(to, from) == 0 && ::lchown(from, linkOwner, linkOwner) == 0);
    }

    // Whether the program should have used it: only the user's own link to the user's own file.
    bool followed() const { return kind == OwnLink; }

    bool targetUnchanged() const {
        QFile file(target);
        struct stat info {};
        return file.open(QIODevice::ReadOnly) && file.readAll() == bytes &&
               ::stat(QFile::encodeName(target), &info) == 0 && (info.st_mode & 07777) == Mode;
    }
};
