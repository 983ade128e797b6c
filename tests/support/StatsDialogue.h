// SPDX-License-Identifier: MIT
// The statistics dialogue with the default router model, which owns the
// command and its end: the script with the router's design-time login, pointed
// at a loopback port instead of the router, and over SSH, where the shell's
// prompt comes straight after the login; what the router sends; how a run of
// the script ended on real sockets, and whether it brought the statistics.
#pragma once

#include "script_engine/TarnTelnet.h"
#include "statistics/RouterModels.h"
#include "statistics/StatsScript.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTest>

namespace StatsDialogue {

inline QString Command() {
    return RouterModels::Default().command;
}

// The router's side, byte for byte as the real router sends it; router-sim must send the same.
inline const QByteArray Negotiation = QByteArray::fromHex("fffd01fffd1ffffb01fffb03");
inline const QByteArray LoginPrompt = "\r\r\nrouter login: ";
inline const QByteArray Prompt = "/var # \x1b[6n";
// The line that ends the command's answer.
inline QByteArray NoWhereLine() {
    return RouterModels::Default().endLine.toLatin1() + "\r\n";
}
// The sample statistics as a terminal shows them: tabs expanded to columns of eight.
inline const QByteArray RatesLine = "        US Connection Rate:     800     DS Connection Rate:     8000\r\n";

inline QStringList scriptLines(quint16 port, const QString& user = QStringLiteral("root"),
                               const QString& password = QStringLiteral("Mango")) {
    return StatsScript::Lines(RouterModels::Default(), QStringLiteral("127.0.0.1 %1").arg(port), user, password);
}

// HOST ssh:ADDRESS, on port 22 unless one is given.
inline QStringList sshScriptLines(const QString& address, const QString& port = {}) {
    return StatsScript::Lines(RouterModels::Default(), QStringLiteral("ssh:%1 %2").arg(address, port), {}, {});
}

// How a run of a script on real sockets ended.
struct Outcome {
    bool completed = false;
    bool failed = false;
    TarnTelnet::Failure failure = TarnTelnet::Failure::None;
    QStringList conversation;
    QString log;
};

// Runs the script on the control until it completes or fails, at most 15 s.
inline Outcome run(TarnTelnet& control, const QStringList& script) {
    QSignalSpy complete(&control, &TarnTelnet::ScriptComplete);
    QSignalSpy error(&control, &TarnTelnet::ScriptError);
    control.RunScript(script.join(u"\r\n"));
    for (QDeadlineTimer deadline(15000); complete.isEmpty() && error.isEmpty() && !deadline.hasExpired();)
        QTest::qWait(10);
    Outcome outcome{!complete.isEmpty(), !error.isEmpty(), control.LastFailure(), {}, control.ConsoleLog()};
    control.GetConversation(outcome.conversation);
    return outcome;
}

// The run completed in this many entries, one of them the command's answer: every
// statistic, without the echo, then the router's error line, which may be cut
// right after "no_where" since that ends the WAIT.
inline void verifyStatistics(const Outcome& outcome, qsizetype entries) {
    QVERIFY2(outcome.completed, qPrintable(outcome.log));
    QCOMPARE(outcome.conversation.size(), entries);
    QStringList answers;
    for (const QString& e : outcome.conversation)
        if (e.startsWith(Command() + QChar(0xA4)))
            answers << e;
    QVERIFY2(answers.size() == 1, qPrintable(outcome.conversation.join(u'\n')));
    const QString& entry = answers[0];
    for (const char* key : {"US Connection Rate:", "DS Connection Rate:", "DS Line Attenuation:", "DS Margin:",
                            "US Line Attenuation:", "US Margin:"})
        QVERIFY2(entry.contains(QLatin1String(key)), key);
    QVERIFY2(entry.contains(u"\r\ncat: no_where"), qPrintable(entry));
    QCOMPARE(entry.count(Command()), 1);
}

} // namespace StatsDialogue
