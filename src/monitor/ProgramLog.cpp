// SPDX-License-Identifier: MIT
#include "ProgramLog.h"

#include "MonitorText.h"
#include "statistics/StatsRecords.h"
#include "text/StatsCsv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString ProgramLog::Write(const QString& text, const QDateTime& when) const {
    const QDir folder(m_folder);
    const QString path = folder.filePath(MonitorText::LogFileName);
    if (const QFileInfo log(path); log.isFile() && log.size() >= RotateAt) {
        const QString old = folder.filePath(MonitorText::OldLogFileName);
        QFile::remove(old);
        QFile::rename(path, old);
    }
    const QString line = StatsCsv::TimeStamp(when) + u'\t' + text;
    StatsRecords::AppendToAppFile(m_folder, line, MonitorText::LogFileName);
    return line;
}
