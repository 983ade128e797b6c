// SPDX-License-Identifier: MIT
#include "HistoryWindow.h"

#include "HistoryChartView.h"
#include "HistoryViewText.h"
#include "SpanListModel.h"
#include "history/HistoryText.h"
#include "history/TimeColumns.h"

#include <QChart>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

using namespace history;

namespace {

constexpr qint64 ShortestRange = 10 * MsPerMinute;
constexpr int MaxLayoutRounds = 20;
constexpr int SummaryGroups = 2; // caption, view and file columns side by side
constexpr int SpanCellPadding = 12;
// A trace's column is this many pixels wide: enough to look continuous, and
// wide enough for its mean to smooth what a pixel's worth of records does.
constexpr int PixelsPerColumn = 3;
constexpr int ChartMinimumHeight = 130;

struct ChartLayout {
    const QString& unit;
    const QString& downName;
    const QString& upName;
    StatsField down;
    StatsField up;
};

const ChartLayout chartLayouts[] = {
    {HistoryText::Decibel, HistoryText::DownMargin, HistoryText::UpMargin, DownMargin, UpMargin},
    {HistoryText::Kbps, HistoryText::DownRate, HistoryText::UpRate, DownRate, UpRate},
    {HistoryText::Decibel, HistoryText::DownAttenuation, HistoryText::UpAttenuation, DownAttenuation, UpAttenuation},
};

QLabel* boldLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(QStringLiteral("font-weight: bold"));
    return label;
}

} // namespace

HistoryWindow::HistoryWindow(StatsHistory history, const QString& path, QWidget* parent)
    : QWidget(parent), m_path(path) {
    setWindowTitle(HistoryViewText::Title);
    auto* layout = new QVBoxLayout(this);
    m_summaryPanel = new QWidget(this);
    layout->addWidget(m_summaryPanel);
    // The controls head the panel of outages and gaps; the panel stands alone
    // when there is nothing to show, to open another file.
    m_rangeBox = new QComboBox(this);
    m_rangeBox->addItems(
        {HistoryViewText::LastDay, HistoryViewText::LastWeek, HistoryViewText::LastMonth, HistoryViewText::All});
    auto* open = new QPushButton(HistoryViewText::Open, this);
    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(HistoryViewText::Range, this));
    controls->addWidget(m_rangeBox, 1);
    controls->addWidget(open);
    m_side = new QVBoxLayout;
    m_side->addLayout(controls);
    m_message = new QLabel(this);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    m_view = new QWidget(this);
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_message, 1);
    middle->addWidget(m_view, 1);
    middle->addLayout(m_side);
    layout->addLayout(middle, 1);
    m_readout = new QLabel(HistoryViewText::Hint, this);
    layout->addWidget(m_readout);
    connect(m_rangeBox, &QComboBox::activated, this, [this](int index) { showRange(Range(index)); });
    connect(open, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getOpenFileName(
            this, HistoryViewText::OpenTitle, QFileInfo(m_path).absolutePath(), HistoryViewText::OpenFilter);
        if (!chosen.isEmpty())
            openFile(chosen);
    });
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &HistoryWindow::followFile);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &HistoryWindow::followFile);
    m_history = std::move(history);
    showHistory();
    showRange(Range::All);
    watch();
}

void HistoryWindow::openFile(const QString& path) {
    m_path = path;
    m_history = ReadStatsFile(path);
    showHistory();
    showRange(Range::All);
    watch();
}

// The file and its folder: the folder tells when the file is created or replaced.
void HistoryWindow::watch() {
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    const QFileInfo file(m_path);
    m_watcher.addPath(file.absolutePath());
    if (file.exists())
        m_watcher.addPath(file.absoluteFilePath());
}

void HistoryWindow::followFile() {
    const bool hadRecords = m_history.status == StatsHistory::Status::Read;
    const qint64 lastBefore = m_summary.last;
    const qint64 from = m_from;
    const qint64 to = m_to;
    const bool changed = FollowStatsFile(m_history, m_path);
    watch();
    if (!changed)
        return;
    showHistory();
    if (m_history.status != StatsHistory::Status::Read)
        return;
    // The view stays as it was: a range of the box ends at the last record again,
    // and a view that showed the last record moves on with it.
    if (!hadRecords)
        showRange(Range::All);
    else if (m_rangeBox->currentIndex() >= 0)
        showRange(Range(m_rangeBox->currentIndex()));
    else if (to >= lastBefore)
        setTimeRange(from + (m_summary.last - lastBefore), to + (m_summary.last - lastBefore));
    else
        setTimeRange(from, to);
}

void HistoryWindow::showHistory() {
    const QString problem = HistoryProblem(m_history, m_path);
    m_message->setText(problem);
    m_message->setVisible(!problem.isEmpty());
    for (QWidget* widget :
         {m_view, m_summaryPanel, static_cast<QWidget*>(m_rangeBox), static_cast<QWidget*>(m_readout)})
        widget->setVisible(problem.isEmpty());
    if (!problem.isEmpty())
        return;
    if (!m_charts[0])
        buildView();
    m_summary = Summarise(m_history);
    m_gapLimit = GapLimit(m_history.records);
    m_downSpans = DownSpans(m_history.records, m_gapLimit);
    m_gaps = Gaps(m_history.records, m_gapLimit);
    showSummary(m_summary, true);
    m_outages->setText(OutagesLine(Totals(m_downSpans)));
    m_gapsLine->setText(GapsLine(Totals(m_gaps)));
    m_spans->setSpans(m_downSpans, m_gaps);
}

void HistoryWindow::buildView() {
    // The summary: each caption with the view's figure and the whole file's beside it.
    auto* grid = new QGridLayout(m_summaryPanel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(1);
    const QList<SummaryRow> rows = SummaryRows(m_summary, SummaryForm::Short);
    const qsizetype perGroup = (rows.size() + SummaryGroups - 1) / SummaryGroups;
    for (int group = 0; group < SummaryGroups; ++group) {
        auto* heading = new QLabel(HistoryText::MinMeanMaxHeading, m_summaryPanel);
        heading->setEnabled(false);
        grid->addWidget(heading, 0, group * 3);
        grid->addWidget(boldLabel(HistoryViewText::ThisView, m_summaryPanel), 0, group * 3 + 1);
        grid->addWidget(boldLabel(HistoryViewText::WholeFile, m_summaryPanel), 0, group * 3 + 2);
    }
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const int row = int(i % perGroup) + 1;
        const int column = int(i / perGroup) * 3;
        grid->addWidget(boldLabel(rows[i].caption + u':', m_summaryPanel), row, column);
        auto& values = m_summaryValues[rows[i].caption];
        for (int v = 0; v < 2; ++v) {
            values[v] = new QLabel(m_summaryPanel);
            grid->addWidget(values[v], row, column + 1 + v);
        }
    }
    grid->setColumnStretch(SummaryGroups * 3 - 1, 1);

    auto* charts = new QVBoxLayout(m_view);
    charts->setContentsMargins(0, 0, 0, 0);
    for (size_t i = 0; i < m_charts.size(); ++i) {
        const ChartLayout& c = chartLayouts[i];
        auto* chart = new HistoryChartView(c.unit, c.downName, c.upName, m_view);
        chart->setShadeInLegend(i == 0);
        chart->setMinimumHeight(ChartMinimumHeight);
        charts->addWidget(chart);
        m_charts[i] = chart;
        connect(chart, &HistoryChartView::zoomRequested, this, &HistoryWindow::zoom);
        connect(chart, &HistoryChartView::panRequested, this, &HistoryWindow::pan);
        connect(chart, &HistoryChartView::hovered, this, &HistoryWindow::showRecordAt);
        connect(chart, &HistoryChartView::plotAreaChanged, this, &HistoryWindow::alignPlots, Qt::QueuedConnection);
        if (i == 0)
            connect(chart, &HistoryChartView::resized, this, &HistoryWindow::redraw);
    }

    m_outages = new QLabel(this);
    m_gapsLine = new QLabel(this);
    m_spans = new SpanListModel(this);
    m_spanTable = new QTableView(this);
    m_spanTable->setModel(m_spans);
    m_spanTable->verticalHeader()->hide();
    m_spanTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    m_spanTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_spanTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_spanTable->setToolTip(HistoryViewText::SpanHint);
    // Wide enough for its columns without a horizontal scroll bar, whatever the rows hold.
    int width = 2 * m_spanTable->frameWidth() + m_spanTable->verticalScrollBar()->sizeHint().width();
    const QString widest[] = {HistoryText::Outage, FormatTime(0), FormatTime(0), FormatDuration(999 * MsPerHour)};
    for (int column = 0; column < m_spans->columnCount(); ++column) {
        const QString header = m_spans->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        const int columnWidth =
            std::max(fontMetrics().horizontalAdvance(widest[column]), fontMetrics().horizontalAdvance(header)) +
            SpanCellPadding;
        m_spanTable->setColumnWidth(column, columnWidth);
        width += columnWidth;
    }
    m_spanTable->setFixedWidth(width);
    connect(m_spanTable, &QTableView::clicked, this, &HistoryWindow::showSpan);
    connect(m_spanTable, &QTableView::activated, this, &HistoryWindow::showSpan);
    m_side->addWidget(m_outages);
    m_side->addWidget(m_gapsLine);
    m_side->addWidget(m_spanTable, 1);
}

void HistoryWindow::showSummary(const HistorySummary& summary, bool wholeFile) {
    for (const SummaryRow& row : SummaryRows(summary, SummaryForm::Short))
        m_summaryValues[row.caption][wholeFile]->setText(row.value);
}

QString HistoryWindow::summaryValue(const QString& caption, bool wholeFile) const {
    const auto values = m_summaryValues.value(caption);
    return values[wholeFile] ? values[wholeFile]->text() : QString();
}

void HistoryWindow::showRange(Range range) {
    if (m_history.records.empty())
        return;
    m_rangeBox->setCurrentIndex(int(range));
    const qint64 last = m_summary.last;
    switch (range) {
    case Range::LastDay:
        setTimeRange(last - MsPerDay, last);
        break;
    case Range::LastWeek:
        setTimeRange(last - 7 * MsPerDay, last);
        break;
    case Range::LastMonth:
        setTimeRange(last - 30 * MsPerDay, last);
        break;
    case Range::All:
        setTimeRange(m_summary.first, last);
        break;
    }
}

void HistoryWindow::setTimeRange(qint64 from, qint64 to) {
    if (m_history.records.empty())
        return;
    // Never beyond the records, and never so narrow that no minute record is
    // left; records closer together than that are shown in the middle.
    qint64 first = m_summary.first;
    qint64 last = m_summary.last;
    if (last - first < ShortestRange) {
        first = first + (last - first) / 2 - ShortestRange / 2;
        last = first + ShortestRange;
    }
    const qint64 span = std::clamp(to - from, ShortestRange, last - first);
    m_from = std::clamp(from, first, last - span);
    m_to = m_from + span;
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

// A stretch from the list, with as much time again on each side, ten minutes at least.
void HistoryWindow::showSpan(const QModelIndex& index) {
    if (!index.isValid())
        return;
    const TimeSpan span = m_spans->span(index.row());
    const qint64 around = std::max(span.length(), ShortestRange);
    m_rangeBox->setCurrentIndex(-1);
    setTimeRange(span.from - around, span.to + around);
}

void HistoryWindow::showRecordAt(double time) {
    const qsizetype at = NearestRecord(m_history.records, qint64(time));
    if (at >= 0)
        m_readout->setText(RecordReadout(m_history.records[size_t(at)]));
}

void HistoryWindow::redraw() {
    if (!m_charts[0] || m_history.records.empty())
        return;
    showSummary(Summarise(m_history.records, m_from, m_to), false);
    // Columns from the chart's width: a little more than its plot has, and
    // free of the plot's edges, which move with the labels drawn.
    const int pixels = std::max(1, m_charts[0]->width());
    int columns = std::max(1, pixels / PixelsPerColumn);
    qint64 start = m_from;
    qint64 end = m_to;
    // Columns longer than a day become whole days from midnight: each shows its
    // day's mean and swing, where columns that do not divide the day would
    // beat against the daily swing of the margins.
    if (const qint64 length = (end - start) / columns; length > MsPerDay) {
        const qint64 days = (length + MsPerDay - 1) / MsPerDay;
        start = QDateTime(QDateTime::fromMSecsSinceEpoch(m_from).date(), QTime(0, 0)).toMSecsSinceEpoch();
        columns = int((end - start + days * MsPerDay - 1) / (days * MsPerDay));
        end = start + columns * days * MsPerDay;
    }
    auto traces = ThinToColumns(m_history.records, start, end, columns, m_gapLimit);
    // Two pixels at the least, so that anti-aliasing cannot fade a short outage away.
    const auto shaded = VisibleSpans(m_downSpans, m_from, m_to, std::max<qint64>(1, 2 * (m_to - m_from) / pixels));
    for (size_t i = 0; i < m_charts.size(); ++i)
        m_charts[i]->showRange(std::move(traces[chartLayouts[i].down]), std::move(traces[chartLayouts[i].up]), shaded,
                               m_from, m_to);
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
    // A picture is drawn at the size asked for: offscreen there is no window
    // manager to be told a smallest size.
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
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
