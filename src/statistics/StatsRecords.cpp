// SPDX-License-Identifier: MIT
#include "StatsRecords.h"

#include "StatsText.h"
#include "text/modMisc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

namespace StatsRecords {

QString TimeStamp(const QDateTime& when) {
    return when.toString(StatsText::TimeStampFormat);
}

QString StatsCsvRecord(const LineStats& stats, const QString& pingStateText, const QDateTime& when) {
    return QStringList{TimeStamp(when), stats.DsRate,        stats.DsAttenuation, stats.DsMargin,
                       stats.UsRate,    stats.UsAttenuation, stats.UsMargin,      pingStateText}
        .join(u',');
}

QString StatsTextRecord(const LineStats& stats, const QString& pingStateText, bool pingStateChanged,
                        const QDateTime& when) {
    QString record = TimeStamp(when) + u'\t' + stats.DsRate + StatsText::FieldSeparator + stats.DsMargin +
                     StatsText::FieldSeparator + pingStateText;
    if (pingStateChanged)
        record += StatsText::ChangedMark;
    return record;
}

namespace {

void warnNotWritten(const QFile& file) {
    qWarning("Statistics record not written to %s: %s", qPrintable(file.fileName()), qPrintable(file.errorString()));
}

// A short write sets no error: the rest is written again, which fails and says why.
bool writeWhole(QFile& file, const QByteArray& bytes) {
    const qint64 written = file.write(bytes);
    return written == bytes.size() || (written > 0 && file.write(bytes.sliced(written)) == bytes.size() - written);
}

} // namespace

void AppendToAppFile(const QString& folder, const QString& line, const QString& fileName) {
    QFile file(QDir(folder).filePath(fileName));
    // A regular file, or none yet: opening a FIFO that nobody reads would hold the window for ever.
    if (const QFileInfo info(file.fileName()); info.exists() && !info.isFile()) {
        qWarning("Statistics record not written to %s: not a regular file", qPrintable(file.fileName()));
        return;
    }
    QStringEncoder encoder(QStringConverter::System);
    // One write per record, so that a reader never sees half a line.
    const QByteArray bytes = encoder(line + modMisc::CRLF);
    // Unbuffered, so that a short write on a full disk is seen here and not retried when the file closes.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        warnNotWritten(file);
        return;
    }
    const qint64 before = file.size();
    if (!writeWhole(file, bytes)) {
        warnNotWritten(file);
        // The part that fitted is cut off again: left there, it would join the next record's line.
        file.resize(before);
    }
}

} // namespace StatsRecords
