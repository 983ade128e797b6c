// SPDX-License-Identifier: MIT
// tarn-run: runs a script file through TarnTelnet from a terminal, for people
// who script their routers. Prints every log line as it comes and, at the
// end, the conversation, one entry per line.
//
// Exit status: 0 when the script completes, 1 on a script error, 2 when the
// time limit passes without either (a stalled script), 3 when there is
// nothing to run (bad options, an unreadable or one-line script file, an
// unreadable password file).
#include "script_engine/TarnTelnet.h"
#include "text/Escape.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>

namespace {

enum ExitStatus { Completed = 0, Failed = 1, Stalled = 2, BadUsage = 3 };

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
// the router. LF or CR LF line ends both work.
QString readScript(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return {};
    }
    QString script = QString::fromLatin1(file.readAll());
    script.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    script.replace(u'\n', QStringLiteral("\r\n"));
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

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarn-run"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs a script (HOST, SEND, WAIT, DELAY, ECHO, STOR, PUT, #) against a telnet, SSH or FTP server.\n"
        "HOST ssh:ADDRESS [PORT] connects over SSH (port 22 when omitted).\n"
        "Exit status: 0 complete, 1 script error, 2 no end within the time limit, 3 nothing to run."));
    parser.addHelpOption();
    const QCommandLineOption mode(QStringLiteral("mode"),
                                  QStringLiteral("0 telnet, 1 telnet with the login check, 2 FTP (default 0)."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption reboot(QStringLiteral("wait-for-reboot"),
                                    QStringLiteral("Leave the connection open at the end of the script."));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Give up after this many seconds (default 30)."),
                                     QStringLiteral("SECONDS"), QStringLiteral("30"));
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
    parser.addOptions({mode, reboot, timeout, sshUser, sshPasswordFile, sshKey, knownHosts, acceptNewHostKey});
    parser.addPositionalArgument(QStringLiteral("SCRIPT_FILE"), QStringLiteral("The script to run."));
    parser.process(app);

    bool modeOk = false, timeoutOk = false;
    const int modeValue = parser.value(mode).toInt(&modeOk);
    const double seconds = parser.value(timeout).toDouble(&timeoutOk);
    if (parser.positionalArguments().size() != 1 || !modeOk || !timeoutOk || seconds <= 0 || seconds > 86400) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return BadUsage;
    }
    QString error;
    const QString script = readScript(parser.positionalArguments().first(), error);
    if (error.isEmpty() && !script.contains(QStringLiteral("\r\n")))
        error = QStringLiteral("%1 holds a single line, and a script without a line break runs nothing")
                    .arg(parser.positionalArguments().first());
    const QString password = error.isEmpty() && parser.isSet(sshPasswordFile)
                                 ? readPassword(parser.value(sshPasswordFile), error)
                                 : QString();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "tarn-run: %s\n", qPrintable(error));
        return BadUsage;
    }

    TarnTelnet control;
    control.setMode(modeValue);
    control.setWaitForReboot(parser.isSet(reboot));
    control.setSshUser(parser.value(sshUser));
    control.setSshPassword(password);
    control.setSshKeyFile(parser.value(sshKey));
    control.setSshKnownHosts(parser.value(knownHosts));
    control.setSshAcceptNewHostKey(parser.isSet(acceptNewHostKey));
    QObject::connect(&control, &TarnTelnet::LogUpdate, [](const QString& line) { print(line); });
    QObject::connect(&control, &TarnTelnet::FTPSendComplete,
                     [](const QString& file) { print(QStringLiteral("FTPSendComplete ") + file); });
    // The script may end inside RunScript already, before the loop runs.
    int status = -1;
    const auto finish = [&status](ExitStatus end) {
        status = end;
        QCoreApplication::exit(end);
    };
    QObject::connect(&control, &TarnTelnet::ScriptComplete, [&finish] { finish(Completed); });
    QObject::connect(&control, &TarnTelnet::ScriptError, [&finish, &control](bool) {
        if (control.LastFailure() == TarnTelnet::Failure::HostKeyUnknown)
            std::fputs("tarn-run: if the fingerprint above is the router's, run again with --accept-new-host-key "
                       "to remember it\n",
                       stderr);
        finish(Failed);
    });
    QTimer::singleShot(int(seconds * 1000), [&finish, seconds] {
        std::fprintf(stderr, "tarn-run: the script did not end within %g s\n", seconds);
        finish(Stalled);
    });

    control.RunScript(script);
    if (status < 0)
        app.exec();
    // A run that left the connection open is closed before its conversation
    // is printed: closing moves the last answer into it.
    if (status == Stalled || (status == Completed && control.WaitForReboot()))
        control.AbortScript();

    QStringList conversation;
    control.GetConversation(conversation);
    print(QStringLiteral("-- conversation"));
    for (const QString& entry : conversation)
        print(entry, Escape::OneLine);
    return status;
}
