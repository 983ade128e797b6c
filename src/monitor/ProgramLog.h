// SPDX-License-Identifier: MIT
// line-warden.log, beside stats.csv: one line for each thing the user should
// know and no record shows, chiefly why a collection left no record. It stays
// bounded: past RotateAt bytes it becomes line-warden.log.1, replacing the
// older one, and a new file begins.
#pragma once

#include <QDateTime>
#include <QString>

class ProgramLog {
public:
    static constexpr qint64 RotateAt = 1024 * 1024;

    explicit ProgramLog(QString folder) : m_folder(std::move(folder)) {}

    // Appends the time stamp, a TAB and the text; returns that line.
    QString Write(const QString& text, const QDateTime& when) const;

private:
    QString m_folder;
};
