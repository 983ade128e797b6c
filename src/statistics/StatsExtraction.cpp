// SPDX-License-Identifier: MIT
#include "StatsExtraction.h"

#include "StatsText.h"
#include "script_engine/TarnText.h"
#include "text/modMisc.h"

#include <QLocale>
#include <cmath>

using modMisc::CRLF;

namespace StatsExtraction {

namespace {

constexpr double MarginLimit = 100;
constexpr double MarginWrap = 2147483648.0; // 2^31

// An empty text has no lines at all, not one empty line. Routers end their
// lines with CR LF, LF, or CR CR LF; any of them, or a mix, ends a line here,
// and the empty lines a CR CR LF leaves go with the other empty lines.
QStringList splitLines(QStringView text) {
    QStringList lines;
    if (text.isEmpty())
        return lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != modMisc::CR && text[i] != modMisc::LF)
            continue;
        lines.append(text.sliced(start, i - start).toString());
        if (text[i] == modMisc::CR && i + 1 < text.size() && text[i + 1] == modMisc::LF)
            ++i;
        start = i + 1;
    }
    lines.append(text.sliced(start).toString());
    return lines;
}

// Digits after the point in the shortest form of a number.
int decimalsOf(double number) {
    const QString shortest = QString::number(number, 'f', QLocale::FloatingPointShortest);
    const qsizetype point = shortest.indexOf(u'.');
    return point < 0 ? 0 : int(shortest.size() - point - 1);
}

} // namespace

ConversationTable ParseConversation(const QStringList& conversation) {
    ConversationTable table(conversation.size());
    for (qsizetype i = 0; i < conversation.size(); ++i) {
        const QString& entry = conversation.at(i);
        if (!entry.contains(TarnText::Separator))
            continue;
        // The command ends at the first separator; the answer is all that
        // follows, "¤" bytes from the router included.
        const qsizetype at = entry.indexOf(TarnText::Separator);
        table[i].Command = entry.first(at);
        table[i].Lines = splitLines(QStringView(entry).sliced(at + 1));
    }
    return table;
}

QString GetCommandOutput(const ConversationTable& table, QStringView command) {
    for (const ConversationEntry& entry : table) {
        if (!entry.Command.contains(command, Qt::CaseInsensitive))
            continue;
        // The blank after the prompt stays; it is harmless to every lookup.
        QString output = entry.Lines.join(CRLF).remove(StatsText::Prompt, Qt::CaseInsensitive);
        return CollapseRepeats(output, CRLF);
    }
    return {};
}

void CutAtMarker(QString& text, QStringView marker) {
    if (marker.isEmpty())
        return;
    if (const qsizetype at = text.indexOf(marker, 0, Qt::CaseInsensitive); at >= 0)
        text.truncate(at);
}

QString FindStatValue(const QStringList& lines, QStringView startKey, QStringView endKey) {
    for (const QString& line : lines) {
        // Only the first line with the key counts, even when nothing can be read from it.
        if (line.contains(startKey, Qt::CaseInsensitive))
            return modMisc::TrimSpaces(ExtractBetween(startKey, endKey, line + StatsText::EndOfLine, 1, false));
    }
    return {};
}

QString ExtractBetween(QStringView startKey, QStringView endKey, QStringView text, qsizetype start,
                       bool caseSensitive) {
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const qsizetype from = std::max<qsizetype>(start, 1) - 1;
    if (from > text.size())
        return {};
    const qsizetype begin = text.indexOf(startKey, from, cs);
    if (begin < 0)
        return {};
    const qsizetype valueStart = begin + startKey.size();
    const qsizetype end = text.indexOf(endKey, valueStart, cs);
    if (end < 0)
        return {};
    return text.mid(valueStart, end - valueStart).toString();
}

void FixMarginValue(QString& value) {
    const double number = modMisc::LeadingNumber(value);
    // A number too large for a double has no plain decimal form; it stays as printed.
    // The difference keeps the decimals the router printed: 2147483658.7 is
    // 10.7, not the 10.699999809265137 that the subtraction leaves.
    if (number > MarginLimit && std::isfinite(number)) {
        value = QString::number(number - MarginWrap, 'f', decimalsOf(number));
        if (value.contains(u'.')) {
            while (value.endsWith(u'0'))
                value.chop(1);
            if (value.endsWith(u'.'))
                value.chop(1);
        }
    }
}

QString CollapseRepeats(QStringView text, QStringView separator) {
    if (separator.isEmpty())
        return text.toString();
    QString result;
    result.reserve(text.size());
    qsizetype done = 0;
    for (qsizetype hit = text.indexOf(separator); hit >= 0; hit = text.indexOf(separator, done)) {
        qsizetype runEnd = hit + separator.size();
        while (text.sliced(runEnd).startsWith(separator))
            runEnd += separator.size();
        result += text.sliced(done, hit - done);
        result += separator;
        done = runEnd;
    }
    result += text.sliced(done);
    return result;
}

LineStats ReadLineStats(const ConversationTable& table) {
    QString output = GetCommandOutput(table, StatsText::StatsCommand);
    // The line break before the end line goes too: it ends the last statistics line.
    CutAtMarker(output, CRLF + StatsText::EndLine);
    const QStringList lines = splitLines(output);

    using namespace StatsText;
    LineStats stats{FindStatValue(lines, UsRateKey, DsRateKey),          FindStatValue(lines, DsRateKey, EndOfLine),
                    FindStatValue(lines, DsAttenuationKey, DsMarginKey), FindStatValue(lines, DsMarginKey, EndOfLine),
                    FindStatValue(lines, UsAttenuationKey, UsMarginKey), FindStatValue(lines, UsMarginKey, EndOfLine)};
    FixMarginValue(stats.DsMargin);
    FixMarginValue(stats.UsMargin);
    return stats;
}

} // namespace StatsExtraction
