// SPDX-License-Identifier: MIT
// The statistics script on real sockets, against the router simulator cutting
// its output. (Whole replies: tst_tarn_run and tst_stats_loopback; busybox
// telnetd: tst_stats_loopback.)
#include <QTest>

#include "Peers.h"
#include "RouterSim.h"
#include "StatsDialogue.h"
#include "script_engine/TarnTelnet.h"

using namespace Qt::StringLiterals;

class TestTarnLoopback : public QObject {
    Q_OBJECT

private slots:
    void statistics_data() {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("one-byte pieces") << QStringList{"--chunk", "1", "--piece-delay-ms", "1"};
        // Where the WAIT's text first appears inside the echo (tst_tarntelnet splits it everywhere).
        QTest::newRow("echo split inside its no_where")
            << QStringList{"--split-echo", "45", "--piece-delay-ms", "3", "--greeting-delay-ms", "0"};
    }

    // One collection's script brings the statistics.
    void statistics() {
        QFETCH(QStringList, options);
        RouterSim router;
        QVERIFY2(router.start(options), qPrintable(router.error()));
        TarnTelnet control;
        StatsDialogue::verifyStatistics(StatsDialogue::run(control, StatsDialogue::scriptLines(router.port())), 4);
    }
};

QTEST_GUILESS_MAIN(TestTarnLoopback)
#include "tst_tarn_loopback.moc"
