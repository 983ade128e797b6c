// SPDX-License-Identifier: MIT
// The three pictures (normal, UP, DOWN) as the window and the tray use them.
#pragma once

#include <QIcon>
#include <QString>

#include "notify/NotifyText.h"
#include "reachability/PingWindow.h"

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

// imgNormal, imgUP and imgDOWN: hidden holders whose pictures become the window's and the tray's icon.
struct IconSet {
    QIcon imgNormal = Icons::load(NotifyText::NormalIcon);
    QIcon imgUP = Icons::load(NotifyText::UpIcon);
    QIcon imgDOWN = Icons::load(NotifyText::DownIcon);

    const QIcon& of(PingIcon icon) const {
        return icon == PingIcon::Up ? imgUP : icon == PingIcon::Down ? imgDOWN : imgNormal;
    }
};
