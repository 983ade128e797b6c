// SPDX-License-Identifier: MIT
// Showing received text, which may hold any byte, on one line or a terminal.
#pragma once

#include <QString>
#include <QStringView>

namespace Escape {

// One unambiguous line: CR, LF, tab and backslash as \r \n \t \\, other
// control characters and U+007F to U+00FF as \xHH, except the separator "¤".
QString OneLine(QStringView text);

// Safe for a terminal: line breaks and tabs stay, other control characters
// (which a terminal would act on, such as ESC) become \xHH.
QString ForTerminal(QStringView text);

} // namespace Escape
