// SPDX-License-Identifier: MIT
// The history window: the summary, a range box, and three charts sharing one
// time axis (margins, connection rates, attenuations) with the "Down"
// stretches shaded across all three. When there is nothing to show it says why.
#pragma once

#include "history/HistorySummary.h"
#include "history/StatsHistory.h"
#include "history/TimeColumns.h"

#include <QWidget>
#include <array>

class HistoryChartView;
class QComboBox;
class QLabel;

class HistoryWindow : public QWidget {
    Q_OBJECT

public:
    // The range box's choices, in its order.
    enum class Range { LastDay, LastWeek, LastMonth, All };

    HistoryWindow(history::StatsHistory history, const QString& path, QWidget* parent = nullptr);

    void showRange(Range range);
    // Shows [from, to], kept within the records and no shorter than ten minutes.
    void setTimeRange(qint64 from, qint64 to);
    qint64 rangeFrom() const { return m_from; }
    qint64 rangeTo() const { return m_to; }

    // The window drawn at size, laid out as it would be on screen.
    QImage render(QSize size);

    // Empty when there is nothing to show.
    const std::array<HistoryChartView*, 3>& charts() const { return m_charts; }
    QComboBox* rangeBox() const { return m_rangeBox; }
    QLabel* readout() const { return m_readout; }
    QLabel* message() const { return m_message; }

private:
    void buildCharts();
    void zoom(double anchorTime, double factor);
    void pan(qint64 by);
    void showRecordAt(double time);
    void redraw();
    void alignPlots();
    std::array<QRectF, 3> plotAreas() const;

    history::StatsHistory m_history;
    history::HistorySummary m_summary;
    std::vector<history::TimeSpan> m_downSpans;
    std::array<HistoryChartView*, 3> m_charts{};
    QComboBox* m_rangeBox = nullptr;
    QLabel* m_readout = nullptr;
    QLabel* m_message = nullptr;
    qint64 m_from = 0;
    qint64 m_to = 0;
};
