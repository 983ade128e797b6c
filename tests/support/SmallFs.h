// SPDX-License-Identifier: MIT
// A small filesystem of its own, mounted over a temporary folder, to be filled up.
#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

// Mounting needs root: elsewhere `mounted` is false and the test skips.
struct SmallFs {
    QTemporaryDir dir;
    const bool mounted =
        ::geteuid() == 0 && ::mount("tmpfs", QFile::encodeName(dir.path()), "tmpfs", 0, "size=64k") == 0;
    ~SmallFs() {
        if (mounted)
            ::umount2(QFile::encodeName(dir.path()), MNT_DETACH);
    }
    // Fills it until exactly `bytes` stay free.
    void leaveFree(qint64 bytes) {
        struct statvfs fs {};
        QCOMPARE(::statvfs(QFile::encodeName(dir.path()), &fs), 0);
        QFile filler(dir.filePath("filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const qint64 fill = qint64(fs.f_bavail * fs.f_bsize) - bytes;
        QCOMPARE(filler.write(QByteArray(fill, 'f')), fill);
    }
};
