// SPDX-License-Identifier: MIT
#include "HistoryWindow.h"

#include "HistoryChartView.h"
#include "HistoryViewText.h"
#include "history/HistoryText.h"

#include <QChart>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

using namespace history;

namespace {

constexpr qint64 Minute = 60 * 1000;
constexpr qint64 Day = 24 * 60 * Minute;
constexpr qint64 ShortestRange = 10 * Minute;
constexpr int MaxLayoutRounds = 20;
constexpr int SummaryColumns = 2; // caption and value pairs side by side

struct ChartLayout {
    const QString& title;
    const QString& downName;
    const QString& upName;
    StatsField down;
    StatsField up;
};

const ChartLayout chartLayouts[] = {
    {HistoryViewText::MarginChart, HistoryText::DownMargin, HistoryText::UpMargin, DownMargin, UpMargin},
    {HistoryViewText::RateChart, HistoryText::DownRate, HistoryText::UpRate, DownRate, UpRate},
    {HistoryViewText::AttenuationChart, HistoryText::DownAttenuation, HistoryText::UpAttenuation, DownAttenuation,
     UpAttenuation},
};

QWidget* summaryPanel(const HistorySummary& summary, QWidget* parent) {
    auto* panel = new QWidget(parent);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(12);
    const QList<SummaryRow> rows = SummaryRows(summary);
    const qsizetype perColumn = (rows.size() + SummaryColumns - 1) / SummaryColumns;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const int row = int(i % perColumn);
        const int column = int(i / perColumn) * 2;
        auto* caption = new QLabel(rows[i].caption + u':', panel);
        caption->setStyleSheet(QStringLiteral("font-weight: bold"));
        grid->addWidget(caption, row, column);
        grid->addWidget(new QLabel(rows[i].value, panel), row, column + 1);
    }
    grid->setColumnStretch(SummaryColumns * 2 - 1, 1);
    return panel;
}

} // namespace

HistoryWindow::HistoryWindow(StatsHistory history, const QString& path, QWidget* parent)
    : QWidget(parent), m_history(std::move(history)) {
    setWindowTitle(HistoryViewText::Title);
    auto* layout = new QVBoxLayout(this);
    const QString problem = HistoryProblem(m_history, path);
    if (!problem.isEmpty()) {
        m_message = new QLabel(problem, this);
        m_message->setAlignment(Qt::AlignCenter);
        m_message->setWordWrap(true);
        layout->addWidget(m_message);
        return;
    }
    m_summary = Summarise(m_history);
    m_downSpans = DownSpans(m_history.records);

    auto* top = new QHBoxLayout;
    top->addWidget(summaryPanel(m_summary, this), 1);
    top->addWidget(new QLabel(HistoryViewText::Range, this), 0, Qt::AlignTop);
    m_rangeBox = new QComboBox(this);
    m_rangeBox->addItems(
        {HistoryViewText::LastDay, HistoryViewText::LastWeek, HistoryViewText::LastMonth, HistoryViewText::All});
    m_rangeBox->setCurrentIndex(int(Range::All));
    top->addWidget(m_rangeBox, 0, Qt::AlignTop);
    layout->addLayout(top);
    buildCharts();
    m_readout = new QLabel(HistoryViewText::Hint, this);
    layout->addWidget(m_readout);
    connect(m_rangeBox, &QComboBox::activated, this, [this](int index) { showRange(Range(index)); });
    showRange(Range::All);
}

void HistoryWindow::buildCharts() {
    for (size_t i = 0; i < m_charts.size(); ++i) {
        const ChartLayout& c = chartLayouts[i];
        auto* chart = new HistoryChartView(c.title, c.downName, c.upName, this);
        chart->setShadeInLegend(i == 0);
        layout()->addWidget(chart);
        m_charts[i] = chart;
        connect(chart, &HistoryChartView::zoomRequested, this, &HistoryWindow::zoom);
        connect(chart, &HistoryChartView::panRequested, this, &HistoryWindow::pan);
        connect(chart, &HistoryChartView::hovered, this, &HistoryWindow::showRecordAt);
        connect(chart, &HistoryChartView::plotAreaChanged, this, &HistoryWindow::alignPlots, Qt::QueuedConnection);
        if (i == 0)
            connect(chart, &HistoryChartView::resized, this, &HistoryWindow::redraw);
    }
}

void HistoryWindow::showRange(Range range) {
    if (m_history.records.empty())
        return;
    m_rangeBox->setCurrentIndex(int(range));
    const qint64 last = m_summary.last;
    switch (range) {
    case Range::LastDay:
        setTimeRange(last - Day, last);
        break;
    case Range::LastWeek:
        setTimeRange(last - 7 * Day, last);
        break;
    case Range::LastMonth:
        setTimeRange(last - 30 * Day, last);
        break;
    case Range::All:
        setTimeRange(m_summary.first, last);
        break;
    }
}

void HistoryWindow::setTimeRange(qint64 from, qint64 to) {
    if (m_history.records.empty())
        return;
    // Never beyond the records, and never so narrow that no minute record is left.
    const qint64 first = m_summary.first;
    const qint64 last = std::max(m_summary.last, first + ShortestRange);
    const qint64 span = std::clamp(to - from, ShortestRange, last - first);
    from = std::clamp(from, first, last - span);
    m_from = from;
    m_to = from + span;
    redraw();
}

void HistoryWindow::zoom(double anchorTime, double factor) {
    const double from = anchorTime - (anchorTime - m_from) * factor;
    const double to = anchorTime + (m_to - anchorTime) * factor;
    m_rangeBox->setCurrentIndex(-1);
    setTimeRange(qint64(from), qint64(to));
}

void HistoryWindow::pan(qint64 by) {
    m_rangeBox->setCurrentIndex(-1);
    setTimeRange(m_from + by, m_to + by);
}

void HistoryWindow::showRecordAt(double time) {
    const qsizetype at = NearestRecord(m_history.records, qint64(time));
    if (at >= 0)
        m_readout->setText(RecordReadout(m_history.records[size_t(at)]));
}

void HistoryWindow::redraw() {
    // A column per pixel of the chart's width: a little more than its plot has,
    // and free of the plot's edges, which move with the labels drawn.
    const int columns = std::max(1, m_charts[0]->width());
    const auto points = ThinToColumns(m_history.records, m_from, m_to, columns);
    // Two columns at the least, so that anti-aliasing cannot fade a short outage away.
    const auto shaded = VisibleSpans(m_downSpans, m_from, m_to, std::max<qint64>(1, 2 * (m_to - m_from) / columns));
    for (size_t i = 0; i < m_charts.size(); ++i)
        m_charts[i]->showRange(points[chartLayouts[i].down], points[chartLayouts[i].up], shaded, m_from, m_to);
}

std::array<QRectF, 3> HistoryWindow::plotAreas() const {
    std::array<QRectF, 3> areas;
    for (size_t i = 0; i < m_charts.size(); ++i)
        areas[i] = m_charts[i]->chart()->plotArea();
    return areas;
}

// The value axes' labels differ in width from chart to chart; the plots are
// moved to one left edge so that one moment lies at the same x in all three.
void HistoryWindow::alignPlots() {
    int left = 0;
    for (const HistoryChartView* chart : m_charts)
        left = std::max(left, chart->naturalLeft());
    for (HistoryChartView* chart : m_charts)
        chart->setExtraLeft(left - chart->naturalLeft());
}

QImage HistoryWindow::render(QSize size) {
    resize(size);
    show();
    // The charts lay themselves out in posted events and then line up: a few
    // rounds, until nothing moves.
    for (int round = 0; m_charts[0] && round < MaxLayoutRounds; ++round) {
        const auto before = plotAreas();
        QCoreApplication::processEvents();
        if (round > 0 && plotAreas() == before)
            break;
    }
    return grab().toImage();
}
