// SPDX-License-Identifier: MIT
// The history window offscreen, and line-warden-history from the command line.
#include <QChart>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineSeries>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "FileBytes.h"
#include "Peers.h"
#include "history/StatsHistory.h"
#include "history_view/HistoryChartView.h"
#include "history_view/HistoryWindow.h"

using namespace history;

namespace {

constexpr qint64 Minute = 60 * 1000;
const QSize Size(1300, 680);

QDateTime on(int day, int hour, int minute = 0) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute));
}

// Four days of minute records to 07/12/2026 23:59, steady but for a resync on
// the 6th, an outage on 07/12 from 12:00 to 13:59, a one-minute one on 05/12 at
// 06:00, and no records from 05/12 07:00 to 06/12 05:59.
const QDateTime GapFrom = on(5, 6, 59);
const QDateTime GapTo = on(6, 6);

QByteArray fourDays() {
    QByteArray bytes;
    for (QDateTime t = on(4, 0); t <= on(7, 23, 59); t = t.addSecs(60)) {
        if (t > GapFrom && t < GapTo)
            continue;
        const bool down = (t >= on(7, 12) && t < on(7, 14)) || t == on(5, 6);
        const QString rate = t < on(6, 0) ? "8000" : "7600";
        const QString record =
            StatsCsv::Record(t, {rate, "20", "10", "800", "10", "10"}, down ? StatsCsv::Down : StatsCsv::Up);
        bytes += (record + StatsCsv::LineEnd).toLatin1();
    }
    return bytes;
}

bool reddish(QRgb pixel) {
    return qRed(pixel) - qGreen(pixel) > 30;
}

// Either statistic's line: blue, or orange far redder than the shade.
bool linePixel(QRgb pixel) {
    return qBlue(pixel) - qRed(pixel) > 60 || qRed(pixel) - qBlue(pixel) > 120;
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

// Whether any line is drawn strictly between two moments, in any chart's plot.
bool linesBetween(HistoryWindow& window, const QImage& picture, const QDateTime& from, const QDateTime& to) {
    for (HistoryChartView* chart : window.charts()) {
        const QRect plot = chart->mapFromScene(chart->chart()->plotArea()).boundingRect();
        const int left = int(chart->positionOf(double(from.toMSecsSinceEpoch()), 0).x()) + 3;
        const int right = int(chart->positionOf(double(to.toMSecsSinceEpoch()), 0).x()) - 3;
        for (int x = left; x <= right; ++x) {
            for (int y = plot.top(); y <= plot.bottom(); ++y) {
                if (linePixel(picture.pixel(chart->mapTo(&window, QPoint(x, y)))))
                    return true;
            }
        }
    }
    return false;
}

} // namespace

class TestHistoryView : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_runtime;
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
        QVERIFY(writeFile(m_csv, fourDays()));
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
        const QDateTime shown = QDateTime::fromString(w->readout()->text().left(16), StatsCsv::TimeStampFormat);
        QVERIFY2(qAbs(shown.secsTo(on(6, 9, 30))) <= 6 * 60, qPrintable(w->readout()->text()));
        QVERIFY(w->readout()->text().contains(QStringLiteral("down 7600 kbit/s")));
    }

    // A line of the list shows its stretch, with as much time again around it, ten minutes at least.
    void listShowsItsStretch() {
        HistoryWindow* w = window();
        QCOMPARE(w->spanTable()->model()->rowCount(), 3);
        QTest::mouseClick(w->spanTable()->viewport(), Qt::LeftButton, {},
                          w->spanTable()->visualRect(w->spanTable()->model()->index(2, 0)).center());
        QCOMPARE(w->rangeFrom(), on(7, 10).toMSecsSinceEpoch());
        QCOMPARE(w->rangeTo(), on(7, 16).toMSecsSinceEpoch());
        QCOMPARE(w->rangeBox()->currentIndex(), -1);
    }

    void missingFileSaysSo() {
        const QString missing = m_dir.filePath("none.csv");
        HistoryWindow w(ReadStatsFile(missing), missing);
        QVERIFY(w.message()->text().contains(missing));
        QCOMPARE(w.charts()[0], nullptr);
    }

    // The summary tells the view beside the whole file; a window of that size fits a small laptop's screen.
    void summaryOfTheViewFitsASmallScreen() {
        HistoryWindow* w = window();
        emit w->rangeBox()->activated(int(HistoryWindow::Range::LastDay));
        QCOMPARE(w->summaryValue("Records", false), QStringLiteral("1441"));
        QCOMPARE(w->summaryValue("Records", true), QStringLiteral("4380"));
        QCOMPARE(w->summaryValue("Downstream rate", false), QStringLiteral("7600 / 7600 / 7600 kbit/s"));
        QCOMPARE(w->summaryValue("Downstream rate", true), QStringLiteral("7600 / 7769.9 / 8000 kbit/s"));
        QVERIFY2(
            QRect(0, 0, 1366, 768 - 70).contains(QRect(QPoint(), w->minimumSizeHint())),
            qPrintable(QStringLiteral("%1 x %2").arg(w->minimumSizeHint().width()).arg(w->minimumSizeHint().height())));
        QVERIFY(w->rect().contains(w->readout()->geometry()));
    }

    // Records Line Warden appends show without a reload, and the view stays on the last day.
    void followsTheFileItOpens() {
        HistoryWindow* w = window();
        const QString copy = m_dir.filePath("copy.csv");
        QFile::remove(copy);
        QVERIFY(QFile::copy(m_csv, copy));
        w->openFile(copy);
        emit w->rangeBox()->activated(int(HistoryWindow::Range::LastDay));
        QVERIFY(writeFile(copy, "08/12/2026 00:00,7600,20,10,800,10,10,Down\r\n", QIODevice::Append));
        QTRY_COMPARE(w->summaryValue("Records", true), QStringLiteral("4381"));
        QCOMPARE(w->rangeTo(), on(8, 0).toMSecsSinceEpoch());
        QCOMPARE(w->rangeBox()->currentIndex(), int(HistoryWindow::Range::LastDay));
        w->openFile(m_csv);
        QCOMPARE(w->summaryValue("Records", true), QStringLiteral("4380"));
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        const QString png = m_dir.filePath("out.png");
        const QString empty = m_dir.filePath("empty.csv");
        QFile(empty).open(QIODevice::WriteOnly);
        QTest::newRow("summary") << QStringList{"--summary", m_csv} << 0
                                 << "Records:            4380\nDownstream margin:  min 10, mean 10, max 10 dB\n";
        QTest::newRow("summary, outages and gaps") << QStringList{"--summary", m_csv} << 0
                                                   << "Outages: 2, total 02:01:00, longest 02:00:00\n"
                                                      "  05/12/2026 06:00 to 05/12/2026 06:01  00:01:00\n"
                                                      "  07/12/2026 12:00 to 07/12/2026 14:00  02:00:00\n"
                                                      "Gaps without records: 1, longest 23:01:00\n"
                                                      "  05/12/2026 06:59 to 06/12/2026 06:00  23:01:00\n";
        QTest::newRow("png") << QStringList{m_csv, "--png", png, "--width", "1300", "--height", "680"} << 0 << "";
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--summary";
        QTest::newRow("missing file, summary") << QStringList{"--summary", m_dir.filePath("none.csv")} << 1 << "";
        QTest::newRow("missing file, png") << QStringList{m_dir.filePath("none.csv"), "--png", png} << 1 << "";
        QTest::newRow("empty file") << QStringList{"--summary", empty} << 1 << "";
        QTest::newRow("unknown option") << QStringList{"--summery", m_csv} << 3 << "";
        QTest::newRow("two files") << QStringList{"--summary", m_csv, m_csv} << 3 << "";
        QTest::newRow("width not a number") << QStringList{m_csv, "--png", png, "--width", "wide"} << 3 << "";
    }
    // Without a display, as over ssh or from cron: none of these needs one.
    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        const QString png = m_dir.filePath("out.png");
        QFile::remove(png);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("QT_QPA_PLATFORM");
        environment.insert("XDG_RUNTIME_DIR", m_runtime.path()); // as a login session has it
        program.setProcessEnvironment(environment);
        program.start(Peers::binDir() + "/line-warden-history", arguments);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QTEST(program.exitCode(), "status");
        QVERIFY(QString::fromLocal8Bit(program.readAllStandardOutput()).contains(output));
        // Quiet when it worked; a line saying why when it did not.
        const QByteArray errors = program.readAllStandardError();
        QVERIFY2(errors.isEmpty() == (program.exitCode() == 0), errors.constData());
        if (!arguments.contains("--png"))
            return;
        const QImage picture(png);
        QCOMPARE(picture.isNull(), program.exitCode() != 0);
        if (picture.isNull())
            return;
        // The same places are shaded as in a window drawn here, and no line crosses the gap.
        HistoryWindow* w = window();
        QCOMPARE(picture.size(), Size);
        QCOMPARE(shadedAt(*w, picture, on(5, 6)), QList<bool>(3, true));
        QCOMPARE(shadedAt(*w, picture, on(5, 18)), QList<bool>(3, false));
        QVERIFY(!linesBetween(*w, picture, GapFrom, GapTo));
        QVERIFY(linesBetween(*w, picture, GapTo, on(6, 12)));
    }
};

QTEST_MAIN(TestHistoryView)
#include "tst_history_view.moc"
