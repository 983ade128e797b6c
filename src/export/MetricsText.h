// SPDX-License-Identifier: MIT
// The line's metrics in the Prometheus text exposition format. Every sample
// carries the line's name as the label line; a value not known yet is left
// out rather than written as 0, so that dashboards show a gap, not a dead line.
#pragma once

#include "statistics/StatsExtraction.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

// What the metrics are made of, as collections and probes left it.
struct MetricsSnapshot {
    // The last record written, if any.
    std::optional<LineStats> stats;
    QDateTime recordedAt;
    std::optional<bool> pingUp;
    // The round trip of the last echo that was answered.
    std::optional<double> roundTripSeconds;
    quint64 collectionsOk = 0;
    quint64 collectionsFailed = 0;
};

namespace MetricsText {

inline const QByteArray ContentType = "text/plain; version=0.0.4; charset=utf-8";

QByteArray render(const MetricsSnapshot& snapshot, const QString& lineName, const QString& version);

} // namespace MetricsText
