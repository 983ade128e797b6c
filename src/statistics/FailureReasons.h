// SPDX-License-Identifier: MIT
// Why a collection left no record, in the plain words that line-warden.log,
// the output box and everything listening to the collector show.
#pragma once

#include <QString>

namespace FailureReason {

inline const QString Refused = QStringLiteral("connection refused");
inline const QString NoRoute = QStringLiteral("no route to the router");
inline const QString Lost = QStringLiteral("connection lost mid-answer");
inline const QString LoginRefused = QStringLiteral("login refused");
inline const QString TimeLimit = QStringLiteral("no answer within the time limit");
inline const QString TooLong = QStringLiteral("answer too long");
// Over SSH: a router whose host key is not known and cannot be learnt, or one
// whose key is not the key remembered for it.
inline const QString HostKeyUnknown = QStringLiteral("router's SSH host key unknown");
inline const QString HostKeyChanged = QStringLiteral("router's SSH host key changed");
// The control stopped the script itself: in the statistics script only HOST can
// fail that way, on an address or port it cannot use.
inline const QString BadAddress = QStringLiteral("router address not usable");

} // namespace FailureReason
