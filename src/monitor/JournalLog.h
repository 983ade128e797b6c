// SPDX-License-Identifier: MIT
// Standard error as the systemd journal reads a service's: no time stamp of
// the program's own, as the journal keeps one, and every line opening with its
// priority as "<N>", so that journalctl -p warning finds the problems.
#pragma once

#include <QString>

namespace JournalLog {

// Syslog's levels, as the journal takes them.
enum class Priority { Error = 3, Warning = 4, Notice = 5, Info = 6, Debug = 7 };

// Writes the text, each of its lines with the priority, in one write.
void Write(Priority priority, const QString& text);

// Qt's own messages (qWarning and the like) take the same way, with their priority.
void Install();

} // namespace JournalLog
