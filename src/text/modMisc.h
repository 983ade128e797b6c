// SPDX-License-Identifier: MIT
// Shared text helpers. Field numbers and positions that mirror the program's
// own rules count from 1; everything else in C++ stays 0-based.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

namespace modMisc {

inline constexpr QChar CR = u'\r';
inline constexpr QChar LF = u'\n';
inline const QString CRLF = QStringLiteral("\r\n");

// The leading-number value of a text: blanks, tabs and line feeds are skipped
// wherever they stand; then an optional sign, digits with at most one decimal
// point (always "."), and an optional exponent. No leading number gives 0.
double LeadingNumber(QStringView text);

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double RoundHalfEven(double value);

// The whole-number value of a number as a signed 32-bit integer; empty when it
// does not fit (an overflow for the caller to report).
std::optional<qint32> WholeNumber(double value);

// The whole-number value of a text's leading number.
std::optional<qint32> WholeNumber(QStringView text);

// Occurrences of part in text, searched exactly; after a hit at p the search
// goes on from p + 1, so overlapping hits count. An empty part occurs 0 times.
qsizetype CountOccurrences(QStringView text, QStringView part);

// Field n (from 1) of text split at delimiter, matched exactly. Empty when the
// text holds fewer than n - 1 delimiters; consecutive delimiters enclose an
// empty field.
QString GetField(QStringView text, QStringView delimiter, qsizetype n);

// The lines of a text from a router or a file: CR LF, CR and LF each end
// one, mixed as they come. An empty text has no lines; a text that ends in a
// line break has an empty last line.
QStringList SplitLines(QStringView text);

// The line as a terminal shows it: each TAB becomes blanks up to the next
// column of eight.
QString ExpandTabs(QStringView line);

// An empty buffer becomes the line; otherwise buffer + CR LF + line.
void AppendLine(QString& buffer, QStringView line);

// The text without leading and trailing space characters (tabs stay).
QString TrimSpaces(QStringView text);
// The same as a view into the text, for texts too long to copy.
QStringView SpacesTrimmed(QStringView text);

} // namespace modMisc
