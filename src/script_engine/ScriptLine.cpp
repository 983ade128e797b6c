// SPDX-License-Identifier: MIT
#include "ScriptLine.h"

#include "TarnText.h"
#include "text/modMisc.h"

namespace {

ScriptLine::Command commandOf(const QString& word) {
    using Command = ScriptLine::Command;
    static const struct {
        QStringView word;
        Command command;
    } words[] = {
        {u"HOST", Command::Host}, {u"SEND", Command::Send}, {u"WAIT", Command::Wait}, {u"DELAY", Command::Delay},
        {u"ECHO", Command::Echo}, {u"STOR", Command::Stor}, {u"PUT", Command::Put},   {u"#", Command::Comment},
    };
    if (word.isEmpty())
        return Command::Blank;
    const QString upper = word.toUpper();
    for (const auto& w : words)
        if (upper == w.word)
            return w.command;
    return Command::Unrecognised;
}

} // namespace

ScriptLine ScriptLine::Read(QStringView line) {
    ScriptLine read{Command::Blank, TarnText::CleanLine(line)};
    read.command = commandOf(read.Field(1));
    return read;
}

QString ScriptLine::Field(qsizetype n) const {
    return modMisc::GetField(text, u" ", n);
}

QString ScriptLine::QuotedArgument() const {
    return TarnText::GetQuotedArgument(text);
}
