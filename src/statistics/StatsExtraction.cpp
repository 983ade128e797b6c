// SPDX-License-Identifier: MIT
#include "StatsExtraction.h"

#include "StatsText.h"
#include "script_engine/TarnText.h"
#include "text/modMisc.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

using modMisc::CRLF;

namespace StatsExtraction {

namespace {

constexpr double MarginLimit = 100;
constexpr double MarginWrap = 2147483648.0; // 2^31

// Digits after the point in the shortest form of a number.
int decimalsOf(double number) {
    const QString shortest = QString::number(number, 'f', QLocale::FloatingPointShortest);
    const qsizetype point = shortest.indexOf(u'.');
    return point < 0 ? 0 : int(shortest.size() - point - 1);
}

// A number written without exponent, trailing zeros or a lone point.
QString plainNumber(double number, int decimals) {
    QString text = QString::number(number, 'f', decimals);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text == u"-0" ? QStringLiteral("0") : text;
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// The number as printed, or scaled by the factor of the unit after it: the
// product keeps the decimals of both, so that 51.392 Mb/s is 51392, not 51391.99….
QString converted(QStringView number, QStringView after, const ValueRule& rule) {
    if (rule.units.isEmpty())
        return number.toString();
    qsizetype begin = 0;
    while (begin < after.size() && isBlank(after[begin]))
        ++begin;
    qsizetype end = begin;
    while (end < after.size() && !isBlank(after[end]) && after[end] != u',' && after[end] != u';')
        ++end;
    const QStringView unit = after.sliced(begin, end - begin);
    for (const ValueRule::Unit& known : rule.units) {
        if (unit != known.name)
            continue;
        const double value = number.toDouble() * known.factor.toDouble();
        return plainNumber(value, decimalsOf(number.toDouble()) + decimalsOf(known.factor.toDouble()));
    }
    // A unit the model does not know gives no value rather than a wrong one.
    return {};
}

// A letter, a digit, or a point between them continues a word.
bool gluedAt(QStringView text, qsizetype at) {
    if (at >= text.size())
        return false;
    return text[at].isLetterOrNumber() || (text[at] == u'.' && at + 1 < text.size() && text[at + 1].isLetterOrNumber());
}

// The count-th number in text: digits, perhaps with a sign and a point, that
// stand as a word of their own ("G.993.2", "0x801" and "17a" hold none).
QString numberIn(QStringView text, const ValueRule& rule) {
    int seen = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const bool startsWord = i == 0 || !(text[i - 1].isLetterOrNumber() || text[i - 1] == u'.');
        const bool startsNumber =
            isAsciiDigit(text[i]) || (text[i] == u'-' && i + 1 < text.size() && isAsciiDigit(text[i + 1]));
        if (!startsWord || !startsNumber) {
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < text.size() && isAsciiDigit(text[end]))
            ++end;
        if (end + 1 < text.size() && text[end] == u'.' && isAsciiDigit(text[end + 1])) {
            end += 2;
            while (end < text.size() && isAsciiDigit(text[end]))
                ++end;
        }
        const qsizetype numberEnd = end;
        while (gluedAt(text, end))
            ++end;
        if (end == numberEnd && ++seen == rule.count)
            return converted(text.sliced(i, end - i), text.sliced(end), rule);
        i = end;
    }
    return {};
}

} // namespace

ConversationTable ParseConversation(const QStringList& conversation) {
    ConversationTable table(conversation.size());
    for (qsizetype i = 0; i < conversation.size(); ++i) {
        const QString& entry = conversation.at(i);
        if (!entry.contains(TarnText::Separator))
            continue;
        // The command ends at the first separator; the answer is all that
        // follows, "¤" bytes from the router included. Routers end lines with
        // CR LF, LF or CR CR LF: the empty lines the last leaves are dropped
        // with the others.
        const qsizetype at = entry.indexOf(TarnText::Separator);
        table[i].Command = entry.first(at);
        table[i].Lines = modMisc::SplitLines(QStringView(entry).sliced(at + 1));
    }
    return table;
}

QString GetCommandOutput(const ConversationTable& table, QStringView command, QStringView prompt) {
    for (const ConversationEntry& entry : table) {
        if (!entry.Command.contains(command, Qt::CaseInsensitive))
            continue;
        // The blank after the prompt stays; it is harmless to every lookup.
        QString output = entry.Lines.join(CRLF);
        if (!prompt.isEmpty())
            output.remove(prompt.toString(), Qt::CaseInsensitive);
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

QString FindNumberValue(const QStringList& lines, const ValueRule& rule) {
    for (const QString& line : lines) {
        qsizetype begin = 0;
        while (begin < line.size() && isBlank(line[begin]))
            ++begin;
        const QStringView text = QStringView(line).sliced(begin);
        for (const QString& label : rule.labels) {
            // Only the first line with a label counts, as with FindStatValue.
            if (text.startsWith(label, Qt::CaseInsensitive))
                return numberIn(text.sliced(label.size()), rule);
        }
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
    if (number > MarginLimit && std::isfinite(number))
        value = plainNumber(number - MarginWrap, decimalsOf(number));
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

LineStats ReadLineStats(const ConversationTable& table, const RouterModel& model, bool overSsh) {
    QString output = GetCommandOutput(table, model.command, model.outputPrompt);
    // The line break before the end line goes too: it ends the last statistics line.
    CutAtMarker(output, CRLF + model.endLine);
    QStringList lines = modMisc::SplitLines(output);
    if (overSsh) {
        for (QString& line : lines)
            line = modMisc::ExpandTabs(line);
    }

    std::array<QString, StatsCsv::StatisticCount> values;
    for (int i = 0; i < StatsCsv::StatisticCount; ++i) {
        const ValueRule& rule = model.values[i];
        values[i] = rule.kind == ValueRule::Kind::Between ? FindStatValue(lines, rule.start, rule.end)
                                                          : FindNumberValue(lines, rule);
    }
    using namespace StatsCsv;
    LineStats stats{values[UpRate],     values[DownRate],      values[DownAttenuation],
                    values[DownMargin], values[UpAttenuation], values[UpMargin]};
    FixMarginValue(stats.DsMargin);
    FixMarginValue(stats.UsMargin);
    return stats;
}

} // namespace StatsExtraction
