// SPDX-License-Identifier: MIT
#include "TarnText.h"

#include "TarnError.h"
#include "text/modMisc.h"

#include <QStringList>
#include <cmath>

using modMisc::CRLF;

namespace TarnText {

QString CleanLine(QStringView line) {
    QString text = line.toString();
    text.replace(u'\t', u' ');
    return modMisc::TrimSpaces(text);
}

QString GetQuotedArgument(QStringView line) {
    const qsizetype first = line.indexOf(u'"');
    if (first < 0)
        return {};
    const qsizetype last = line.lastIndexOf(u'"');
    if (last == first)
        throw TarnError{TarnErrors::InvalidArgument,
                        QStringLiteral("Invalid argument: a quoted text needs an opening and a closing double quote")};
    QString argument = line.mid(first + 1, last - first - 1).toString();
    argument.replace(LineBreakEscape, CRLF, Qt::CaseInsensitive);
    argument.replace(QuoteEscape, QStringLiteral("\""));
    return argument;
}

QString RemoveLineBreaks(QStringView text) {
    return text.toString().remove(CRLF);
}

QStringView StripLineBreaks(QStringView text) {
    while (text.startsWith(CRLF))
        text = text.mid(2);
    while (text.endsWith(CRLF))
        text.chop(2);
    return text;
}

QString FormatElapsed(double seconds) {
    if (!(seconds > 0))
        seconds = 0;
    const double whole = std::floor(seconds);
    const double milliseconds = modMisc::RoundHalfEven((seconds - whole) * 1000);
    const qint64 clock = qint64(std::fmod(whole, 3600.0)); // the hours are dropped
    return QStringLiteral("%1:%2:%3")
        .arg(clock / 60, 2, 10, QLatin1Char('0'))
        .arg(clock % 60, 2, 10, QLatin1Char('0'))
        .arg(qint64(milliseconds), 3, 10, QLatin1Char('0'));
}

} // namespace TarnText

namespace TarnText {

std::optional<PassiveAddress> ParsePassiveReply(QStringView reply) {
    const QString text = RemoveLineBreaks(reply);
    const qsizetype open = text.indexOf(u'(');
    const qsizetype close = text.indexOf(u')', open + 1);
    if (open < 0 || close < 0)
        return std::nullopt;
    const QStringList fields = text.mid(open + 1, close - open - 1).split(u',');
    if (fields.size() != 6)
        return std::nullopt;
    int bytes[6];
    for (int k = 0; k < 6; ++k) {
        const QString field = fields[k].trimmed();
        bool ok = false;
        bytes[k] = field.toInt(&ok);
        if (!ok || field.isEmpty() || !field.front().isDigit() || bytes[k] > 255)
            return std::nullopt;
    }
    return PassiveAddress{QStringLiteral("%1.%2.%3.%4").arg(bytes[0]).arg(bytes[1]).arg(bytes[2]).arg(bytes[3]),
                          bytes[4] * 256 + bytes[5]};
}

} // namespace TarnText
