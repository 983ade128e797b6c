// SPDX-License-Identifier: MIT
// Socket bytes -> text: one character per byte, lossless for 0..255.
#pragma once

#include <QByteArray>
#include <QString>

namespace Latin1 {

inline QString toText(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}

} // namespace Latin1
