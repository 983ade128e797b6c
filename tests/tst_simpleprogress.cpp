// SPDX-License-Identifier: MIT
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include "Peers.h"
#include "controls/ProgressError.h"
#include "controls/PropertyBag.h"
#include "controls/SimpleProgress.h"

namespace Props = SimpleProgressProperties;

Q_DECLARE_METATYPE(ProgressError::Kind)

namespace {

constexpr quint32 Blue = 0xFF0000;
constexpr quint32 White = 0xFFFFFF;
constexpr quint32 Green = 0x00FF00;
constexpr TwipsPerPixel At96Dpi{15, 15};

QRgb rgb(quint32 bgr) {
    return colourFromBgr(bgr).rgb() & 0xFFFFFF;
}

QRgb at(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

// What the control shows on screen.
QImage shown(SimpleProgress& bar) {
    return bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRect captionBox(const SimpleProgressState& s) {
    return QRect(s.TextLeftPx, s.TextTopPx, s.TextWidthPx, s.TextHeightPx);
}

// Every pixel of a drawn bar: outside the caption box exactly the bar or the
// background; inside it each pixel either keeps that colour (a glyph) or is
// inverted. Returns a description of the first wrong pixel, or an empty text.
// glyphs receives the caption as black on white.
QString verifyPixels(const QImage& image, QRect bar, quint32 back, quint32 fill, QRect caption,
                     QImage* glyphs = nullptr) {
    if (glyphs) {
        *glyphs = QImage(caption.size(), QImage::Format_RGB32);
        glyphs->fill(Qt::white);
    }
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb block = bar.contains(x, y) ? rgb(fill) : rgb(back);
            const QRgb actual = at(image, x, y);
            const bool inCaption = caption.contains(x, y);
            const bool ok = actual == block || (inCaption && actual == (block ^ 0xFFFFFF));
            if (!ok)
                return QStringLiteral("pixel (%1, %2) is #%3, expected #%4%5")
                    .arg(x)
                    .arg(y)
                    .arg(actual, 6, 16, QLatin1Char('0'))
                    .arg(block, 6, 16, QLatin1Char('0'))
                    .arg(inCaption ? QStringLiteral(" or its inverse") : QString());
            if (glyphs && inCaption && actual == block)
                glyphs->setPixel(x - caption.x(), y - caption.y(), qRgb(0, 0, 0));
        }
    }
    return {};
}

// The caption as the default font writes it, two-coloured.
QImage referenceCaption(const QString& text, QSize size) {
    QFont font;
    font.setStyleStrategy(QFont::NoAntialias);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QPoint(0, QFontMetrics(font, &image).ascent()), text);
    return image;
}

// The shown bar in the default colours, blue on white, with bar as its blue block.
QString verifyShown(SimpleProgress& bar, QRect blueBlock) {
    return verifyPixels(shown(bar), blueBlock, White, Blue, captionBox(bar.state()));
}

// Records what the control asks of its bag, in order.
class RecordingBag : public PropertyBag {
public:
    QStringList calls;
    QVariantMap values;

protected:
    QVariant stored(const QString& name) const override {
        const_cast<RecordingBag*>(this)->calls << QStringLiteral("read ") + name;
        return values.value(name);
    }
    void store(const QString& name, const QVariant& value) override {
        calls << QStringLiteral("write %1=%2").arg(name, value.toString());
        values.insert(name, value);
    }
    void remove(const QString& name) override {
        calls << QStringLiteral("default ") + name;
        values.remove(name);
    }
};

// The bag the persistence tests run against: a map, or a group of an INI file.
struct BagUnderTest {
    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<PropertyBag> bag;

    explicit BagUnderTest(const QString& kind) {
        if (kind == u"settings") {
            settings = std::make_unique<QSettings>(dir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
            bag = std::make_unique<SettingsPropertyBag>(*settings, QStringLiteral("SimpleProgress1"));
        } else {
            bag = std::make_unique<VariantMapPropertyBag>();
        }
    }

    QStringList names() const {
        if (settings) {
            settings->sync();
            settings->beginGroup(QStringLiteral("SimpleProgress1"));
            const QStringList keys = settings->childKeys();
            settings->endGroup();
            return keys;
        }
        return static_cast<VariantMapPropertyBag*>(bag.get())->values().keys();
    }
};

ProgressError::Kind failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ProgressError& error) {
        return error.kind();
    }
    QTest::qFail("no ProgressError was thrown", __FILE__, __LINE__);
    return ProgressError::Kind::Overflow;
}

} // namespace

class TestSimpleProgress : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Every pixel below assumes 96 dots per inch, as the offscreen screen has;
        // tst_simpleprogress_scaled runs deviceResolution on a screen scaled by 1.5.
        QCOMPARE(SimpleProgress().devicePixelRatioF(), qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble());
    }

    void newInstance() {
        SimpleProgress bar;
        bar.resize(200, 24); // the host sizes it; the resize draws it
        const QImage image = shown(bar);
        const SimpleProgressState& s = bar.state();

        QCOMPARE(bar.Percentage(), 50);
        QCOMPARE(s.CaptionText, QStringLiteral("50%"));
        const QFontMetricsF metrics(QFont(), &bar);
        QCOMPARE(s.TextWidthPx, qRound(metrics.horizontalAdvance(QStringLiteral("50%"))));
        QCOMPARE(s.TextLeftPx, int(std::nearbyint(100 - s.TextWidthPx / 2.0)));
        QCOMPARE(s.TextTopPx, int(std::nearbyint(12 - s.TextHeightPx / 2.0)));

        // One pixel of white around a blue bar over the left half; the caption
        // inverts what it covers but its glyphs: blue on yellow, white on black.
        QImage glyphs;
        const QString wrong = verifyPixels(image, QRect(1, 1, 99, 22), White, Blue, captionBox(s), &glyphs);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QCOMPARE(glyphs, referenceCaption(QStringLiteral("50%"), glyphs.size()));
    }

    void fullBarMargins_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<qint16>("borderWidth");
        QTest::addColumn<int>("marginPx");
        QTest::newRow("one pixel") << 200 << qint16(15) << 1;
        QTest::newRow("three pixels") << 200 << qint16(45) << 3;
        QTest::newRow("ten pixels, odd width") << 157 << qint16(150) << 10;
        QTest::newRow("no margin") << 120 << qint16(0) << 0;
    }

    void fullBarMargins() {
        QFETCH(int, width);
        QFETCH(qint16, borderWidth);
        QFETCH(int, marginPx);

        SimpleProgress bar(nullptr, At96Dpi);
        bar.resize(width, 40);
        bar.setBorderWidth(borderWidth);
        bar.setPercentage(100);
        const QString wrong =
            verifyShown(bar, QRect(QPoint(marginPx, marginPx), QPoint(width - 1 - marginPx, 39 - marginPx)));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    void percentageOnSet_data() {
        QTest::addColumn<int>("width"); // pixels, 20 high
        QTest::addColumn<qint16>("value");
        QTest::addColumn<qint16>("stored");
        QTest::addColumn<int>("barEndPx"); // first column past the bar
        QTest::newRow("150 gives 100") << 100 << qint16(150) << qint16(100) << 99;
        QTest::newRow("-5 gives 0") << 100 << qint16(-5) << qint16(0) << 1;
        QTest::newRow("largest gives 100") << 100 << qint16(32767) << qint16(100) << 99;
        QTest::newRow("smallest gives 0") << 100 << qint16(-32768) << qint16(0) << 1;
        QTest::newRow("100 stays") << 100 << qint16(100) << qint16(100) << 99;
        QTest::newRow("50 of 1500 twips, 1470 inside") << 100 << qint16(50) << qint16(50) << 50;
        QTest::newRow("37 stays") << 100 << qint16(37) << qint16(37) << 37; // N((0.37 * 1470 + 15) / 15) = N(37.26)
        // 0.5 * 1515 + 15 = 772.5 twips goes to 772, 51.47 pixels; rounding up would give 773, 51.53 pixels.
        QTest::newRow("half a twip goes to even") << 103 << qint16(50) << qint16(50) << 51;
    }

    void percentageOnSet() {
        QFETCH(int, width);
        QFETCH(qint16, value);
        QFETCH(qint16, stored);
        QFETCH(int, barEndPx);

        SimpleProgress bar(nullptr, At96Dpi);
        bar.resize(width, 20);
        bar.setPercentage(value);
        QCOMPARE(bar.Percentage(), stored);
        QCOMPARE(bar.state().CaptionText, QString::number(stored) + u'%');
        const QString wrong = verifyShown(bar, QRect(QPoint(1, 1), QPoint(barEndPx - 1, 18)));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    void loadingDoesNotClamp() {
        SimpleProgress bar(nullptr, At96Dpi);
        bar.resize(100, 20);
        bar.ReadProperties(VariantMapPropertyBag({{Props::Percentage, 250}}));
        QCOMPARE(bar.Percentage(), 250);
        QCOMPARE(bar.state().CaptionText, QStringLiteral("250%"));
        // 250 % of 1470 twips reaches past the right edge: no right margin is left.
        const QString wrong = verifyShown(bar, QRect(QPoint(1, 1), QPoint(99, 18)));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    void resizeRedraws() {
        SimpleProgress bar(nullptr, At96Dpi);
        bar.resize(100, 20);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        bar.resize(200, 30);
        QCOMPARE(bar.image().size(), QSize(200, 30));
        QCOMPARE(bar.state().InnerWidth, 2970);
        const QString wrong =
            verifyPixels(bar.image(), QRect(QPoint(1, 1), QPoint(99, 28)), White, Blue, captionBox(bar.state()));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    // Drawn in the screen's own pixels and shown one to one. On a screen scaled by
    // 1.5 the bar of 100 x 20 is 150 x 30 pixels of 10 twips: background (0, 0)-(150, 30),
    // bar (2, 2)-(75, 28), so the margin is 2 pixels at the bottom too.
    void deviceResolution() {
        SimpleProgress bar;
        bar.resize(100, 20);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        const double ratio = bar.devicePixelRatioF(), twips = 1440 / (96 * ratio);
        auto n = [&](double length) { return int(std::nearbyint(length / twips)); };
        QCOMPARE(bar.image().size(), QSize(n(1500), n(300)));
        const QRect blue(QPoint(n(15), n(15)), QPoint(n(std::nearbyint(0.5 * (1500 - 30) + 15)) - 1, n(300 - 15) - 1));
        const QString wrong = verifyPixels(bar.image(), blue, White, Blue, captionBox(bar.state()));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QImage onScreen = bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
        onScreen.setDevicePixelRatio(1);
        QCOMPARE(onScreen, bar.image());
    }

    void paintsAtOnce() {
        struct PaintCounter : QObject {
            int paints = 0;
            bool eventFilter(QObject*, QEvent* event) override {
                paints += event->type() == QEvent::Paint;
                return false;
            }
        } counter;
        SimpleProgress bar(nullptr, At96Dpi);
        bar.resize(100, 20);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        bar.installEventFilter(&counter);
        bar.setPercentage(30); // no return to the event loop before the check
        QCOMPARE(counter.paints, 1);
    }

    void propertyOrder() {
        SimpleProgress bar;
        bar.setFillColour(0x00A000);
        bar.setBackColour(0x123456);
        RecordingBag bag;
        bar.WriteProperties(bag);
        QCOMPARE(bag.calls,
                 QStringList({QStringLiteral("default Percentage"), QStringLiteral("write FillColour=40960"),
                              QStringLiteral("default BorderWidth"), QStringLiteral("write BackColour=1193046")}));

        bag.calls.clear();
        SimpleProgress loaded;
        loaded.ReadProperties(bag);
        QCOMPARE(bag.calls, QStringList({QStringLiteral("read Percentage"), QStringLiteral("read FillColour"),
                                         QStringLiteral("read BorderWidth"), QStringLiteral("read BackColour")}));
    }

    void bags_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("map") << QStringLiteral("map");
        QTest::newRow("settings group") << QStringLiteral("settings");
    }

    void bags() {
        QFETCH(QString, kind);
        BagUnderTest host(kind);
        SimpleProgress bar;

        bar.WriteProperties(*host.bag);
        QCOMPARE(host.names(), QStringList()); // defaults are not written

        bar.setPercentage(7);
        bar.setFillColour(0x0000FF);
        bar.setBorderWidth(-30);
        bar.setBackColour(0xFFFFFFFF);
        bar.WriteProperties(*host.bag);
        QCOMPARE(host.names().size(), 4);

        SimpleProgress loaded;
        loaded.ReadProperties(*host.bag);
        QCOMPARE(loaded.Percentage(), 7);
        QCOMPARE(loaded.FillColour(), 0x0000FFu);
        QCOMPARE(loaded.BorderWidth(), -30);
        QCOMPARE(loaded.BackColour(), 0xFFFFFFFFu);

        // Back to the defaults: the entries of the earlier save must not come back.
        bar.InitProperties();
        bar.WriteProperties(*host.bag);
        QCOMPARE(host.names(), QStringList());
        loaded.ReadProperties(*host.bag);
        QCOMPARE(loaded.Percentage(), Props::DefaultPercentage);
        QCOMPARE(loaded.BorderWidth(), Props::DefaultBorderWidth);
    }

    void unreadableEntries() {
        const QVariantMap stored{{Props::Percentage, QStringLiteral("lots")},
                                 {Props::FillColour, QStringLiteral("-1")},
                                 {Props::BorderWidth, 40000},
                                 {Props::BackColour, qint64(1) << 33}};
        QTest::ignoreMessage(QtWarningMsg, "SimpleProgress: unreadable property Percentage, using its default");
        QTest::ignoreMessage(QtWarningMsg, "SimpleProgress: unreadable property BorderWidth, using its default");
        QTest::ignoreMessage(QtWarningMsg, "SimpleProgress: unreadable property BackColour, using its default");
        SimpleProgress bar;
        bar.ReadProperties(VariantMapPropertyBag(stored));
        QCOMPARE(bar.Percentage(), Props::DefaultPercentage);
        QCOMPARE(bar.FillColour(), 0xFFFFFFFFu); // a signed 32-bit colour is taken bit for bit
        QCOMPARE(bar.BorderWidth(), Props::DefaultBorderWidth);
        QCOMPARE(bar.BackColour(), Props::DefaultBackColour);
    }

    void changesReported() {
        SimpleProgress bar;
        QSignalSpy changed(&bar, &SimpleProgress::PropertyChanged);
        bar.InitProperties();
        bar.ReadProperties(VariantMapPropertyBag());
        QCOMPARE(changed.count(), 0);

        bar.setPercentage(20);
        bar.setFillColour(1);
        bar.setBackColour(2);
        bar.setBorderWidth(3);
        QStringList names;
        for (const auto& args : changed)
            names << args.at(0).toString();
        QCOMPARE(names, QStringList({QStringLiteral("Percentage"), QStringLiteral("FillColour"),
                                     QStringLiteral("BackColour"), QStringLiteral("BorderWidth")}));
    }

    void wholeNumber_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint32>("expected");
        QTest::addColumn<int>("failure"); // -1 none, else a ProgressError::Kind
        const int none = -1;
        const int overflow = int(ProgressError::Kind::Overflow);
        const int fault = int(ProgressError::Kind::FloatingPoint);
        QTest::newRow("2.5 gives 2") << 2.5 << 2 << none;
        QTest::newRow("3.5 gives 4") << 3.5 << 4 << none;
        QTest::newRow("-2.5 gives -2") << -2.5 << -2 << none;
        QTest::newRow("2.6 gives 3") << 2.6 << 3 << none;
        QTest::newRow("largest") << 2147483647.4 << 2147483647 << none;
        QTest::newRow("half past largest") << 2147483647.5 << 0 << overflow;
        QTest::newRow("smallest, half below") << -2147483648.5 << qint32(-2147483647 - 1) << none;
        QTest::newRow("far below") << -1e10 << 0 << overflow;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 0 << fault;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0 << fault;
    }

    void wholeNumber() {
        QFETCH(double, value);
        QFETCH(int, failure);
        if (failure < 0)
            QTEST(ProgressMath::wholeNumber(value), "expected");
        else
            QCOMPARE(failureOf([&] { ProgressMath::wholeNumber(value); }), ProgressError::Kind(failure));
    }

    void borderOverflow_data() {
        QTest::addColumn<qint16>("borderWidth");
        QTest::addColumn<bool>("fails");
        QTest::newRow("16383 fits") << qint16(16383) << false;
        QTest::newRow("16384 overflows") << qint16(16384) << true;
        QTest::newRow("-16384 fits") << qint16(-16384) << false;
        QTest::newRow("-16385 overflows") << qint16(-16385) << true;
    }

    void borderOverflow() {
        QFETCH(qint16, borderWidth);
        QFETCH(bool, fails);

        SimpleProgress bar(nullptr, At96Dpi);
        bar.resize(100, 20);
        bar.ReDraw();
        const QImage before = bar.image();
        QSignalSpy changed(&bar, &SimpleProgress::PropertyChanged);

        if (fails) {
            QCOMPARE(failureOf([&] { bar.setBorderWidth(borderWidth); }), ProgressError::Kind::Overflow);
            QCOMPARE(bar.image(), before); // nothing drawn
        } else {
            bar.setBorderWidth(borderWidth);
            QVERIFY(bar.image() != before);
        }
        QCOMPARE(bar.BorderWidth(), borderWidth);
        QCOMPARE(changed.count(), 1); // the value is stored either way
    }

    void overflowAfterCaption() {
        SimpleProgress bar(nullptr, At96Dpi);
        bar.resize(100, 20);
        const VariantMapPropertyBag bag({{Props::Percentage, 70}, {Props::BorderWidth, 16384}});
        QCOMPARE(failureOf([&] { bar.ReadProperties(bag); }), ProgressError::Kind::Overflow);
        QCOMPARE(bar.state().CaptionText, QStringLiteral("70%"));
        QCOMPARE(bar.BorderWidth(), 16384);
    }

    void arithmeticFaults_data() {
        QTest::addColumn<double>("twipsPerPixel");
        QTest::addColumn<qint16>("percentage");
        QTest::addColumn<ProgressError::Kind>("kind");
        QTest::addColumn<bool>("backgroundDrawn");
        QTest::newRow("zero twips per pixel") << 0.0 << qint16(50) << ProgressError::Kind::FloatingPoint << false;
        QTest::newRow("infinite twips per pixel")
            << std::numeric_limits<double>::infinity() << qint16(50) << ProgressError::Kind::FloatingPoint << false;
        QTest::newRow("bar end past 32 bits") << 1e6 << qint16(32767) << ProgressError::Kind::Overflow << true;
    }

    void arithmeticFaults() {
        QFETCH(double, twipsPerPixel);
        QFETCH(qint16, percentage);
        QFETCH(bool, backgroundDrawn);

        SimpleProgress bar(nullptr, TwipsPerPixel{twipsPerPixel, twipsPerPixel});
        bar.resize(100, 20);
        const VariantMapPropertyBag bag({{Props::Percentage, percentage}, {Props::BackColour, Green}});
        QTEST(failureOf([&] { bar.ReadProperties(bag); }), "kind");

        // Drawing stops at the failing step: at most the background is there,
        // otherwise the image is as new, in the window colour.
        const QRgb untouched = bar.palette().color(QPalette::Base).rgb() & 0xFFFFFF;
        const QRgb expected = backgroundDrawn ? rgb(Green) : untouched;
        for (int y = 0; y < bar.image().height(); ++y)
            for (int x = 0; x < bar.image().width(); ++x)
                QCOMPARE(at(bar.image(), x, y), expected);
    }

    void failedResize() {
        SimpleProgress bar(nullptr, At96Dpi);
        bar.resize(100, 20);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QCOMPARE(failureOf([&] { bar.setBorderWidth(20000); }), ProgressError::Kind::Overflow);

        // No caller to take the error: the event is handled and what was drawn stays.
        QTest::ignoreMessage(QtWarningMsg, "SimpleProgress: redraw failed: Overflow");
        bar.resize(120, 20);
        QCOMPARE(bar.image().size(), QSize(120, 20));
        QCOMPARE(at(bar.image(), 1, 1), rgb(Blue));
        QCOMPARE(at(bar.image(), 110, 1), bar.palette().color(QPalette::Base).rgb() & 0xFFFFFF);
    }

    void galleryWritesPngs() {
        QTemporaryDir dir;
        QProcess gallery;
        gallery.start(Peers::binDir() + QStringLiteral("/progress-gallery"), {QStringLiteral("--png"), dir.path()});
        QVERIFY(gallery.waitForFinished(30000));
        QCOMPARE(gallery.exitStatus(), QProcess::NormalExit);
        QCOMPARE(gallery.exitCode(), 0);

        const QImage half(dir.filePath(QStringLiteral("progress-half.png")));
        QCOMPARE(half.size(), QSize(225, 25));
        QCOMPARE(at(half, 0, 0), rgb(White));
        QCOMPARE(at(half, 1, 1), rgb(Blue));
        QCOMPARE(at(half, 112, 1), rgb(Blue)); // N((0.5 * 3345 + 15) / 15) = 113
        QCOMPARE(at(half, 113, 1), rgb(White));
        for (const char* name : {"progress-gallery.png", "progress-empty.png", "progress-full.png"})
            QVERIFY2(!QImage(dir.filePath(QLatin1String(name))).isNull(), name);
    }
};

QTEST_MAIN(TestSimpleProgress)
#include "tst_simpleprogress.moc"
