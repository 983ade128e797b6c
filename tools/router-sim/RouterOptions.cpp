// SPDX-License-Identifier: MIT
#include "RouterOptions.h"

#include "RouterTexts.h"
#include "statistics/RouterModels.h"
#include "text/modMisc.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>

namespace {

// Large enough for any modem dump, small enough to keep every reply in memory.
constexpr qint64 MaxStatsBytes = 1 << 20;
constexpr int MaxDelayMs = 600000;

bool readNumber(const QCommandLineParser& parser, const QString& name, int low, int high, int& value, QString& error) {
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int number = parser.value(name).toInt(&ok);
    if (!ok || number < low || number > high) {
        error = QStringLiteral("--%1 wants a number from %2 to %3").arg(name).arg(low).arg(high);
        return false;
    }
    value = number;
    return true;
}

} // namespace

QByteArray asTerminalText(const QByteArray& text) {
    QString lines = QString::fromLatin1(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList split = lines.split(u'\n');
    QByteArray out;
    for (qsizetype i = 0; i < split.size(); ++i) {
        if (i > 0)
            out += RouterTexts::LineEnd;
        out += modMisc::ExpandTabs(split[i]).toLatin1();
    }
    if (!out.isEmpty() && !out.endsWith(RouterTexts::LineEnd))
        out += RouterTexts::LineEnd;
    return out;
}

bool RouterOptions::parse(const QStringList& arguments, QString& error) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A telnet router on 127.0.0.1 for tests and the demo."));
    parser.addHelpOption();
    const auto option = [&](const char* name, const char* help, const char* valueName = nullptr) {
        if (valueName)
            parser.addOption({QString::fromLatin1(name), QString::fromLatin1(help), QString::fromLatin1(valueName)});
        else
            parser.addOption({QString::fromLatin1(name), QString::fromLatin1(help)});
    };
    option("port", "Port to listen on; 0 picks a free one (default 2323).", "N");
    option("model", "Router model to play: ar7 (default), broadcom-xdslctl, lantiq-dsl-control, or a model file.",
           "NAME");
    option("stats", "File with the modem statistics (default: the model's built-in sample).", "FILE");
    option("user", "User name to accept (default root).", "U");
    option("password", "Password to accept (default Mango).", "P");
    option("login-delay-ms", "Pause before \"Login incorrect\" (default 3000).", "N");
    option("greeting-delay-ms", "Pause between negotiation and login prompt (default 20).", "N");
    option("chunk", "Send every reply in pieces of N bytes.", "N");
    option("split-at", "Cut every reply at these byte offsets.", "A,B,...");
    option("split-echo", "Cut every echoed line after K characters.", "K");
    option("piece-delay-ms", "Pause between pieces, so that they arrive separately.", "N");
    option("close-mid-answer", "Close the connection after half of the statistics.");
    option("endless", "Answer the statistics command without end (in pieces of --chunk bytes, 64 KiB by default).");
    option("silent", "Accept connections and never send anything.");
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        help = parser.helpText();
        return true;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument: ") + parser.positionalArguments().constFirst();
        return false;
    }

    int number = port;
    if (!readNumber(parser, QStringLiteral("port"), 0, 65535, number, error))
        return false;
    port = quint16(number);
    if (!readNumber(parser, QStringLiteral("login-delay-ms"), 0, MaxDelayMs, loginDelayMs, error) ||
        !readNumber(parser, QStringLiteral("greeting-delay-ms"), 0, MaxDelayMs, greetingDelayMs, error) ||
        !readNumber(parser, QStringLiteral("chunk"), 1, 1 << 20, chunk, error) ||
        !readNumber(parser, QStringLiteral("split-echo"), 0, 1 << 16, splitEcho, error) ||
        !readNumber(parser, QStringLiteral("piece-delay-ms"), 0, MaxDelayMs, pieceDelayMs, error))
        return false;

    if (parser.isSet(QStringLiteral("split-at"))) {
        const QStringList offsets = parser.value(QStringLiteral("split-at")).split(u',', Qt::SkipEmptyParts);
        for (const QString& text : offsets) {
            bool ok = false;
            const int offset = text.trimmed().toInt(&ok);
            if (!ok || offset < 1 || offset > (1 << 20)) {
                error = QStringLiteral("--split-at wants positive byte offsets, got ") + text;
                return false;
            }
            splitAt.append(offset);
        }
    }
    if (parser.isSet(QStringLiteral("user")))
        user = parser.value(QStringLiteral("user")).toLatin1();
    if (parser.isSet(QStringLiteral("password")))
        password = parser.value(QStringLiteral("password")).toLatin1();

    const RouterModels::Choice choice =
        RouterModels::Choose(parser.value(QStringLiteral("model")), QDir::currentPath());
    if (!choice.model) {
        error = choice.problem;
        return false;
    }
    statsCommand = choice.model->command.toLatin1();
    endLine = choice.model->endLine.toLatin1() + RouterTexts::LineEnd;

    // A built-in model's sample is a resource named after it; the default model's is built in.
    QFile file(parser.isSet(QStringLiteral("stats")) ? parser.value(QStringLiteral("stats"))
                                                     : QStringLiteral(":/models/") + choice.model->name);
    QByteArray raw = RouterTexts::DefaultStats;
    if (parser.isSet(QStringLiteral("stats")) || choice.model->name != RouterModels::Default().name) {
        if (!file.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
            return false;
        }
        raw = file.read(MaxStatsBytes + 1);
        if (raw.size() > MaxStatsBytes) {
            error = QStringLiteral("%1 is larger than 1 MiB").arg(file.fileName());
            return false;
        }
    }
    stats = asTerminalText(raw);
    closeMidAnswer = parser.isSet(QStringLiteral("close-mid-answer"));
    endless = parser.isSet(QStringLiteral("endless"));
    silent = parser.isSet(QStringLiteral("silent"));
    return true;
}
