// SPDX-License-Identifier: MIT
// The router's side of the statistics dialogue, byte for byte as the real
// router sends it; router-sim must send the same. The statistics command and
// the line that ends its answer are the default router model's.
#pragma once

#include "statistics/RouterModels.h"

#include <QByteArray>

namespace RouterDialogue {

inline const QByteArray Negotiation = QByteArray::fromHex("fffd01fffd1ffffb01fffb03");
inline const QByteArray LoginPrompt = "\r\r\nrouter login: ";
inline const QByteArray Prompt = "/var # \x1b[6n";
inline QByteArray StatsCommand() {
    return RouterModels::Default().command.toLatin1();
}
inline QByteArray NoWhereLine() {
    return RouterModels::Default().endLine.toLatin1() + "\r\n";
}
// The sample statistics as a terminal shows them: tabs expanded to columns of eight.
inline const QByteArray RatesLine = "        US Connection Rate:     800     DS Connection Rate:     8000\r\n";

} // namespace RouterDialogue
