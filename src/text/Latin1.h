// SPDX-License-Identifier: MIT
// Socket bytes <-> text: one character per byte both ways, lossless for 0..255.
#pragma once

#include <QByteArray>
#include <QString>

namespace Latin1 {

inline QString toText(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}

// Characters above U+00FF have no byte; they go out as "?".
inline QByteArray toBytes(const QString& text) {
    return text.toLatin1();
}

} // namespace Latin1
