// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QPen>
#include <QString>
#include <QWidget>
#include <optional>

class PropertyBag;

// Persistence names and defaults of the progress bar, in the order they are
// read and written.
namespace SimpleProgressProperties {
inline const QString Percentage = QStringLiteral("Percentage");
inline const QString FillColour = QStringLiteral("FillColour");
inline const QString BorderWidth = QStringLiteral("BorderWidth");
inline const QString BackColour = QStringLiteral("BackColour");

inline constexpr qint16 DefaultPercentage = 50;
inline constexpr quint32 DefaultFillColour = 0xFF0000; // blue
inline constexpr qint16 DefaultBorderWidth = 15;       // one pixel at 96 dpi
inline constexpr quint32 DefaultBackColour = 0xFFFFFF; // white
} // namespace SimpleProgressProperties

// A colour laid out 0x00BBGGRR (red in the low byte); the high byte is ignored.
inline QColor colourFromBgr(quint32 bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// How many twips (1/1440 inch) make one pixel, horizontally and vertically.
struct TwipsPerPixel {
    double x = 15.0;
    double y = 15.0;
};

// The state of one bar, in declaration order. The layout fields keep the
// values of the last redraw.
struct SimpleProgressState {
    QPen CurrentPen;        // pen of the rectangle being drawn
    QPen PreviousPen;       // pen it replaced in the drawing context
    qint32 TextWidthPx = 0; // caption size in pixels
    qint32 TextHeightPx = 0;
    float HalfWidth = 0;   // half the control's size, in twips
    float HalfHeight = 0;  //
    qint32 TextLeftPx = 0; // top left pixel of the caption box on the control
    qint32 TextTopPx = 0;
    QString CaptionText; // e.g. "50%"
    qint16 Percentage = SimpleProgressProperties::DefaultPercentage;
    quint32 FillColour = SimpleProgressProperties::DefaultFillColour;
    quint32 BackColour = SimpleProgressProperties::DefaultBackColour;
    qint16 BorderWidth = SimpleProgressProperties::DefaultBorderWidth; // margin around the bar, in twips
    qint32 InnerWidth = 0;                                             // width of the bar at 100 %, in twips
};

// An owner-drawn percentage bar with the number written in its centre.
// Everything is drawn into a retained image the size of the control in device
// pixels, which the paint event only shows, pixel for pixel. Property sets redraw at once and throw
// ProgressError when the redraw fails; the new value stays stored.
class SimpleProgress : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qint16 Percentage READ Percentage WRITE setPercentage)
    Q_PROPERTY(quint32 FillColour READ FillColour WRITE setFillColour)
    Q_PROPERTY(quint32 BackColour READ BackColour WRITE setBackColour)
    Q_PROPERTY(qint16 BorderWidth READ BorderWidth WRITE setBorderWidth)

public:
    // Without twipsPerPixel the screen's true resolution decides it: 1440 /
    // (logical dpi x device pixel ratio), 15 at 96 dpi, 10 on a screen scaled by 1.5.
    explicit SimpleProgress(QWidget* parent = nullptr, std::optional<TwipsPerPixel> twipsPerPixel = std::nullopt);

    // Repaints the whole control from the current state.
    void ReDraw();

    qint16 Percentage() const { return m.Percentage; }
    void setPercentage(qint16 value); // clamped to 0..100
    quint32 FillColour() const { return m.FillColour; }
    void setFillColour(quint32 value);
    quint32 BackColour() const { return m.BackColour; }
    void setBackColour(quint32 value);
    qint16 BorderWidth() const { return m.BorderWidth; }
    void setBorderWidth(qint16 value); // no range check

    // Host handlers: a new instance is placed, a saved one is loaded (values
    // are taken as stored, unclamped, then drawn), or the instance is saved.
    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    const SimpleProgressState& state() const { return m; }
    const QImage& image() const { return m_image; }
    TwipsPerPixel twipsPerPixel() const;

signals:
    // A property was set; the host should save the instance again.
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void DrawBox(qint32 x1, qint32 y1, qint32 x2, qint32 y2, quint32 colour);
    // The control's size in the screen's own pixels, which the images hold.
    QSize deviceSize() const;
    QImage textDevice(QSize size) const;
    void syncImageSize();
    void redrawAndReport(const QString& name);

    SimpleProgressState m;
    std::optional<TwipsPerPixel> m_twipsPerPixel;
    QImage m_image; // the retained image
    QImage Img;     // off-screen caption buffer
};
