// SPDX-License-Identifier: MIT
#include "TraceItem.h"

#include <QPainter>
#include <QPolygonF>

namespace {

constexpr double LineWidth = 1.5;
constexpr double DotRadius = 3.5;
constexpr int BandAlpha = 70; // light enough for the other statistic's band to show through

} // namespace

TraceItem::TraceItem(const QColor& downColour, const QColor& upColour, QGraphicsItem* parent)
    : QGraphicsItem(parent), m_statistics{Statistic{downColour, {}}, Statistic{upColour, {}}} {}

void TraceItem::setGeometry(const QRectF& plot, qint64 from, qint64 to, double low, double high) {
    prepareGeometryChange();
    m_plot = plot;
    m_from = from;
    m_to = std::max(to, from + 1);
    m_low = low;
    m_high = high > low ? high : low + 1;
    update();
}

void TraceItem::setTraces(std::vector<history::Trace> down, std::vector<history::Trace> up) {
    m_statistics[0].traces = std::move(down);
    m_statistics[1].traces = std::move(up);
    update();
}

QRectF TraceItem::boundingRect() const {
    return m_plot;
}

QPointF TraceItem::position(double time, double value) const {
    return {m_plot.left() + (time - double(m_from)) / double(m_to - m_from) * m_plot.width(),
            m_plot.bottom() - (value - m_low) / (m_high - m_low) * m_plot.height()};
}

void TraceItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->save();
    painter->setClipRect(m_plot);
    painter->setRenderHint(QPainter::Antialiasing);
    for (const Statistic& statistic : m_statistics)
        paintBands(painter, statistic);
    for (const Statistic& statistic : m_statistics)
        paintLines(painter, statistic);
    painter->restore();
}

void TraceItem::paintBands(QPainter* painter, const Statistic& statistic) const {
    QColor band = statistic.colour;
    band.setAlpha(BandAlpha);
    painter->setPen(Qt::NoPen);
    painter->setBrush(band);
    for (const history::Trace& trace : statistic.traces) {
        QPolygonF outline;
        outline.reserve(qsizetype(2 * trace.size()));
        for (const history::ColumnValues& c : trace)
            outline << position(c.time, c.high);
        for (auto c = trace.rbegin(); c != trace.rend(); ++c)
            outline << position(c->time, c->low);
        painter->drawPolygon(outline);
    }
}

void TraceItem::paintLines(QPainter* painter, const Statistic& statistic) const {
    QPen line(statistic.colour, LineWidth);
    line.setJoinStyle(Qt::RoundJoin);
    for (const history::Trace& trace : statistic.traces) {
        if (trace.size() == 1) {
            const history::ColumnValues& only = trace.front();
            painter->setPen(Qt::NoPen);
            painter->setBrush(statistic.colour);
            painter->drawEllipse(position(only.time, only.mean), DotRadius, DotRadius);
            continue;
        }
        QPolygonF means;
        means.reserve(qsizetype(trace.size()));
        for (const history::ColumnValues& c : trace)
            means << position(c.time, c.mean);
        painter->setPen(line);
        painter->setBrush(Qt::NoBrush);
        painter->drawPolyline(means);
    }
}
