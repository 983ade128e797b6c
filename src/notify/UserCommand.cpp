// SPDX-License-Identifier: MIT
#include "UserCommand.h"

#include "EventText.h"
#include "NotifyText.h"
#include "text/IsoTime.h"

#include <QProcessEnvironment>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

using namespace NotifyText;

namespace {

// Enough of what the command wrote to its error output to say why it failed.
constexpr qsizetype MaxErrorOutput = 200;

} // namespace

UserCommand::UserCommand(const QString& command, QObject* parent) : QObject(parent) {
    m_arguments = QProcess::splitCommand(command);
    if (!m_arguments.isEmpty())
        m_program = m_arguments.takeFirst();
    m_timeLimit.setSingleShot(true);
    m_timeLimit.setInterval(DefaultTimeLimit);
    m_grace.setSingleShot(true);
    m_grace.setInterval(GracePeriod);
    connect(&m_timeLimit, &QTimer::timeout, this, &UserCommand::stopRunning);
    connect(&m_grace, &QTimer::timeout, this, [this] { signalRun(true); });
}

UserCommand::~UserCommand() {
    if (m_process) {
        m_process->disconnect(this);
        signalRun(true);
        m_process->waitForFinished(int(GracePeriod.count()));
    }
}

void UserCommand::run(const LineEvent& event) {
    if (m_program.isEmpty())
        return;
    if (!m_process) {
        start(event);
        return;
    }
    if (m_waiting.size() == MaxWaiting) {
        const LineEvent dropped = m_waiting.takeFirst();
        emit failed(CommandDropped.arg(m_program, EventText::name(dropped.kind), modMisc::IsoTime(dropped.time)));
    }
    m_waiting << event;
}

void UserCommand::start(const LineEvent& event) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : EventText::variables(event))
        environment.insert(name, value);

    m_process = new QProcess(this);
    m_process->setProgram(m_program);
    m_process->setArguments(m_arguments);
    m_process->setProcessEnvironment(environment);
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setStandardOutputFile(QProcess::nullDevice());
#ifdef Q_OS_UNIX
    // A group of its own, so that stopping it also stops what it started.
    m_process->setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
    connect(m_process, &QProcess::readyReadStandardError, this, &UserCommand::readErrorOutput);
    connect(m_process, &QProcess::finished, this, &UserCommand::processFinished);
    connect(m_process, &QProcess::errorOccurred, this, &UserCommand::processError);
    m_stopped = false;
    m_errorOutput.clear();
    m_timeLimit.start();
    m_process->start();
}

void UserCommand::readErrorOutput() {
    const QByteArray output = m_process->readAllStandardError();
    m_errorOutput += output.left(MaxErrorOutput - m_errorOutput.size());
}

void UserCommand::processFinished(int exitCode, QProcess::ExitStatus status) {
    readErrorOutput();
    QString said = EventText::sanitised(QString::fromLocal8Bit(m_errorOutput).section(u'\n', 0, 0).trimmed());
    if (!said.isEmpty())
        said.prepend(QStringLiteral(": "));
    if (m_stopped)
        endRun(CommandTimedOut.arg(m_program).arg(
            std::chrono::duration<double>(m_timeLimit.intervalAsDuration()).count()));
    else if (status == QProcess::CrashExit)
        endRun(CommandCrashed.arg(m_program, said));
    else if (exitCode != 0)
        endRun(CommandFailed.arg(m_program).arg(exitCode).arg(said));
    else
        endRun(QString());
}

void UserCommand::processError(QProcess::ProcessError error) {
    // Every other error is followed by finished, which ends the run.
    if (error == QProcess::FailedToStart)
        endRun(CommandNotStarted.arg(m_program, m_process->errorString()));
}

void UserCommand::stopRunning() {
    m_stopped = true;
    signalRun(false);
    m_grace.start();
}

void UserCommand::signalRun(bool force) {
#ifdef Q_OS_UNIX
    const pid_t group = pid_t(m_process->processId());
    if (group > 0 && ::kill(-group, force ? SIGKILL : SIGTERM) == 0)
        return;
#endif
    force ? m_process->kill() : m_process->terminate();
}

void UserCommand::endRun(const QString& failure) {
    m_timeLimit.stop();
    m_grace.stop();
    m_process->disconnect(this);
    m_process->deleteLater();
    m_process = nullptr;
    if (!failure.isEmpty())
        emit failed(failure);
    if (!m_waiting.isEmpty())
        start(m_waiting.takeFirst());
}
