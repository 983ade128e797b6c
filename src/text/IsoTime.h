// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QString>

namespace modMisc {

// "2026-12-08T14:05:00+01:00": ISO 8601 with the offset always written, also
// for UTC (Qt leaves it off local times and writes "Z" for UTC), so that
// scripts and brokers read every time the same way.
QString IsoTime(const QDateTime& time);

} // namespace modMisc
