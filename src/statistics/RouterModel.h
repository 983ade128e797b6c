// SPDX-License-Identifier: MIT
// A router model: how to log in, the command that prints the line statistics
// and how its output ends, and where each of the six values stands in it. It is
// data, read from a model file's text (the built-in models are such texts too),
// and everything that talks to a router or reads its answer runs from it.
#pragma once

#include "text/StatsCsv.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <optional>

// Where one of the six values stands in the statistics command's output.
struct ValueRule {
    enum class Kind {
        // The text between a start and an end key on the first line holding the
        // start key, trimmed of blanks, as the router printed it.
        Between,
        // The count-th number after a label that begins a line (after its blanks),
        // times the factor of the unit written after the number.
        Number,
    };
    struct Unit {
        QString name;   // as the router writes it after the number, e.g. "Mb/s"
        QString factor; // a decimal number above 0, e.g. "1000"
    };

    Kind kind = Kind::Between;
    QString start;      // Between
    QString end;        // Between: StatsText::EndOfLine for the line's end
    QStringList labels; // Number: the first line beginning with any of them counts
    int count = 0;      // Number: from 1
    QList<Unit> units;  // Number: none means the number as printed
};

struct RouterModel {
    QString name;
    // Waited for in turn before the user name, the password and the command.
    // Over SSH the login happens before the script, so only the shell prompt is waited for.
    QString userPrompt;
    QString passwordPrompt;
    QString shellPrompt;
    QString command; // as the router's shell is to receive it
    // The output ends once endText has arrived; it is cut just before the line
    // break that precedes endLine.
    QString endText;
    QString endLine;
    QString outputPrompt; // removed wherever it stands in the output; may be empty
    std::array<ValueRule, StatsCsv::StatisticCount> values;
};

// A model file's text made a model, or the first mistake in it ("line N: ...").
struct ModelReading {
    std::optional<RouterModel> model;
    QString mistake;
};

// Lines of "Key = Value"; blank lines and lines starting with "#" are comments.
// Keys compare ignoring case; a value in double quotes keeps its blanks.
ModelReading ParseModel(QStringView text, const QString& name);
