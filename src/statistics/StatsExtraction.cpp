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

// An empty text has no lines at all, not one empty line.
QStringList splitLines(const QString& text) {
    return text.isEmpty() ? QStringList() : text.split(CRLF);
}

} // namespace

ConversationTable ParseConversation(const QStringList& conversation) {
    ConversationTable table(conversation.size());
    const QString separator(TarnText::Separator);
    for (qsizetype i = 0; i < conversation.size(); ++i) {
        const QString& entry = conversation.at(i);
        if (!entry.contains(TarnText::Separator))
            continue;
        table[i].Command = modMisc::GetField(entry, separator, 1);
        table[i].Lines = splitLines(modMisc::GetField(entry, separator, 2));
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
    if (number > MarginLimit && std::isfinite(number))
        value = QString::number(number - MarginWrap, 'f', QLocale::FloatingPointShortest);
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
