// SPDX-License-Identifier: MIT
// Text operations of the script engine that need no connection.
#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace TarnText {

inline constexpr QChar Separator = QChar(0x00A4); // "¤" between a command and its answer

// What a quoted argument turns into another text: "\n" (either case) into
// CR LF, and \" into a double quote.
inline const QString LineBreakEscape = QStringLiteral("\\n");
inline const QString QuoteEscape = QStringLiteral("\\\"");

// Tabs become spaces, then leading and trailing spaces go.
QString CleanLine(QStringView line);

// The text between the line's first and last double quote, with "\n" (either
// case) turned into CR LF and then \" into ". Empty when the line has no
// quote; throws TarnError when it has exactly one.
QString GetQuotedArgument(QStringView line);

// Every CR LF pair removed.
QString RemoveLineBreaks(QStringView text);

// CR LF pairs removed from both ends, repeatedly: a view into the text.
QStringView StripLineBreaks(QStringView text);

// "mm:ss:fff" for an elapsed time: minutes and seconds of the clock (hours
// dropped), then the milliseconds rounded, at least three digits.
QString FormatElapsed(double seconds);

} // namespace TarnText

namespace TarnText {

// Where a "227" reply tells the client to open its data connection.
struct PassiveAddress {
    QString host; // h1.h2.h3.h4
    int port;     // p1 x 256 + p2
};

// Reads "(h1,h2,h3,h4,p1,p2)" from a passive-mode reply. Empty unless the
// parentheses hold exactly six whole numbers from 0 to 255.
std::optional<PassiveAddress> ParsePassiveReply(QStringView reply);

} // namespace TarnText
