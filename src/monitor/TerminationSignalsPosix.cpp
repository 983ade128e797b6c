// SPDX-License-Identifier: MIT
// The signal handler only writes the signal's number into a socket pair; the
// event loop reads it and reports it.
#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> Handled{SIGTERM, SIGHUP, SIGINT};

// [0] is read by the event loop, [1] written by the handler.
int pipeEnds[2] = {-1, -1};
// What the signals did before, given back when this object goes.
std::array<struct sigaction, Handled.size()> previous{};

void onSignal(int number) {
    const int saved = errno;
    const char byte = char(number);
    // Non-blocking: a full pipe already holds a pending request.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pipeEnds) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (::read(pipeEnds[0], &byte, 1) > 0) {
        }
        emit received();
    });

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < Handled.size(); ++i)
        ::sigaction(Handled[i], &action, &previous[i]);
    m_active = true;
}

TerminationSignals::~TerminationSignals() {
    if (!m_active)
        return;
    for (std::size_t i = 0; i < Handled.size(); ++i)
        ::sigaction(Handled[i], &previous[i], nullptr);
    delete m_notifier; // before its socket is closed
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}
