// SPDX-License-Identifier: MIT
#include "StatsRecords.h"

#include "StatsText.h"
#include "text/modMisc.h"

#include <QDir>
#include <QFile>
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

void AppendToAppFile(const QString& folder, const QString& line, const QString& fileName) {
    QFile file(QDir(folder).filePath(fileName));
    QStringEncoder encoder(QStringConverter::System);
    // One write per record, so that a reader never sees half a line.
    const QByteArray bytes = encoder(line + modMisc::CRLF);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size() || !file.flush())
        qWarning("Statistics record not written to %s: %s", qPrintable(file.fileName()),
                 qPrintable(file.errorString()));
}

} // namespace StatsRecords
