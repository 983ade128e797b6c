// SPDX-License-Identifier: MIT
#include "StatsRecords.h"

#include "StatsText.h"
#include "text/OwnFile.h"
#include "text/modMisc.h"

#include <QDir>
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
    // A regular file of the program's own, or none yet: a FIFO that nobody reads would hold
    // the window for ever, and a link planted by someone else must not receive the record.
    OwnFile file(QDir(folder).filePath(fileName), OwnFile::Access::Append);
    QStringEncoder encoder(QStringConverter::System);
    // One write per record, so that a reader never sees half a line; on a full disk the
    // part that fitted is cut off again, as left there it would join the next record's line.
    if (file.state() != OwnFile::State::Planted && !file.append(encoder(line + modMisc::CRLF)))
        qWarning("Statistics record not written to %s: %s", qPrintable(file.path()), qPrintable(file.errorString()));
}

} // namespace StatsRecords
