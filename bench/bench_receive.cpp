// SPDX-License-Identifier: MIT
// The receive path must be linear: an answer of 100 MB takes at most 12 times
// as long as one of 10 MB, both arriving in 1 KiB pieces while a WAIT is armed
// and the echo of an unechoed command is still being looked for. Both sizes
// are far beyond the processor's caches, which a smaller one would fit.
#include "FakeTarnSocket.h"
#include "script_engine/TarnTelnet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <malloc.h>

using namespace Qt::StringLiterals;

namespace {

// Seconds to take in an answer of `size` bytes of `filler`; the end marker
// that follows, and the one flush of the answer into the record and the log
// that it causes, are not timed.
double receive(qsizetype size, const QByteArray& filler) {
    auto* socket = new FakeTarnSocket;
    TarnTelnet control(socket, new FakeTarnSocket, [](int) {}, {[] { return qint64(0); }, 1});
    control.setMaxAnswer(size + (1 << 20)); // the 100 MB answer is far past the default bound
    int completed = 0;
    QObject::connect(&control, &TarnTelnet::ScriptComplete, [&completed] { ++completed; });
    control.RunScript(u"HOST 127.0.0.1\r\nWAIT \"login\"\r\nSEND \"cat big\\n\"\r\nWAIT \"END-OF-ANSWER\""_s);
    socket->accept();
    socket->receive("login: ");
    QByteArray piece;
    while (piece.size() < 1024)
        piece += filler;
    piece.truncate(1024);
    QElapsedTimer timer;
    timer.start();
    for (qsizetype sent = 0; sent < size; sent += piece.size())
        socket->receive(piece);
    const double seconds = timer.nsecsElapsed() / 1e9;
    socket->receive("END-OF-ANSWER");
    if (completed != 1) {
        std::fprintf(stderr, "the answer did not complete the script\n");
        std::exit(1);
    }
    return seconds;
}

double best(qsizetype size, const QByteArray& filler) {
    double fastest = 1e9;
    for (int run = 0; run < 5; ++run)
        fastest = std::min(fastest, receive(size, filler));
    return fastest;
}

} // namespace

int main(int argc, char* argv[]) {
    // Fresh memory costs a page fault every 4 KiB, which on a virtual machine
    // outweighs the work itself and depends on what the allocator happened to
    // keep from the last run. Keeping everything makes the best of five runs
    // measure the work.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, -1);
    QCoreApplication app(argc, argv);
    const QByteArray lines = "        DS Line Attenuation:    20.5    DS Margin:      12\r\n";
    const double ten = best(10 << 20, lines);
    const double hundred = best(100 << 20, lines);
    const double ratio = hundred / ten;
    std::printf("receive 10 MB in 1 KiB pieces:  %8.3f s  %7.1f MB/s\n", ten, 10 / ten);
    std::printf("receive 100 MB in 1 KiB pieces: %8.3f s  %7.1f MB/s\n", hundred, 100 / hundred);
    std::printf("time(100 MB) / time(10 MB):     %8.2f  (limit 12)\n", ratio);

    const double noBreak = receive(100 << 20, "x");
    std::printf("100 MB without a line break:    %8.3f s  %7.1f MB/s\n", noBreak, 100 / noBreak);
    const double flood = receive(10 << 20, QByteArray(1, char(0xFF)));
    std::printf("10 MB of 0xFF bytes:            %8.3f s  %7.1f MB/s\n", flood, 10 / flood);
    return ratio <= 12 ? 0 : 1;
}
