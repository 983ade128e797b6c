// SPDX-License-Identifier: MIT
// The three pictures (normal, UP, DOWN) as the window and the tray use them.
#pragma once

#include <QIcon>
#include <QString>

namespace Icons {

// The picture from its PNG renderings at 16, 32 and 48 px. Qt's ICO reader
// leaves out the transparency mask of the 32 and 48 px images, the sizes the
// title bar and the tray pick, which would show black corners.
inline QIcon load(const QString& name) {
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/png/%1-%2.png").arg(name).arg(size), QSize(size, size));
    return icon;
}

} // namespace Icons
