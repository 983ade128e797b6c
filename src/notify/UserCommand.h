// SPDX-License-Identifier: MIT
// The program the user names to run on each event, with the event's facts in
// its environment. The setting is split into the program and its arguments
// as QProcess does; no shell sees it, and router text reaches the program
// only through the environment. One runs at a time: events that come while it
// runs wait their turn, in order, up to MaxWaiting (then the oldest waiting
// one gives way). A run that outlives the time limit is stopped. Every
// failure is reported through `failed`, for the log; nothing is shown.
#pragma once

#include <QList>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>

#include "LineEvent.h"

class UserCommand : public QObject {
    Q_OBJECT

public:
    // A sound or a mail takes seconds; a command still running after this is stopped.
    static constexpr std::chrono::milliseconds DefaultTimeLimit{30000};
    // Between the polite request to end and the forced end.
    static constexpr std::chrono::milliseconds GracePeriod{2000};
    static constexpr qsizetype MaxWaiting = 8;

    explicit UserCommand(const QString& command, QObject* parent = nullptr);
    ~UserCommand() override;

    // Runs the command for the event now, or once the running one has ended.
    void run(const LineEvent& event);
    void setTimeLimit(std::chrono::milliseconds limit) { m_timeLimit.setInterval(limit); }

signals:
    void failed(const QString& message);

private:
    void start(const LineEvent& event);
    void readErrorOutput();
    void processFinished(int exitCode, QProcess::ExitStatus status);
    void processError(QProcess::ProcessError error);
    void stopRunning();
    // Asks the run (and what it started) to end, or, forced, ends it.
    void signalRun(bool force);
    void endRun(const QString& failure);

    QString m_program;
    QStringList m_arguments;
    QProcess* m_process = nullptr;
    QTimer m_timeLimit;
    QTimer m_grace;
    bool m_stopped = false;
    QByteArray m_errorOutput;
    QList<LineEvent> m_waiting;
};
