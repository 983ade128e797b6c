// SPDX-License-Identifier: MIT
#include "Escape.h"

namespace Escape {

namespace {

QString hex(QChar c) {
    return QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
}

bool isControl(char16_t u) {
    return u < 0x20 || (u >= 0x7F && u < 0xA0);
}

} // namespace

QString OneLine(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\r')
            out += QStringLiteral("\\r");
        else if (u == u'\n')
            out += QStringLiteral("\\n");
        else if (u == u'\t')
            out += QStringLiteral("\\t");
        else if (u == u'\\')
            out += QStringLiteral("\\\\");
        else if (isControl(u) || (u >= 0xA0 && u <= 0xFF && u != 0xA4))
            out += hex(c);
        else
            out += c;
    }
    return out;
}

QString ForTerminal(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (isControl(u) && u != u'\r' && u != u'\n' && u != u'\t')
            out += hex(c);
        else
            out += c;
    }
    return out;
}

} // namespace Escape
