// SPDX-License-Identifier: MIT
// Decides which probe results, records and failed collections are worth
// telling. A DOWN is told once it has lasted the set number of probes, and an
// UP only after a DOWN that was told. Rates are compared with the last record
// that held them, so an answer without values neither hides nor invents a
// resync. A margin is told when it drops below its threshold, and again only
// after a record above it. What is switched off is still followed, so that
// switching one event off does not change when the others come.
#pragma once

#include <QDateTime>
#include <QObject>
#include <functional>
#include <optional>

#include "LineEvent.h"
#include "NotifySettings.h"

class LineEvents : public QObject {
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    explicit LineEvents(const NotifySettings& settings, Clock clock = &QDateTime::currentDateTime,
                        QObject* parent = nullptr);

    // Every probe's result. The first one of the run of the program only says
    // how the line stands: a line found down then was not seen going down.
    void pinged(bool up, qint32 roundTripMs);
    // A record that went to the statistics files.
    void recordWritten(const LineStats& stats, const QString& pingStateText, bool changed, const QDateTime& when);
    // A collection that failed or was given up, with the log's reason.
    void collectionFailed(const QString& reason);

signals:
    void happened(const LineEvent& event);

private:
    // One direction of the line as the records showed it.
    struct Direction {
        std::optional<double> rate;
        QString rateText;
        bool low = false;
    };

    LineEvent event(LineEvent::Kind kind, const QDateTime& time) const;
    void tell(const LineEvent& event);
    static bool resynced(Direction& direction, const QString& rateText);
    static bool droppedBelow(Direction& direction, const QString& marginText, double threshold);

    NotifySettings m_settings;
    Clock m_clock;

    bool m_pinged = false;
    bool m_up = false;
    // Probes of the DOWN being counted; 0 when none is.
    qint32 m_downProbes = 0;
    bool m_downTold = false;
    QDateTime m_downSince;

    LineStats m_stats;
    Direction m_downstream;
    Direction m_upstream;
    qint32 m_failures = 0;
};
