// SPDX-License-Identifier: MIT
// Draws a chart's two statistics inside its plot: where a pixel column holds
// many records, a light band from their lowest to their highest value under
// a line through their mean. Both bands go under both lines, so neither
// statistic hides the other. A trace of one column alone is a dot.
#pragma once

#include "history/TimeColumns.h"

#include <QColor>
#include <QGraphicsItem>
#include <array>

class TraceItem : public QGraphicsItem {
public:
    TraceItem(const QColor& downColour, const QColor& upColour, QGraphicsItem* parent);

    // The plot's rectangle in the parent's coordinates, and the times and values at its edges.
    void setGeometry(const QRectF& plot, qint64 from, qint64 to, double low, double high);
    void setTraces(std::vector<history::Trace> down, std::vector<history::Trace> up);

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    struct Statistic {
        QColor colour;
        std::vector<history::Trace> traces;
    };

    QPointF position(double time, double value) const;
    void paintBands(QPainter* painter, const Statistic& statistic) const;
    void paintLines(QPainter* painter, const Statistic& statistic) const;

    std::array<Statistic, 2> m_statistics;
    QRectF m_plot;
    qint64 m_from = 0;
    qint64 m_to = 1;
    double m_low = 0;
    double m_high = 1;
};
