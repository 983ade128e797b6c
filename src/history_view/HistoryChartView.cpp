// SPDX-License-Identifier: MIT
#include "HistoryChartView.h"

#include "HistoryViewText.h"
#include "TraceItem.h"
#include "history/TimeTicks.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QValueAxis>
#include <QWheelEvent>
#include <cmath>

namespace {

const QColor DownColour(0x1f, 0x5f, 0xbf);
const QColor UpColour(0xe0, 0x7b, 0x00);
const QColor ShadeColour(0xe0, 0x30, 0x30, 0x50);
const QMargins ChartMargins(4, 2, 8, 2);
constexpr int ValueTicks = 5;
constexpr double ValuePadding = 0.05; // of the values' spread, so no line runs along the frame
constexpr double WheelStep = 120;     // one notch of a common mouse wheel
constexpr double ZoomPerStep = 0.8;
constexpr qreal TracesOverSeries = 100; // the traces are drawn over the shade and the grid

// A series that only names its statistic in the legend: the traces draw its values.
QLineSeries* legendEntry(const QString& name, const QColor& colour) {
    auto* series = new QLineSeries;
    series->setName(name);
    series->setColor(colour);
    return series;
}

} // namespace

HistoryChartView::HistoryChartView(const QString& unit, const QString& downName, const QString& upName, QWidget* parent)
    : QChartView(parent), m_down(legendEntry(downName, DownColour)), m_up(legendEntry(upName, UpColour)),
      m_shadeTop(new QLineSeries), m_shade(new QAreaSeries(m_shadeTop)), m_time(new QCategoryAxis),
      m_values(new QValueAxis), m_shadeHeight(new QValueAxis) {
    auto* c = new QChart;
    m_traces = new TraceItem(DownColour, UpColour, c);
    m_traces->setZValue(TracesOverSeries);
    // Labels stand at their ticks, not between them.
    m_time->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    c->setMargins(ChartMargins);
    c->setBackgroundRoundness(0);
    c->legend()->setAlignment(Qt::AlignTop);
    m_shadeTop->setParent(m_shade); // an area series does not own its edge
    m_shade->setName(HistoryViewText::PingDown);
    m_shade->setPen(Qt::NoPen);
    m_shade->setBrush(ShadeColour);
    // The shade first, so the lines are drawn over it.
    for (QAbstractSeries* series : std::initializer_list<QAbstractSeries*>{m_shade, m_down, m_up})
        c->addSeries(series);
    c->addAxis(m_time, Qt::AlignBottom);
    c->addAxis(m_values, Qt::AlignLeft);
    c->addAxis(m_shadeHeight, Qt::AlignRight);
    for (QAbstractSeries* series : std::initializer_list<QAbstractSeries*>{m_down, m_up}) {
        series->attachAxis(m_time);
        series->attachAxis(m_values);
    }
    // The shade fills the plot's whole height, whatever the values.
    m_shade->attachAxis(m_time);
    m_shade->attachAxis(m_shadeHeight);
    m_shadeHeight->setRange(0, 1);
    m_shadeHeight->setVisible(false);
    m_values->setLabelFormat(QStringLiteral("%g"));
    // The unit stands beside the values, as the legend names them: the plots keep the height a title would take.
    m_values->setTitleText(unit);
    QFont titleFont = m_values->titleFont();
    titleFont.setPointSizeF(font().pointSizeF());
    titleFont.setBold(false);
    m_values->setTitleFont(titleFont);
    setChart(c);
    setRenderHint(QPainter::Antialiasing);
    setMouseTracking(true);
    // Qt Charts reports the area after every layout, changed or not.
    connect(c, &QChart::plotAreaChanged, this, [this](const QRectF& area) {
        if (area == m_plotArea)
            return;
        m_plotArea = area;
        // Taken now, while the area still matches the margins it was laid out with.
        m_naturalLeft = qRound(area.left()) - m_extraLeft;
        placeTraces();
        emit plotAreaChanged();
    });
}

void HistoryChartView::showRange(std::vector<history::Trace> down, std::vector<history::Trace> up,
                                 const std::vector<history::TimeSpan>& shaded, qint64 from, qint64 to) {
    QList<QPointF> top;
    top.reserve(qsizetype(shaded.size()) * 4);
    for (const history::TimeSpan& span : shaded)
        top << QPointF(span.from, 0) << QPointF(span.from, 1) << QPointF(span.to, 1) << QPointF(span.to, 0);
    m_shadeTop->replace(top);

    m_from = from;
    m_to = to;
    for (const QString& label : m_time->categoriesLabels())
        m_time->remove(label);
    m_time->setStartValue(double(from));
    // From the view's width, not the plot's: the labels move the plot's edges,
    // and a count taken from them could keep changing its own cause.
    const int characters = width() / std::max(1, QFontMetrics(m_time->labelsFont()).horizontalAdvance(u'0'));
    for (const history::TimeTick& tick : history::CalendarTicks(from, to, characters))
        m_time->append(tick.label, double(tick.time));
    m_time->setRange(double(from), double(to));

    double low = INFINITY;
    double high = -INFINITY;
    for (const std::vector<history::Trace>* traces : {&down, &up}) {
        for (const history::Trace& trace : *traces) {
            for (const history::ColumnValues& c : trace) {
                low = std::min(low, c.low);
                high = std::max(high, c.high);
            }
        }
    }
    if (low > high) {
        low = 0;
        high = 1;
    } else {
        const double padding = low == high ? 1 : (high - low) * ValuePadding;
        low -= padding;
        high += padding;
    }
    // Nice numbers change the tick count they start from: start from the same one every time.
    m_values->setTickCount(ValueTicks);
    m_values->setRange(low, high);
    m_values->applyNiceNumbers();
    m_traces->setTraces(std::move(down), std::move(up));
    placeTraces();
}

void HistoryChartView::placeTraces() {
    m_traces->setGeometry(chart()->plotArea(), m_from, m_to, m_values->min(), m_values->max());
}

void HistoryChartView::setShadeInLegend(bool shown) {
    for (QLegendMarker* marker : chart()->legend()->markers(m_shade))
        marker->setVisible(shown);
}

double HistoryChartView::timeAt(double x) const {
    const QPointF inChart = chart()->mapFromScene(mapToScene(QPoint(int(x), 0)));
    return chart()->mapToValue(inChart, m_down).x();
}

QPointF HistoryChartView::positionOf(double time, double value) const {
    const QPointF inScene = chart()->mapToScene(chart()->mapToPosition(QPointF(time, value), m_down));
    return mapFromScene(inScene);
}

int HistoryChartView::naturalLeft() const {
    return m_naturalLeft;
}

void HistoryChartView::setExtraLeft(int pixels) {
    if (pixels == m_extraLeft)
        return;
    m_extraLeft = pixels;
    chart()->setMargins(ChartMargins + QMargins(pixels, 0, 0, 0));
}

void HistoryChartView::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    emit resized();
}

void HistoryChartView::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / WheelStep;
    if (steps != 0)
        emit zoomRequested(timeAt(event->position().x()), std::pow(ZoomPerStep, steps));
    event->accept();
}

void HistoryChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragTime = timeAt(event->position().x());
    event->accept();
}

void HistoryChartView::mouseMoveEvent(QMouseEvent* event) {
    const double time = timeAt(event->position().x());
    // Moving the axis so that the time grabbed comes back under the mouse.
    if (m_dragTime && (event->buttons() & Qt::LeftButton))
        emit panRequested(qint64(*m_dragTime - time));
    else
        emit hovered(time);
    event->accept();
}

void HistoryChartView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragTime.reset();
    event->accept();
}
