// SPDX-License-Identifier: MIT
// Stand-ins for the statistics collector and the ping monitor, with the
// signals the exports are wired to, emitted when a test says so.
#pragma once

#include "statistics/StatsExtraction.h"

#include <QDateTime>
#include <QObject>

class FakeCollector : public QObject {
    Q_OBJECT
signals:
    void recordWritten(const LineStats& stats, const QString& pingStateText, bool changed, const QDateTime& when);
    void collectionFailed(const QString& reason);
};

class FakeMonitor : public QObject {
    Q_OBJECT
signals:
    void pinged(bool up, qint32 roundTripMs);
    void pingStateTextChanged(const QString& text);
};

// The worked example of a record: 8000/800 kbit/s, 20.5/10 dB, 12/8 dB.
inline LineStats sampleStats() {
    LineStats stats;
    stats.DsRate = QStringLiteral("8000");
    stats.DsAttenuation = QStringLiteral("20.5");
    stats.DsMargin = QStringLiteral("12");
    stats.UsRate = QStringLiteral("800");
    stats.UsAttenuation = QStringLiteral("10");
    stats.UsMargin = QStringLiteral("8");
    return stats;
}
