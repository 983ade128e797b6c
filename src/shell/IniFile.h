// SPDX-License-Identifier: MIT
// The settings-file and folder helpers of modMisc. The profile file is read and
// written in place: section and key names compare ignoring case, every other
// line (comments, other keys, other sections) is kept as it stands. Text is in
// the local 8-bit encoding with CR LF line ends.
#pragma once

#include "text/AppFolder.h"

#include <QString>

namespace modMisc {

// Longest value ReadIniValue hands back.
inline constexpr qsizetype MaxIniValueLength = 254;

// The value of key in section of the file at path, blanks around it removed,
// cut to MaxIniValueLength characters. Empty when the file, the section or the
// key is missing.
QString ReadIniValue(const QString& section, const QString& key, const QString& path);

// Writes key = value into section, replacing the key's first line where it
// exists, else adding it at the end of the section; the file and the section
// are created as needed. Line breaks in the value become blanks so that a value
// cannot add lines of its own. On POSIX the file is left readable and writable
// by its owner only, as it holds the router password. Non-zero on success.
qint16 WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& path);

} // namespace modMisc
