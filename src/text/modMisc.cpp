// SPDX-License-Identifier: MIT
#include "modMisc.h"

#include <cmath>
#include <limits>

namespace modMisc {

namespace {

bool isSkipped(QChar c) {
    return c == u' ' || c == u'\t' || c == LF;
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Walks the text while skipping blanks, tabs and line feeds wherever they stand.
class NumberReader {
public:
    explicit NumberReader(QStringView text) : m_text(text) {}

    QChar peek() {
        while (m_pos < m_text.size() && isSkipped(m_text[m_pos]))
            ++m_pos;
        return m_pos < m_text.size() ? m_text[m_pos] : QChar();
    }
    void take(QString& out) { out.append(m_text[m_pos++]); }
    qsizetype position() const { return m_pos; }
    void rewind(qsizetype pos) { m_pos = pos; }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace

double LeadingNumber(QStringView text) {
    NumberReader reader(text);
    QString number;
    if (QChar c = reader.peek(); c == u'+' || c == u'-')
        reader.take(number);
    bool digits = false;
    bool point = false;
    for (QChar c = reader.peek(); isDigit(c) || (c == u'.' && !point); c = reader.peek()) {
        digits = digits || isDigit(c);
        point = point || c == u'.';
        reader.take(number);
    }
    if (!digits)
        return 0.0;
    // An exponent counts only when digits follow it; otherwise reading stops before the "e".
    if (QChar c = reader.peek(); c == u'e' || c == u'E') {
        const qsizetype mark = reader.position();
        QString exponent;
        reader.take(exponent);
        if (QChar s = reader.peek(); s == u'+' || s == u'-')
            reader.take(exponent);
        if (isDigit(reader.peek())) {
            while (isDigit(reader.peek()))
                reader.take(exponent);
            number += exponent;
        } else {
            reader.rewind(mark);
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? value : (number.startsWith(u'-') ? -HUGE_VAL : HUGE_VAL);
}

double RoundHalfEven(double value) {
    return std::nearbyint(value); // the default rounding mode is to nearest, ties to even
}

std::optional<qint32> WholeNumber(double value) {
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= std::numeric_limits<qint32>::min() && rounded <= std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return static_cast<qint32>(rounded);
}

std::optional<qint32> WholeNumber(QStringView text) {
    return WholeNumber(LeadingNumber(text));
}

qsizetype CountOccurrences(QStringView text, QStringView part) {
    if (part.isEmpty())
        return 0;
    qsizetype count = 0;
    for (qsizetype p = text.indexOf(part); p >= 0; p = text.indexOf(part, p + 1))
        ++count;
    return count;
}

QString GetField(QStringView text, QStringView delimiter, qsizetype n) {
    if (n < 1)
        return {};
    if (delimiter.isEmpty())
        return n == 1 ? text.toString() : QString();
    qsizetype start = 0;
    for (qsizetype field = 1; field < n; ++field) {
        const qsizetype hit = text.indexOf(delimiter, start);
        if (hit < 0)
            return {}; // fewer than n - 1 delimiters
        start = hit + delimiter.size();
    }
    const qsizetype end = text.indexOf(delimiter, start);
    return text.mid(start, end < 0 ? -1 : end - start).toString();
}

QStringList SplitLines(QStringView text) {
    QStringList lines;
    if (text.isEmpty())
        return lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != CR && text[i] != LF)
            continue;
        lines.append(text.sliced(start, i - start).toString());
        if (text[i] == CR && i + 1 < text.size() && text[i + 1] == LF)
            ++i;
        start = i + 1;
    }
    lines.append(text.sliced(start).toString());
    return lines;
}

QString ExpandTabs(QStringView line) {
    constexpr qsizetype TabColumns = 8;
    QString expanded;
    expanded.reserve(line.size());
    for (const QChar c : line) {
        if (c == u'\t')
            expanded.append(QString(TabColumns - expanded.size() % TabColumns, u' '));
        else
            expanded.append(c);
    }
    return expanded;
}

void AppendLine(QString& buffer, QStringView line) {
    if (!buffer.isEmpty())
        buffer += CRLF;
    buffer += line;
}

QString TrimSpaces(QStringView text) {
    return SpacesTrimmed(text).toString();
}

QStringView SpacesTrimmed(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

} // namespace modMisc
