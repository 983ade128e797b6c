// SPDX-License-Identifier: MIT
// A file's bytes in one call: what a test plants for the program, and what it
// reads back of what the program wrote.
#pragma once

#include <QFile>

// The whole file; empty when it cannot be read.
inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file made of these bytes (or, with QIODevice::Append, ending in them); false when it could not be.
inline bool writeFile(const QString& path, const QByteArray& bytes,
                      QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Truncate) {
    QFile file(path);
    return file.open(mode) && file.write(bytes) == bytes.size();
}
