// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

// One script line as the interpreter reads it: tabs turned into blanks, outer
// blanks removed, and its command word (field 1, any letter case) known.
struct ScriptLine {
    enum class Command { Host, Send, Wait, Delay, Echo, Stor, Put, Comment, Blank, Unrecognised };

    static ScriptLine Read(QStringView line);

    // Field n (from 1) of the line split at single blanks.
    QString Field(qsizetype n) const;
    // The text between the first and the last double quote, escapes applied;
    // throws TarnError when the line holds exactly one double quote.
    QString QuotedArgument() const;

    Command command;
    QString text;
};
