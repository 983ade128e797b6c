// SPDX-License-Identifier: MIT
// The history window offscreen, and line-warden-history from the command line.
#include <QChart>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineSeries>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "Peers.h"
#include "history/StatsHistory.h"
#include "history_view/HistoryChartView.h"
#include "history_view/HistoryWindow.h"

using namespace history;

namespace {

constexpr qint64 Minute = 60 * 1000;
const QSize Size(1000, 800);

QDateTime on(int day, int hour, int minute = 0) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute));
}

// Four days of minute records to 07/12/2026 23:59, steady but for a resync on
// the 6th, an outage on 07/12 from 12:00 to 13:59 and a one-minute one on 05/12 at 06:00.
QByteArray fourDays() {
    QByteArray bytes;
    for (QDateTime t = on(4, 0); t <= on(7, 23, 59); t = t.addSecs(60)) {
        const bool down = (t >= on(7, 12) && t < on(7, 14)) || t == on(5, 6);
        const QByteArray rate = t < on(6, 0) ? "8000" : "7600";
        bytes += t.toString(QStringLiteral("dd/MM/yyyy hh:mm")).toLatin1() + ',' + rate + ",20,10," +
                 (down ? "800,10,10,Down\r\n" : "800,10,10,Up\r\n");
    }
    return bytes;
}

bool reddish(QRgb pixel) {
    return qRed(pixel) - qGreen(pixel) > 30;
}

// Whether the window's picture is shaded at this moment, high in each chart's plot, away from the lines.
QList<bool> shadedAt(HistoryWindow& window, const QImage& picture, const QDateTime& time) {
    QList<bool> shaded;
    for (HistoryChartView* chart : window.charts()) {
        const double x = chart->positionOf(double(time.toMSecsSinceEpoch()), 0).x();
        const double y = chart->mapFromScene(chart->chart()->plotArea().topLeft()).y() + 8;
        // Within a pixel or two of the moment: the shade's edges are anti-aliased.
        bool any = false;
        for (int dx = -1; dx <= 2; ++dx)
            any = any || reddish(picture.pixel(chart->mapTo(&window, QPoint(int(x) + dx, int(y)))));
        shaded << any;
    }
    return shaded;
}

} // namespace

class TestHistoryView : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_csv;

    std::unique_ptr<HistoryWindow> m_window; // one for all: a program has one

    // The window showing all records, drawn at Size.
    HistoryWindow* window() {
        emit m_window->rangeBox()->activated(int(HistoryWindow::Range::All));
        m_window->render(Size);
        return m_window.get();
    }

private slots:
    void initTestCase() {
        m_csv = m_dir.filePath("stats.csv");
        QFile file(m_csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(fourDays());
        file.close();
        m_window = std::make_unique<HistoryWindow>(ReadStatsFile(m_csv), m_csv);
    }
    void cleanupTestCase() { m_window.reset(); }

    void threeChartsShadeTheOutages() {
        HistoryWindow* w = window();
        QCOMPARE(w->charts().size(), size_t(3));
        QCOMPARE(w->charts()[1]->downSeries()->name(), QStringLiteral("Downstream rate"));
        // The whole history: even the one-minute outage shows, in all three charts.
        QImage picture = w->grab().toImage();
        QCOMPARE(shadedAt(*w, picture, on(5, 6)), QList<bool>({true, true, true}));
        QCOMPARE(shadedAt(*w, picture, on(5, 18)), QList<bool>({false, false, false}));
        // The last day: the outage begins and ends where its records say.
        emit w->rangeBox()->activated(int(HistoryWindow::Range::LastDay));
        picture = w->render(Size);
        for (const auto& [time, shaded] : {std::pair{on(7, 11, 45), false}, std::pair{on(7, 12, 15), true},
                                           std::pair{on(7, 13, 45), true}, std::pair{on(7, 14, 15), false}})
            QCOMPARE(shadedAt(*w, picture, time), QList<bool>(3, shaded));
    }

    void rangeBoxWheelAndDrag() {
        HistoryWindow* w = window();
        const qint64 last = on(7, 23, 59).toMSecsSinceEpoch();
        const QList<qint64> spans{24 * 60 * Minute, 3 * 24 * 60 * Minute + 23 * 60 * Minute + 59 * Minute};
        for (auto [range, span] :
             {std::pair{HistoryWindow::Range::LastDay, spans[0]}, std::pair{HistoryWindow::Range::LastWeek, spans[1]},
              std::pair{HistoryWindow::Range::All, spans[1]}}) {
            emit w->rangeBox()->activated(int(range));
            QCOMPARE(w->rangeTo(), last);
            QCOMPARE(w->rangeTo() - w->rangeFrom(), span);
        }
        emit w->rangeBox()->activated(int(HistoryWindow::Range::LastDay));
        HistoryChartView* chart = w->charts()[2];
        // One notch of the wheel zooms in around the time under the mouse.
        const QPointF noon = chart->positionOf(double(on(7, 12).toMSecsSinceEpoch()), 0);
        QWheelEvent wheel(noon, chart->mapToGlobal(noon), {}, {0, 120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QCoreApplication::sendEvent(chart->viewport(), &wheel);
        QCOMPARE(w->rangeTo() - w->rangeFrom(), qint64(spans[0] * 0.8));
        QVERIFY(qAbs(chart->timeAt(noon.x()) - on(7, 12).toMSecsSinceEpoch()) < 2 * Minute);
        QCOMPARE(w->rangeBox()->currentIndex(), -1);
        // Dragging to the right shows earlier records.
        const qint64 from = w->rangeFrom();
        QTest::mousePress(chart->viewport(), Qt::LeftButton, {}, noon.toPoint());
        QMouseEvent drag(QEvent::MouseMove, noon + QPointF(100, 0), chart->mapToGlobal(noon + QPointF(100, 0)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(chart->viewport(), &drag);
        QTest::mouseRelease(chart->viewport(), Qt::LeftButton, {}, (noon + QPointF(100, 0)).toPoint());
        QVERIFY(w->rangeFrom() < from - 30 * Minute);
    }

    void hoverReadsTheRecordUnderTheMouse() {
        HistoryWindow* w = window();
        HistoryChartView* chart = w->charts()[0];
        const QPointF at = chart->positionOf(double(on(6, 9, 30).toMSecsSinceEpoch()), 0);
        QMouseEvent move(QEvent::MouseMove, at, chart->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(chart->viewport(), &move);
        // Four days over about 900 pixels: a pixel is some six minutes.
        const QDateTime shown =
            QDateTime::fromString(w->readout()->text().left(16), QStringLiteral("dd/MM/yyyy hh:mm"));
        QVERIFY2(qAbs(shown.secsTo(on(6, 9, 30))) <= 6 * 60, qPrintable(w->readout()->text()));
        QVERIFY(w->readout()->text().contains(QStringLiteral("down 7600 kbit/s")));
    }

    void missingFileSaysSo() {
        const QString missing = m_dir.filePath("none.csv");
        HistoryWindow w(ReadStatsFile(missing), missing);
        QVERIFY(w.message()->text().contains(missing));
        QCOMPARE(w.charts()[0], nullptr);
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        const QString png = m_dir.filePath("out.png");
        const QString empty = m_dir.filePath("empty.csv");
        QFile(empty).open(QIODevice::WriteOnly);
        QTest::newRow("summary") << QStringList{"--summary", m_csv} << 0
                                 << "Records:            5760\nDownstream margin:  min 10, mean 10, max 10 dB\n";
        QTest::newRow("png") << QStringList{m_csv, "--png", png, "--width", "1000", "--height", "800"} << 0 << "";
        QTest::newRow("missing file, summary") << QStringList{"--summary", m_dir.filePath("none.csv")} << 1 << "";
        QTest::newRow("missing file, png") << QStringList{m_dir.filePath("none.csv"), "--png", png} << 1 << "";
        QTest::newRow("empty file") << QStringList{"--summary", empty} << 1 << "";
    }
    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        const QString png = m_dir.filePath("out.png");
        QFile::remove(png);
        QProcess program;
        program.start(Peers::binDir() + "/line-warden-history", arguments);
        QVERIFY(program.waitForFinished(60000));
        QTEST(program.exitCode(), "status");
        QVERIFY(QString::fromLocal8Bit(program.readAllStandardOutput()).contains(output));
        if (!arguments.contains("--png"))
            return;
        const QImage picture(png);
        QCOMPARE(picture.isNull(), program.exitCode() != 0);
        if (picture.isNull())
            return;
        // The same place is shaded as in a window drawn here.
        HistoryWindow* w = window();
        QCOMPARE(picture.size(), Size);
        QCOMPARE(shadedAt(*w, picture, on(5, 6)), QList<bool>(3, true));
        QCOMPARE(shadedAt(*w, picture, on(5, 18)), QList<bool>(3, false));
    }
};

QTEST_MAIN(TestHistoryView)
#include "tst_history_view.moc"
