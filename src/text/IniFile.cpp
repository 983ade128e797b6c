// SPDX-License-Identifier: MIT
#include "IniFile.h"

#include "text/OwnFile.h"
#include "text/modMisc.h"

#include <QStringConverter>
#include <QStringList>
#include <optional>

namespace modMisc {

namespace {

// The file's lines without their line ends: empty when there is no file,
// nothing when it exists but cannot be read or is not the program's own.
std::optional<QStringList> readLines(const QString& path) {
    OwnFile file(path, OwnFile::Access::Read);
    if (file.state() == OwnFile::State::Missing)
        return QStringList();
    const std::optional<QByteArray> bytes = file.readAll();
    if (!bytes)
        return std::nullopt;
    QStringDecoder decode(QStringConverter::System);
    const QString text = decode(*bytes);
    QStringList lines = SplitLines(text);
    // What follows the last line's end is no line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Views, not copies: a large file is scanned once per key.

bool isComment(QStringView trimmed) {
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

// The section name of a "[name]" line.
std::optional<QStringView> sectionName(QStringView line) {
    const QStringView trimmed = line.trimmed();
    if (!trimmed.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(u']');
    return trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
}

bool isKeyLine(QStringView line, const QString& key) {
    const QStringView trimmed = line.trimmed();
    const qsizetype equals = trimmed.indexOf(u'=');
    return equals > 0 && !isComment(trimmed) && trimmed.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0;
}

// Where a section's lines lie: [first, end), first being its header line.
struct SectionSpan {
    qsizetype header = -1;
    qsizetype end = -1;
};

SectionSpan findSection(const QStringList& lines, const QString& section) {
    SectionSpan span;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = sectionName(lines[i]);
        if (!name)
            continue;
        if (span.header >= 0) {
            span.end = i;
            return span;
        }
        if (name->compare(section, Qt::CaseInsensitive) == 0)
            span.header = i;
    }
    span.end = lines.size();
    return span;
}

qsizetype findKey(const QStringList& lines, const SectionSpan& span, const QString& key) {
    for (qsizetype i = span.header + 1; i < span.end; ++i) {
        if (isKeyLine(lines[i], key))
            return i;
    }
    return -1;
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

bool isQuoted(const QString& value) {
    return value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"');
}

// The value as it stands in its line: on one line, and quoted where reading
// would otherwise trim blanks or strip quotes from it.
QString lineValue(const QString& value) {
    QString flat = value;
    flat.replace(u'\r', u' ').replace(u'\n', u' ');
    const bool trimmable = !flat.isEmpty() && (isBlank(flat.front()) || isBlank(flat.back()));
    return trimmable || isQuoted(flat) ? u'"' + flat + u'"' : flat;
}

void setKey(QStringList& lines, const QString& section, const QString& key, const QString& value) {
    const QString keyLine = key + u'=' + lineValue(value);
    const SectionSpan span = findSection(lines, section);
    if (span.header < 0) {
        lines << u'[' + section + u']' << keyLine;
    } else if (const qsizetype at = findKey(lines, span, key); at >= 0) {
        lines[at] = keyLine;
    } else {
        // After the section's last non-blank line, so blank lines before the next section stay there.
        qsizetype insertAt = span.end;
        while (insertAt > span.header + 1 && lines[insertAt - 1].trimmed().isEmpty())
            --insertAt;
        lines.insert(insertAt, keyLine);
    }
}

bool writeLines(const QString& path, const QStringList& lines) {
    QStringEncoder encode(QStringConverter::System);
    const QByteArray bytes = encode(lines.isEmpty() ? QString() : lines.join(CRLF) + CRLF);
    return OwnFile::Replace(path, bytes, PrivateMode);
}

} // namespace

QString ReadIniValue(const QString& section, const QString& key, const QString& path) {
    return ReadIniValues(section, {key}, path).value_or(QStringList{QString()}).front();
}

std::optional<QStringList> ReadIniValues(const QString& section, const QStringList& keys, const QString& path) {
    const auto lines = readLines(path);
    if (!lines)
        return std::nullopt;
    const SectionSpan span = findSection(*lines, section);
    QStringList values;
    for (const QString& key : keys) {
        const qsizetype at = span.header < 0 ? -1 : findKey(*lines, span, key);
        if (at < 0) {
            values << QString();
            continue;
        }
        const QString& line = (*lines)[at];
        QString value = line.mid(line.indexOf(u'=') + 1).trimmed();
        if (isQuoted(value))
            value = value.mid(1, value.size() - 2);
        values << value.left(MaxIniValueLength);
    }
    return values;
}

qint16 WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& path) {
    return WriteIniValues(section, {{key, value}}, path);
}

qint16 WriteIniValues(const QString& section, const IniEntries& entries, const QString& path) {
    auto lines = readLines(path);
    if (!lines)
        return 0; // what could not be read cannot be kept, so it is not replaced
    for (const auto& [key, value] : entries)
        setKey(*lines, section, key, value);
    return writeLines(path, *lines) ? 1 : 0;
}

void KeepPrivate(const QString& path) {
    OwnFile file(path, OwnFile::Access::Read);
    file.restrictTo(PrivateMode);
}

} // namespace modMisc
