// SPDX-License-Identifier: MIT
#include "StatsRecords.h"

#include "StatsText.h"
#include "text/OwnFile.h"
#include "text/StatsCsv.h"

#include <QDir>
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
    return StatsCsv::TimeStamp(when) + u'\t' + StatsTextValues(stats, pingStateText, pingStateChanged);
}

QString StatsTextValues(const LineStats& stats, const QString& pingStateText, bool pingStateChanged) {
    const LineStats s = AsWritten(stats);
    QString values = s.DsRate + StatsText::FieldSeparator + s.DsMargin + StatsText::FieldSeparator + pingStateText;
    if (pingStateChanged)
        values += StatsText::ChangedMark;
    return values;
}

void AppendToAppFile(const QString& folder, const QString& line, const QString& fileName) {
    // A regular file of the program's own, or none yet: a FIFO that nobody reads would hold
    // the window for ever, and a link planted by someone else must not receive the record.
    OwnFile file(QDir(folder).filePath(fileName), OwnFile::Access::Append);
    QStringEncoder encoder(QStringConverter::System);
    // One write per record, so that a reader never sees half a line; on a full disk the
    // part that fitted is cut off again, as left there it would join the next record's line.
    if (file.state() != OwnFile::State::Planted && !file.append(encoder(line + StatsCsv::LineEnd)))
        qWarning("Statistics record not written to %s: %s", qPrintable(file.path()), qPrintable(file.errorString()));
}

} // namespace StatsRecords
