// SPDX-License-Identifier: MIT
// The requests to end that come from outside the window system (on POSIX,
// SIGTERM, SIGHUP and SIGINT: a logout without a session manager, a closed
// terminal, Ctrl+C), turned into one signal on the event loop, so that the
// program ends the orderly way and writes its settings. One file per platform.
#pragma once

#include <QObject>

class QSocketNotifier;

class TerminationSignals : public QObject {
    Q_OBJECT

public:
    // Listens while this object lives. One instance per process.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False when the requests could not be caught: they then end the program at once.
    bool Active() const { return m_active; }

signals:
    void received();

private:
    bool m_active = false;
    QSocketNotifier* m_notifier = nullptr;
};
