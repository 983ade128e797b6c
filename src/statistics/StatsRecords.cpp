// SPDX-License-Identifier: MIT
#include "StatsRecords.h"

#include "StatsText.h"
#include "text/StatsCsv.h"
#include "text/modMisc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

namespace StatsRecords {

LineStats AsWritten(const LineStats& stats) {
    using StatsCsv::LoggableValue;
    return {LoggableValue(stats.UsRate),   LoggableValue(stats.DsRate),        LoggableValue(stats.DsAttenuation),
            LoggableValue(stats.DsMargin), LoggableValue(stats.UsAttenuation), LoggableValue(stats.UsMargin)};
}

QString StatsCsvRecord(const LineStats& stats, const QString& pingStateText, const QDateTime& when) {
    const LineStats s = AsWritten(stats);
    std::array<QString, StatsCsv::StatisticCount> values;
    values[StatsCsv::DownRate] = s.DsRate;
    values[StatsCsv::DownAttenuation] = s.DsAttenuation;
    values[StatsCsv::DownMargin] = s.DsMargin;
    values[StatsCsv::UpRate] = s.UsRate;
    values[StatsCsv::UpAttenuation] = s.UsAttenuation;
    values[StatsCsv::UpMargin] = s.UsMargin;
    return StatsCsv::Record(when, values, pingStateText);
}

QString StatsTextRecord(const LineStats& stats, const QString& pingStateText, bool pingStateChanged,
                        const QDateTime& when) {
    const LineStats s = AsWritten(stats);
    QString record = StatsCsv::TimeStamp(when) + u'\t' + s.DsRate + StatsText::FieldSeparator + s.DsMargin +
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
