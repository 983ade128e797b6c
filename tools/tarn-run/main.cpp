// SPDX-License-Identifier: MIT
// tarn-run: runs a script file through TarnTelnet from a terminal, for people
// who script their routers. Prints every log line as it comes and, at the
// end, the conversation, one entry per line.
//
// Exit status (text/ExitStatus.h): 0 when the script completes; 1 on a script
// error, or when the engine aborts an FTP script itself; 2 when the time limit
// passes without either (a stalled script); 3 when there is nothing to run
// (bad options, an unreadable or one-line script file, an unreadable
// password file).
#include "script_engine/TarnTelnet.h"
#include "text/Escape.h"
#include "text/ExitStatus.h"
#include "text/modMisc.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <QTimer>
#include <cstdio>

namespace {

// Writes one line made safe by `escape`, a slice at a time: an answer of many
// megabytes is never copied whole. Both escapes work character by character.
void print(QStringView line, QString (*escape)(QStringView) = Escape::ForTerminal) {
    constexpr qsizetype Slice = 64 * 1024;
    for (qsizetype at = 0; at < line.size(); at += Slice) {
        const QByteArray bytes = escape(line.mid(at, Slice)).toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    }
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The file's bytes are the script's characters, so exactly those bytes go to
// the router. LF or CR LF line ends both become the engine's CR LF.
QString readScript(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return {};
    }
    QString script = QString::fromLatin1(file.readAll());
    script.replace(modMisc::CRLF, QStringLiteral("\n"));
    script.replace(modMisc::LF, modMisc::CRLF);
    return script;
}

// The password is the file's first line: a password given on the command
// line would show in the process list. Only so much is read of a file that
// is no password file.
QString readPassword(const QString& path, QString& error) {
    constexpr qint64 Longest = 4096;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return {};
    }
    QByteArray line = file.readLine(Longest);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

struct Options {
    int mode = 0;
    bool waitForReboot = false;
    double seconds = 30;
    qint64 maxAnswer = TarnTelnet::DefaultMaxAnswer;
    QString scriptPath;
    // For HOST ssh:ADDRESS lines.
    QString sshUser;
    QString sshPasswordFile;
    QString sshKey;
    QString knownHosts;
    bool acceptNewHostKey = false;
};

// Reads the command line; prints help and exits with 0 for --help. On bad
// usage returns false with `error` set.
bool parseOptions(const QCoreApplication& app, Options& options, QString& error) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs a script (HOST, SEND, WAIT, DELAY, ECHO, STOR, PUT, #) against a telnet, SSH or FTP server.\n"
        "HOST ssh:ADDRESS [PORT] connects over SSH (port 22 when omitted).\n"
        "Exit status: 0 complete, 1 failed, 2 no end within the time limit, 3 bad usage."));
    parser.addHelpOption();
    const QCommandLineOption mode(QStringLiteral("mode"),
                                  QStringLiteral("0 telnet, 1 telnet with the login check, 2 FTP (default 0)."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption reboot(QStringLiteral("wait-for-reboot"),
                                    QStringLiteral("Leave the connection open at the end of the script."));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Give up after this many seconds, DELAY included (default 30)."),
                                     QStringLiteral("SECONDS"), QStringLiteral("30"));
    const QCommandLineOption maxAnswer(
        QStringLiteral("max-answer"),
        QStringLiteral("Fail a run that receives more than this many bytes (default %1).")
            .arg(TarnTelnet::DefaultMaxAnswer),
        QStringLiteral("BYTES"), QString::number(TarnTelnet::DefaultMaxAnswer));
    const QCommandLineOption sshUser(QStringLiteral("ssh-user"),
                                     QStringLiteral("User name for HOST ssh:ADDRESS lines."), QStringLiteral("USER"));
    const QCommandLineOption sshPasswordFile(QStringLiteral("ssh-password-file"),
                                             QStringLiteral("The SSH password is this file's first line."),
                                             QStringLiteral("FILE"));
    const QCommandLineOption sshKey(QStringLiteral("ssh-key"),
                                    QStringLiteral("Private key file for SSH (OpenSSH's format, no passphrase; a "
                                                   "running ssh-agent is asked first)."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption knownHosts(QStringLiteral("known-hosts"),
                                        QStringLiteral("The routers' SSH host keys (default ~/.ssh/known_hosts)."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption acceptNewHostKey(
        QStringLiteral("accept-new-host-key"),
        QStringLiteral("Remember the host key of a router that the known-hosts file does not know yet."));
    parser.addOptions(
        {mode, reboot, timeout, maxAnswer, sshUser, sshPasswordFile, sshKey, knownHosts, acceptNewHostKey});
    parser.addPositionalArgument(QStringLiteral("SCRIPT_FILE"), QStringLiteral("The script to run."));
    if (!parser.parse(app.arguments())) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(ExitStatus::Done);

    bool modeOk = false, timeoutOk = false, maxOk = false;
    options.mode = parser.value(mode).toInt(&modeOk);
    options.seconds = parser.value(timeout).toDouble(&timeoutOk);
    options.maxAnswer = parser.value(maxAnswer).toLongLong(&maxOk);
    options.waitForReboot = parser.isSet(reboot);
    options.sshUser = parser.value(sshUser);
    options.sshPasswordFile = parser.value(sshPasswordFile);
    options.sshKey = parser.value(sshKey);
    options.knownHosts = parser.value(knownHosts);
    options.acceptNewHostKey = parser.isSet(acceptNewHostKey);
    if (!modeOk || !timeoutOk || options.seconds <= 0 || options.seconds > 86400)
        error = QStringLiteral("--mode wants a number, --timeout a number of seconds up to 86400");
    else if (!maxOk || options.maxAnswer < 1)
        error = QStringLiteral("--max-answer wants a number of bytes");
    else if (parser.positionalArguments().size() != 1)
        error = QStringLiteral("one script file, please");
    else
        options.scriptPath = parser.positionalArguments().first();
    return error.isEmpty();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarn-run"));

    Options options;
    QString error;
    if (!parseOptions(app, options, error)) {
        std::fprintf(stderr, "tarn-run: %s (see tarn-run --help)\n", qPrintable(error));
        return ExitStatus::BadUsage;
    }
    const QString script = readScript(options.scriptPath, error);
    if (error.isEmpty() && !script.contains(modMisc::CRLF))
        error = QStringLiteral("%1 holds a single line, and a script without a line break runs nothing")
                    .arg(options.scriptPath);
    const QString password = error.isEmpty() && !options.sshPasswordFile.isEmpty()
                                 ? readPassword(options.sshPasswordFile, error)
                                 : QString();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "tarn-run: %s\n", qPrintable(error));
        return ExitStatus::BadUsage;
    }

    // The first end decides the status; the script may end inside RunScript
    // already, before the loop runs.
    int status = -1;
    const auto finish = [&status](int end) {
        if (status >= 0)
            return;
        status = end;
        QCoreApplication::exit(end);
    };
    const QDeadlineTimer deadline(qint64(options.seconds * 1000));
    // Giving up closes the connection at once, before anything is printed.
    const auto giveUp = [&](TarnTelnet& control) {
        if (status >= 0)
            return;
        std::fprintf(stderr, "tarn-run: the script did not end within %g s\n", options.seconds);
        finish(ExitStatus::TimeLimit);
        control.AbortScript();
    };
    // A DELAY sleeps no longer than the time left.
    TarnTelnet engine([&](int ms) {
        QThread::msleep(ulong(std::min<qint64>(ms, deadline.remainingTime())));
        if (deadline.hasExpired())
            giveUp(engine);
    });
    engine.setMode(options.mode);
    engine.setWaitForReboot(options.waitForReboot);
    engine.setMaxAnswer(options.maxAnswer);
    engine.setSshUser(options.sshUser);
    engine.setSshPassword(password);
    engine.setSshKeyFile(options.sshKey);
    engine.setSshKnownHosts(options.knownHosts);
    engine.setSshAcceptNewHostKey(options.acceptNewHostKey);
    QObject::connect(&engine, &TarnTelnet::LogUpdate, [](const QString& line) { print(line); });
    QObject::connect(&engine, &TarnTelnet::FTPSendComplete,
                     [](const QString& file) { print(QStringLiteral("FTPSendComplete ") + file); });
    QObject::connect(&engine, &TarnTelnet::ScriptComplete, [&finish] { finish(ExitStatus::Done); });
    QObject::connect(&engine, &TarnTelnet::ScriptError, [&finish, &engine](bool) {
        if (engine.LastFailure() == TarnTelnet::Failure::HostKeyUnknown)
            std::fputs("tarn-run: if the fingerprint above is the router's, run again with --accept-new-host-key "
                       "to remember it\n",
                       stderr);
        finish(ExitStatus::Failed);
    });
    // The engine aborted the script itself: nothing more will come.
    QObject::connect(&engine, &TarnTelnet::ConnectionFailed, [&finish](TarnTelnet::Failure failure) {
        if (failure == TarnTelnet::Failure::FtpAborted)
            finish(ExitStatus::Failed);
    });
    QTimer::singleShot(deadline.remainingTime(), Qt::PreciseTimer, &engine, [&] { giveUp(engine); });

    engine.RunScript(script);
    if (status < 0)
        app.exec();
    // A run that left the connection open is closed before its conversation
    // is printed: closing moves the last answer into it.
    if (status == ExitStatus::Done && engine.WaitForReboot())
        engine.AbortScript();

    QStringList conversation;
    engine.GetConversation(conversation);
    print(QStringLiteral("-- conversation"));
    for (const QString& entry : conversation)
        print(entry, Escape::OneLine);
    return status;
}
