// SPDX-License-Identifier: MIT
#include "SimpleProgress.h"

#include "ProgressError.h"
#include "PropertyBag.h"
#include "SystemColours.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <limits>

using namespace ProgressMath;
namespace Props = SimpleProgressProperties;

namespace {

// Size of the caption buffer, in twips (225 x 25 pixels at 96 dpi).
constexpr double CaptionBufferWidth = 3375;
constexpr double CaptionBufferHeight = 375;
constexpr quint32 CaptionBackground = 0xFFFFFF;

constexpr double TwipsPerInch = 1440;
constexpr double InchesPerMeter = 0.0254;

// A stored integer within [low, high]; the default when the entry is
// unreadable or out of range.
qint64 readInteger(const PropertyBag& bag, const QString& name, qint64 defaultValue, qint64 low, qint64 high) {
    bool ok = false;
    const qint64 n = bag.read(name, defaultValue).toLongLong(&ok);
    if (ok && n >= low && n <= high)
        return n;
    qWarning("SimpleProgress: unreadable property %s, using its default", qPrintable(name));
    return defaultValue;
}

qint16 readShort(const PropertyBag& bag, const QString& name, qint16 defaultValue) {
    return static_cast<qint16>(
        readInteger(bag, name, defaultValue, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()));
}

// Colours are 32-bit patterns; a signed value is taken bit for bit.
quint32 readColour(const PropertyBag& bag, const QString& name, quint32 defaultValue) {
    return static_cast<quint32>(
        readInteger(bag, name, defaultValue, std::numeric_limits<qint32>::min(), std::numeric_limits<quint32>::max()));
}

} // namespace

SimpleProgress::SimpleProgress(QWidget* parent, std::optional<TwipsPerPixel> twipsPerPixel)
    : QWidget(parent), m_twipsPerPixel(twipsPerPixel) {
    // The retained image covers the whole control.
    setAttribute(Qt::WA_OpaquePaintEvent);
    InitProperties();
}

TwipsPerPixel SimpleProgress::twipsPerPixel() const {
    if (m_twipsPerPixel)
        return *m_twipsPerPixel;
    const double ratio = devicePixelRatioF();
    return {TwipsPerInch / (logicalDpiX() * ratio), TwipsPerInch / (logicalDpiY() * ratio)};
}

QSize SimpleProgress::deviceSize() const {
    const double ratio = devicePixelRatioF();
    return QSize(qRound(width() * ratio), qRound(height() * ratio));
}

QImage SimpleProgress::textDevice(QSize size) const {
    // Text is measured and written at the screen's true resolution.
    const double ratio = devicePixelRatioF();
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(logicalDpiX() * ratio / InchesPerMeter));
    image.setDotsPerMeterY(qRound(logicalDpiY() * ratio / InchesPerMeter));
    return image;
}

void SimpleProgress::InitProperties() {
    m.Percentage = Props::DefaultPercentage;
    m.FillColour = Props::DefaultFillColour;
    m.BorderWidth = Props::DefaultBorderWidth;
    m.BackColour = Props::DefaultBackColour;
}

void SimpleProgress::ReadProperties(const PropertyBag& bag) {
    m.Percentage = readShort(bag, Props::Percentage, Props::DefaultPercentage);
    m.FillColour = readColour(bag, Props::FillColour, Props::DefaultFillColour);
    m.BorderWidth = readShort(bag, Props::BorderWidth, Props::DefaultBorderWidth);
    m.BackColour = readColour(bag, Props::BackColour, Props::DefaultBackColour);
    ReDraw();
}

void SimpleProgress::WriteProperties(PropertyBag& bag) const {
    bag.write(Props::Percentage, int(m.Percentage), int(Props::DefaultPercentage));
    bag.write(Props::FillColour, uint(m.FillColour), uint(Props::DefaultFillColour));
    bag.write(Props::BorderWidth, int(m.BorderWidth), int(Props::DefaultBorderWidth));
    bag.write(Props::BackColour, uint(m.BackColour), uint(Props::DefaultBackColour));
}

void SimpleProgress::setPercentage(qint16 value) {
    m.Percentage = std::clamp<qint16>(value, 0, 100);
    redrawAndReport(Props::Percentage);
}

void SimpleProgress::setFillColour(quint32 value) {
    m.FillColour = value;
    redrawAndReport(Props::FillColour);
}

void SimpleProgress::setBackColour(quint32 value) {
    m.BackColour = value;
    redrawAndReport(Props::BackColour);
}

void SimpleProgress::setBorderWidth(qint16 value) {
    m.BorderWidth = value;
    redrawAndReport(Props::BorderWidth);
}

// The value is stored whether or not the redraw succeeds, so the host hears of
// the change either way; the redraw's error then goes on to the caller.
void SimpleProgress::redrawAndReport(const QString& name) {
    try {
        ReDraw();
    } catch (...) {
        emit PropertyChanged(name);
        throw;
    }
    emit PropertyChanged(name);
}

void SimpleProgress::ReDraw() {
    syncImageSize();
    const TwipsPerPixel tpp = twipsPerPixel();

    m.CaptionText = QString::number(m.Percentage) + u'%';

    const QSize pixels = deviceSize();
    const double scaleWidth = checked(pixels.width() * tpp.x);
    const double scaleHeight = checked(pixels.height() * tpp.y);
    const qint16 borders = doubled(m.BorderWidth);
    m.InnerWidth = wholeNumber(scaleWidth - borders);

    DrawBox(0, 0, wholeNumber(scaleWidth), wholeNumber(scaleHeight), m.BackColour);

    const double barRight = checked(double(m.Percentage) / 100.0 * m.InnerWidth + m.BorderWidth);
    DrawBox(m.BorderWidth, m.BorderWidth, wholeNumber(barRight), wholeNumber(scaleHeight - m.BorderWidth),
            m.FillColour);

    m.HalfWidth = float(scaleWidth / 2);
    m.HalfHeight = float(scaleHeight / 2);
    checked(m.HalfWidth); // single precision may overflow where double did not
    checked(m.HalfHeight);

    // Mono glyphs keep the caption two-coloured after the XOR copy.
    QFont captionFont = font();
    captionFont.setStyleStrategy(QFont::NoAntialias);
    const QImage measure = textDevice(QSize(1, 1));
    const QFontMetricsF metrics(captionFont, &measure);
    m.TextWidthPx = wholeNumber(metrics.horizontalAdvance(m.CaptionText));
    m.TextHeightPx = wholeNumber(metrics.height());

    m.TextLeftPx = wholeNumber(checked(m.HalfWidth / tpp.x) - m.TextWidthPx / 2.0);
    m.TextTopPx = wholeNumber(checked(m.HalfHeight / tpp.y) - m.TextHeightPx / 2.0);

    const QSize captionSize(wholeNumber(CaptionBufferWidth / tpp.x), wholeNumber(CaptionBufferHeight / tpp.y));
    if (Img.size() != captionSize || Img.dotsPerMeterX() != measure.dotsPerMeterX() ||
        Img.dotsPerMeterY() != measure.dotsPerMeterY())
        Img = textDevice(captionSize);
    if (!Img.isNull()) {
        Img.fill(colourFromBgr(CaptionBackground));
        QPainter text(&Img);
        text.setFont(captionFont);
        text.setPen(palette().color(QPalette::ButtonText));
        text.drawText(QPoint(0, QFontMetrics(captionFont, &Img).ascent()), m.CaptionText);
    }

    // Only what Img holds can be copied.
    const QRect source = QRect(0, 0, m.TextWidthPx, m.TextHeightPx) & Img.rect();
    if (!m_image.isNull() && !source.isEmpty()) {
        QPainter dc(&m_image);
        dc.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        dc.drawImage(QPoint(m.TextLeftPx, m.TextTopPx), Img, source);
    }

    // Shown now, not at the next pass of the event loop: a host may set the
    // percentage inside a working loop.
    repaint();
}

void SimpleProgress::DrawBox(qint32 x1, qint32 y1, qint32 x2, qint32 y2, quint32 colour) {
    // The corners are converted before any pen is made, so a failing
    // conversion leaves nothing selected.
    const TwipsPerPixel tpp = twipsPerPixel();
    const qint64 left = wholeNumber(x1 / tpp.x);
    const qint64 top = wholeNumber(y1 / tpp.y);
    const qint64 right = wholeNumber(x2 / tpp.x);
    const qint64 bottom = wholeNumber(y2 / tpp.y);
    if (m_image.isNull())
        return;

    const QColor c = colourFromBgr(colour);
    QPainter dc(&m_image);
    m.CurrentPen = QPen(c, 1);
    m.PreviousPen = dc.pen();
    dc.setPen(m.CurrentPen);
    const QBrush previousBrush = dc.brush();
    dc.setBrush(c);

    // As the rectangle primitive does: corners in either order, the right and
    // bottom edges left out. Clipped to the image in 64 bits so no size wraps.
    const qint64 x0 = std::max<qint64>(std::min(left, right), 0);
    const qint64 xEnd = std::min<qint64>(std::max(left, right), m_image.width());
    const qint64 y0 = std::max<qint64>(std::min(top, bottom), 0);
    const qint64 yEnd = std::min<qint64>(std::max(top, bottom), m_image.height());
    if (x0 < xEnd && y0 < yEnd)
        dc.fillRect(QRect(int(x0), int(y0), int(xEnd - x0), int(yEnd - y0)), dc.brush());

    dc.setPen(m.PreviousPen);
    dc.setBrush(previousBrush);
}

void SimpleProgress::syncImageSize() {
    const QSize pixels = deviceSize();
    if (m_image.size() == pixels)
        return;
    if (pixels.isEmpty()) {
        m_image = QImage();
        return;
    }
    // Like any retained image: what was drawn stays, new area gets the window colour.
    QImage resized(pixels, QImage::Format_RGB32);
    resized.fill(palette().color(SystemColours::Window));
    if (!m_image.isNull()) {
        QPainter p(&resized);
        p.drawImage(0, 0, m_image);
    }
    m_image = std::move(resized);
}

void SimpleProgress::paintEvent(QPaintEvent*) {
    // The image holds device pixels: undo the screen's scaling so that each
    // lands on one pixel of the screen, not stretched.
    QPainter p(this);
    const double ratio = devicePixelRatioF();
    p.scale(1 / ratio, 1 / ratio);
    p.drawImage(0, 0, m_image);
}

void SimpleProgress::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A failed redraw leaves what was drawn before it failed; there is no
    // caller to hand the error to.
    try {
        ReDraw();
    } catch (const ProgressError& error) {
        qWarning("SimpleProgress: redraw failed: %s", error.what());
    }
}
