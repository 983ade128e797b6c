// SPDX-License-Identifier: MIT
// SIGTERM, SIGHUP and SIGINT (a logout without a session manager, a closed
// terminal, Ctrl+C) close the window the orderly way, so its settings are
// written as by the close box. The signal handler only writes the signal's
// number into a socket pair; the event loop reads it and closes the window.
#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

class TerminationSignals : public QObject {
    Q_OBJECT

public:
    // Closes window on any of the three signals while this object lives (it is
    // the window's child). One instance per process.
    explicit TerminationSignals(QWidget* window);
    ~TerminationSignals() override;

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
