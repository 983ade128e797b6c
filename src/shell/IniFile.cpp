// SPDX-License-Identifier: MIT
#include "IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringList>
#include <optional>

namespace modMisc {

namespace {

const QString IniLineBreak = QStringLiteral("\r\n");
constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// The file's lines without their line ends; empty when it cannot be read.
QStringList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringDecoder decode(QStringConverter::System);
    const QString text = decode(file.readAll());
    QStringList lines = text.split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast(); // the line end of the last line
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

bool isComment(const QString& trimmed) {
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

// The section name of a "[name]" line.
std::optional<QString> sectionName(const QString& line) {
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(u']');
    return trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
}

bool isKeyLine(const QString& line, const QString& key) {
    const QString trimmed = line.trimmed();
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

bool writeLines(const QString& path, const QStringList& lines) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
#ifdef Q_OS_UNIX
    // Before any byte is written: the password never sits in a file others can read.
    file.setPermissions(OwnerOnly);
#endif
    QStringEncoder encode(QStringConverter::System);
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += encode(line + IniLineBreak);
    file.write(bytes);
    if (!file.commit())
        return false;
#ifdef Q_OS_UNIX
    QFile::setPermissions(path, OwnerOnly);
#endif
    return true;
}

} // namespace

QString ReadIniValue(const QString& section, const QString& key, const QString& path) {
    const QStringList lines = readLines(path);
    const SectionSpan span = findSection(lines, section);
    if (span.header < 0)
        return {};
    const qsizetype at = findKey(lines, span, key);
    if (at < 0)
        return {};
    const QString& line = lines[at];
    return line.mid(line.indexOf(u'=') + 1).trimmed().left(MaxIniValueLength);
}

qint16 WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& path) {
    QStringList lines = readLines(path);
    QString flat = value;
    flat.replace(u'\r', u' ').replace(u'\n', u' ');
    const QString keyLine = key + u'=' + flat;

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
    return writeLines(path, lines) ? 1 : 0;
}

} // namespace modMisc
