// SPDX-License-Identifier: MIT
// The exports' figures: how long one scrape of /metrics takes, from connect
// to the closed answer, over loopback; and resident memory while 1,000
// records are published with no broker running (limit: no growth beyond
// noise, as only the latest payload of each topic is kept).
#include "MetricsEndpoint.h"
#include "MqttPublisher.h"
#include "Peers.h"
#include "SampleStats.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTcpSocket>
#include <algorithm>
#include <cstdio>

namespace {

// One scrape in microseconds, or -1 when it did not answer 200.
double scrapeMicroseconds(quint16 port) {
    QTcpSocket client;
    QByteArray answer;
    QEventLoop loop;
    QObject::connect(&client, &QTcpSocket::readyRead, [&] { answer += client.readAll(); });
    QObject::connect(&client, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    client.connectToHost(QHostAddress::LocalHost, port);
    client.write("GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: text/plain\r\n\r\n");
    loop.exec();
    return answer.startsWith("HTTP/1.1 200") ? clock.nsecsElapsed() / 1000.0 : -1;
}

long residentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void benchScrape() {
    MetricsEndpoint endpoint(QStringLiteral("home"));
    if (!endpoint.start(QHostAddress::LocalHost, 0)) {
        std::printf("metrics endpoint did not start\n");
        return;
    }
    endpoint.recordWritten(sampleStats(), QStringLiteral("Up"), false, QDateTime::currentDateTime());
    endpoint.pinged(true, 12);
    QList<double> times;
    for (int i = 0; i < 1000; ++i)
        times.append(scrapeMicroseconds(endpoint.port()));
    std::sort(times.begin(), times.end());
    if (times.first() < 0) {
        std::printf("a scrape failed\n");
        return;
    }
    std::printf("one scrape of /metrics over loopback: median %.0f us, 99th percentile %.0f us (1,000 scrapes)\n",
                times[500], times[990]);
}

void benchPublishingWithoutBroker() {
    MqttPublisher publisher({QStringLiteral("127.0.0.1"),
                             Peers::freeLoopbackPort(),
                             {},
                             {},
                             QStringLiteral("linewarden/home"),
                             QStringLiteral("home"),
                             QStringLiteral("Line Warden")});
    publisher.start();
    const auto publish = [&publisher](int count) {
        for (int i = 0; i < count; ++i) {
            LineStats stats = sampleStats();
            stats.DsRate = QString::number(8000 + i);
            publisher.recordWritten(stats, QStringLiteral("Up"), i % 2, QDateTime::currentDateTime());
            // Spread over four seconds, so that attempts to reach the broker fail meanwhile.
            QEventLoop wait;
            QTimer::singleShot(4, &wait, &QEventLoop::quit);
            wait.exec();
        }
    };
    publish(100);
    const long before = residentKilobytes();
    publish(1000);
    const long after = residentKilobytes();
    std::printf("1,000 records published with no broker running: resident memory %ld kB before, %ld kB after "
                "(%+ld kB)\n",
                before, after, after - before);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchScrape();
    benchPublishingWithoutBroker();
    return 0;
}
