// SPDX-License-Identifier: MIT
// One of the history's charts: a downstream and an upstream statistic over
// time, with the "Down" stretches shaded behind them and ticks at round
// calendar times. It draws what it is given and turns the mouse into requests
// on the shared time axis.
#pragma once

#include "history/TimeColumns.h"
#include "history/TimeSpans.h"

#include <QChartView>
#include <QString>
#include <optional>

class QAreaSeries;
class QCategoryAxis;
class QLineSeries;
class QValueAxis;
class TraceItem;

class HistoryChartView : public QChartView {
    Q_OBJECT

public:
    HistoryChartView(const QString& unit, const QString& downName, const QString& upName, QWidget* parent = nullptr);

    // Shows both statistics' traces and the shaded spans over [from, to].
    void showRange(std::vector<history::Trace> down, std::vector<history::Trace> up,
                   const std::vector<history::TimeSpan>& shaded, qint64 from, qint64 to);
    void setShadeInLegend(bool shown);

    // The time at x of the view, in milliseconds since the epoch.
    double timeAt(double x) const;
    // Where the time and value lie in the view's coordinates.
    QPointF positionOf(double time, double value) const;
    // The plot's left edge without the room added to line it up with the other charts.
    int naturalLeft() const;
    void setExtraLeft(int pixels);

    // The series stand in the legend; the traces are drawn over them.
    QLineSeries* downSeries() const { return m_down; }

signals:
    void zoomRequested(double anchorTime, double factor);
    void panRequested(qint64 by);
    void hovered(double time);
    void plotAreaChanged();
    void resized();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void placeTraces();

    QLineSeries* m_down;
    QLineSeries* m_up;
    QLineSeries* m_shadeTop;
    QAreaSeries* m_shade;
    QCategoryAxis* m_time;
    QValueAxis* m_values;
    QValueAxis* m_shadeHeight;
    TraceItem* m_traces;
    qint64 m_from = 0;
    qint64 m_to = 1;
    int m_extraLeft = 0;
    int m_naturalLeft = 0;
    QRectF m_plotArea;
    std::optional<double> m_dragTime; // the time under the mouse when a drag began
};
