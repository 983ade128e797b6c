// SPDX-License-Identifier: MIT
// The settings-file and folder helpers of modMisc. The profile file is read and
// written in place: section and key names compare ignoring case, every other
// line (comments, other keys, other sections) is kept as it stands. Text is in
// the local 8-bit encoding; CR, LF and CR LF all end a line when reading, and
// lines are written with CR LF. A file that exists but cannot be read (no
// permission, not a regular file, not the program's own: see OwnFile) is
// never replaced.
#pragma once

#include "text/AppFolder.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

namespace modMisc {

// Readable and writable by its owner alone: the file holds the router password.
inline constexpr unsigned PrivateMode = 0600;

// Longest value ReadIniValue hands back.
inline constexpr qsizetype MaxIniValueLength = 254;

// Keys and their values, in the order they are written.
using IniEntries = QList<std::pair<QString, QString>>;

// The value of key in section of the file at path, blanks around it removed,
// then one pair of double quotes around it, cut to MaxIniValueLength
// characters. Empty when the file, the section or the key is missing.
QString ReadIniValue(const QString& section, const QString& key, const QString& path);

// ReadIniValue for several keys of one section, from one reading of the file.
// Nothing when the file exists but cannot be read as a profile file: no read
// permission, or not a regular file (a FIFO or a device, which could block the
// reader or never end).
std::optional<QStringList> ReadIniValues(const QString& section, const QStringList& keys, const QString& path);

// Writes key = value into section, replacing the key's first line where it
// exists, else adding it at the end of the section; the file and the section
// are created as needed. Line breaks in the value become blanks so that a value
// cannot add lines of its own; a value with blanks at either end (or quotes
// around it) is written in double quotes, so that it reads back as it was.
// Non-zero on success.
qint16 WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& path);

// WriteIniValue for several keys of one section, all in one replacement of the
// file: either every key is written or the old file stays as it was (a full
// disk, a file that could not be read). An existing file keeps its owner and
// group, the user's own link stays a link; when its folder allows no new file
// the file is rewritten in place. On POSIX
// the file is left readable and writable by its owner only, as it holds the
// router password. Non-zero on success.
qint16 WriteIniValues(const QString& section, const IniEntries& entries, const QString& path);

// Leaves an existing file readable and writable by its owner only (POSIX).
void KeepPrivate(const QString& path);

} // namespace modMisc
