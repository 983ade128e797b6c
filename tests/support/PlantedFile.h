// SPDX-License-Identifier: MIT
// What another user who can write the program's folder may leave at one of
// its files' names: a link or a second hard name, of nobody or root, to a file
// of nobody or root elsewhere whose bytes and mode a test checks afterwards.
// Giving files away needs root: `made` is false elsewhere.
#pragma once

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
    bool made = false;

    PlantedFile(Kind planted, const QString& path) : kind(planted) {
        const QByteArray at = QFile::encodeName(path), to = QFile::encodeName(target);
        const uid_t linkOwner = kind == LinkOfNobodyToNobody || kind == LinkOfNobodyToRoot ? Nobody : 0;
        const uid_t targetOwner = kind == LinkOfNobodyToRoot || kind == OwnLink ? 0 : Nobody;
        QFile file(target);
        made = ::geteuid() == 0 && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
               ::chmod(to, 0644) == 0 && ::chown(to, targetOwner, targetOwner) == 0 &&
               (kind == SecondNameOfNobodys ? ::link(to, at) == 0
                                            : ::symlink(to, at) == 0 && ::lchown(at, linkOwner, linkOwner) == 0);
    }
    // Only the user's own link to the user's own file is for the program to use.
    bool followed() const { return kind == OwnLink; }
    bool targetUnchanged() const {
        QFile file(target);
        struct stat info {};
        return file.open(QIODevice::ReadOnly) && file.readAll() == bytes &&
               ::stat(QFile::encodeName(target), &info) == 0 && (info.st_mode & 07777) == 0644;
    }
};
