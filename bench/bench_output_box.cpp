// SPDX-License-Identifier: MIT
// The output box must not slow down as records pile up: 100,000 readable
// records through the main window's own path, the last 1,000 costing at most
// twice the first 1,000.
#include "FakeTrayBackend.h"
#include "shell/Form1.h"
#include "statistics/StatsCollector.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Form1 form({dir.path(), dir.path(), dir.path()}, std::make_unique<FakeTrayBackend>());
    form.show();

    constexpr int Records = 100000;
    constexpr int Batch = 1000;
    const QString record = QStringLiteral("07/12/2026 09:05\t8000, 12, Up, Changed");
    QList<double> batches;
    QElapsedTimer timer;
    for (int done = 0; done < Records; done += Batch) {
        timer.start();
        for (int i = 0; i < Batch; ++i)
            emit form.Core().Stats().recordShown(record);
        app.processEvents(); // the box repaints, as it would between records
        batches << timer.nsecsElapsed() / 1e6;
    }
    const int lines = form.findChild<QPlainTextEdit*>(QStringLiteral("txtOut"))->document()->blockCount();
    double total = 0;
    for (double b : batches)
        total += b;
    const double ratio = batches.last() / batches.first();
    std::printf("records in the box:           %8d\n", lines);
    std::printf("first 1,000 records:          %8.2f ms\n", batches.first());
    std::printf("last 1,000 records:           %8.2f ms\n", batches.last());
    std::printf("last / first:                 %8.2f  (limit 2)\n", ratio);
    std::printf("100,000 records in all:       %8.2f s\n", total / 1000);
    form.close();
    return lines == Records && ratio <= 2 ? 0 : 1;
}
