// SPDX-License-Identifier: MIT
// The history window: the summary of the view beside the whole file's, a
// range box, three charts sharing one time axis (margins, connection rates,
// attenuations) with the "Down" stretches shaded across all three, and the
// list of outages and gaps. It follows its file while Line Warden appends to
// it, and can open another. When there is nothing to show it says why.
#pragma once

#include "history/HistorySummary.h"
#include "history/StatsHistory.h"
#include "history/TimeSpans.h"

#include <QFileSystemWatcher>
#include <QHash>
#include <QWidget>
#include <array>

class HistoryChartView;
class QComboBox;
class QLabel;
class QTableView;
class QVBoxLayout;
class SpanListModel;

class HistoryWindow : public QWidget {
    Q_OBJECT

public:
    // The range box's choices, in its order.
    enum class Range { LastDay, LastWeek, LastMonth, All };

    HistoryWindow(history::StatsHistory history, const QString& path, QWidget* parent = nullptr);

    // Shows the file at path in place of the one shown, and follows it.
    void openFile(const QString& path);

    void showRange(Range range);
    // Shows [from, to], kept within the records and no shorter than ten minutes.
    void setTimeRange(qint64 from, qint64 to);
    qint64 rangeFrom() const { return m_from; }
    qint64 rangeTo() const { return m_to; }

    // The window drawn at size, laid out as it would be on screen.
    QImage render(QSize size);

    // Empty until there is something to show.
    const std::array<HistoryChartView*, 3>& charts() const { return m_charts; }
    QComboBox* rangeBox() const { return m_rangeBox; }
    QLabel* readout() const { return m_readout; }
    QLabel* message() const { return m_message; }
    QTableView* spanTable() const { return m_spanTable; }
    // The summary's value of the row with this caption, for the view or the whole file.
    QString summaryValue(const QString& caption, bool wholeFile) const;

private:
    // Shows m_history, or why there is nothing to show.
    void showHistory();
    void followFile();
    void watch();
    void buildView();
    void showSummary(const history::HistorySummary& summary, bool wholeFile);
    void zoom(double anchorTime, double factor);
    void pan(qint64 by);
    void showSpan(const QModelIndex& index);
    void showRecordAt(double time);
    void redraw();
    void alignPlots();
    std::array<QRectF, 3> plotAreas() const;

    QString m_path;
    history::StatsHistory m_history;
    history::HistorySummary m_summary;
    qint64 m_gapLimit = 0;
    std::vector<history::TimeSpan> m_downSpans;
    std::vector<history::TimeSpan> m_gaps;
    QFileSystemWatcher m_watcher;

    QLabel* m_message = nullptr;
    QWidget* m_view = nullptr; // everything but the message
    QComboBox* m_rangeBox = nullptr;
    QVBoxLayout* m_side = nullptr;
    QWidget* m_summaryPanel = nullptr;
    QHash<QString, std::array<QLabel*, 2>> m_summaryValues; // by caption: the view's and the whole file's
    std::array<HistoryChartView*, 3> m_charts{};
    QLabel* m_outages = nullptr;
    QLabel* m_gapsLine = nullptr;
    QTableView* m_spanTable = nullptr;
    SpanListModel* m_spans = nullptr;
    QLabel* m_readout = nullptr;
    qint64 m_from = 0;
    qint64 m_to = 0;
};
