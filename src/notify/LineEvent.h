// SPDX-License-Identifier: MIT
// One thing worth telling the user about the line, with the facts to tell.
#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

#include "statistics/StatsExtraction.h"

struct LineEvent {
    enum class Kind { Down, Up, Resync, LowMargin, Failing };

    Kind kind = Kind::Down;
    QDateTime time;
    // "Up" or "Down" as the window shows it; empty before the first result.
    QString pingState;
    // The last record's values as written; empty texts where unknown.
    LineStats stats;
    // Down and Up: the first probe that found the line down.
    QDateTime downSince;
    // Resync and LowMargin: the directions concerned.
    bool downstream = false;
    bool upstream = false;
    // Resync: the rates before, as written.
    QString dsRateBefore;
    QString usRateBefore;
    // LowMargin: the thresholds crossed.
    double dsMarginBelow = 0;
    double usMarginBelow = 0;
    // Failing: how many in a row, and the last one's reason.
    qint32 failures = 0;
    QString reason;

    qint64 downSeconds() const { return downSince.secsTo(time); }
};

Q_DECLARE_METATYPE(LineEvent)
