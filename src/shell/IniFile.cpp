// SPDX-License-Identifier: MIT
#include "IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringList>
#include <optional>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace modMisc {

namespace {

const QString IniLineBreak = QStringLiteral("\r\n");
constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// The file's lines without their line ends: empty when there is no file,
// nothing when it exists but cannot be read.
std::optional<QStringList> readLines(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QStringList();
    // Only a regular file is opened: a FIFO or a device could block or never end.
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QStringDecoder decode(QStringConverter::System);
    const QString text = decode(file.readAll());
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    // CR LF, CR and LF each end a line.
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start); // a last line without its line end
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

#ifdef Q_OS_UNIX
// The replacement is a new file, made by whoever runs the program: give it the
// old file's owner and group, so that one run as root does not take it over.
void keepOwner(const QString& path, QSaveFile& file) {
    struct stat old {};
    struct stat now {};
    if (::stat(QFile::encodeName(path).constData(), &old) != 0 || ::fstat(file.handle(), &now) != 0)
        return;
    if ((old.st_uid != now.st_uid || old.st_gid != now.st_gid) && ::fchown(file.handle(), old.st_uid, old.st_gid) != 0)
        qWarning("settings: %s keeps a new owner: %s", qPrintable(path), strerror(errno));
}
#endif

bool writeLines(const QString& path, const QStringList& lines) {
    QSaveFile file(path);
    // A folder that turned read-only allows no temporary file beside the
    // original; the original itself may still be writable.
    file.setDirectWriteFallback(true);
    // Unbuffered, so that write() reports a short write (a full disk) itself:
    // the buffered flush inside commit() lets it pass.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
#ifdef Q_OS_UNIX
    keepOwner(path, file);
#endif
    // Before any byte is written: the password never sits in a file others can read.
    file.setPermissions(OwnerOnly);
    QStringEncoder encode(QStringConverter::System);
    const QByteArray bytes = encode(lines.isEmpty() ? QString() : lines.join(IniLineBreak) + IniLineBreak);
    // What fitted must not replace the old file.
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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
#ifdef Q_OS_UNIX
    if (QFileInfo(path).isFile())
        QFile::setPermissions(path, OwnerOnly);
#else
    Q_UNUSED(path);
#endif
}

} // namespace modMisc
