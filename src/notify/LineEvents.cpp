// SPDX-License-Identifier: MIT
#include "LineEvents.h"

#include "text/StatsCsv.h"

LineEvents::LineEvents(const NotifySettings& settings, Clock clock, QObject* parent)
    : QObject(parent), m_settings(settings), m_clock(std::move(clock)) {}

void LineEvents::pinged(bool up, qint32) {
    const bool first = !m_pinged;
    const bool wasUp = m_up;
    m_pinged = true;
    m_up = up;
    if (first)
        return;
    if (up) {
        if (m_downTold)
            tell(event(LineEvent::Kind::Up, m_clock()));
        m_downTold = false;
        m_downProbes = 0;
        return;
    }
    if (wasUp) {
        m_downSince = m_clock();
        m_downProbes = 0;
    } else if (m_downProbes == 0 || m_downTold) {
        // Found down by the first result, or already told.
        return;
    }
    if (++m_downProbes >= m_settings.downAfterProbes) {
        m_downTold = true;
        tell(event(LineEvent::Kind::Down, m_clock()));
    }
}

void LineEvents::recordWritten(const LineStats& stats, const QString&, bool, const QDateTime& when) {
    m_failures = 0;
    m_stats = stats;
    const QDateTime time = when.isValid() ? when : m_clock();

    LineEvent resync = event(LineEvent::Kind::Resync, time);
    resync.dsRateBefore = m_downstream.rateText;
    resync.usRateBefore = m_upstream.rateText;
    resync.downstream = resynced(m_downstream, stats.DsRate);
    resync.upstream = resynced(m_upstream, stats.UsRate);
    if (resync.downstream || resync.upstream)
        tell(resync);

    LineEvent low = event(LineEvent::Kind::LowMargin, time);
    low.dsMarginBelow = m_settings.downMarginBelow;
    low.usMarginBelow = m_settings.upMarginBelow;
    low.downstream = droppedBelow(m_downstream, stats.DsMargin, m_settings.downMarginBelow);
    low.upstream = droppedBelow(m_upstream, stats.UsMargin, m_settings.upMarginBelow);
    if (low.downstream || low.upstream)
        tell(low);
}

void LineEvents::collectionFailed(const QString& reason) {
    if (m_failures >= m_settings.failuresInARow || ++m_failures < m_settings.failuresInARow)
        return;
    LineEvent failing = event(LineEvent::Kind::Failing, m_clock());
    failing.failures = m_failures;
    failing.reason = reason;
    tell(failing);
}

LineEvent LineEvents::event(LineEvent::Kind kind, const QDateTime& time) const {
    LineEvent event;
    event.kind = kind;
    event.time = time;
    if (m_pinged)
        event.pingState = m_up ? StatsCsv::Up : StatsCsv::Down;
    event.stats = m_stats;
    event.downSince = m_downSince;
    return event;
}

void LineEvents::tell(const LineEvent& event) {
    using Kind = LineEvent::Kind;
    const bool wanted = (event.kind == Kind::Down && m_settings.down) || (event.kind == Kind::Up && m_settings.up) ||
                        (event.kind == Kind::Resync && m_settings.resync) ||
                        (event.kind == Kind::LowMargin && m_settings.lowMargin) ||
                        (event.kind == Kind::Failing && m_settings.failing);
    if (wanted)
        emit happened(event);
}

bool LineEvents::resynced(Direction& direction, const QString& rateText) {
    const std::optional<double> rate = StatsCsv::NumberOf(rateText);
    if (!rate)
        return false;
    const bool changed = direction.rate && *direction.rate != *rate;
    direction.rate = rate;
    direction.rateText = rateText.trimmed();
    return changed;
}

bool LineEvents::droppedBelow(Direction& direction, const QString& marginText, double threshold) {
    const std::optional<double> margin = StatsCsv::NumberOf(marginText);
    if (!margin)
        return false;
    // At the threshold exactly is neither low nor back above it, so a margin
    // that wavers around the threshold is told once.
    if (*margin > threshold)
        direction.low = false;
    if (*margin >= threshold || direction.low)
        return false;
    direction.low = true;
    return true;
}
