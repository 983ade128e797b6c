// SPDX-License-Identifier: MIT
// The texts of router models: where settings.ini names the model, the names of
// the built-in ones, the keys and words of a model file, and what is said when
// a model cannot be used.
#pragma once

#include "text/StatsCsv.h"

#include <QString>
#include <array>

namespace ModelText {

// settings.ini: [Router] Model = a built-in model's name or the path of a model file.
inline const QString RouterSection = QStringLiteral("Router");
inline const QString ModelKey = QStringLiteral("Model");

inline const QString Ar7 = QStringLiteral("ar7");
inline const QString BroadcomXdslctl = QStringLiteral("broadcom-xdslctl");
inline const QString LantiqDslControl = QStringLiteral("lantiq-dsl-control");

// The README's section on router models, where every message about them points.
inline const QString ReadmeSection = QStringLiteral("Router models");

// A model file's keys.
inline const QString UserPrompt = QStringLiteral("User prompt");
inline const QString PasswordPrompt = QStringLiteral("Password prompt");
inline const QString ShellPrompt = QStringLiteral("Shell prompt");
inline const QString Command = QStringLiteral("Command");
inline const QString EndText = QStringLiteral("End text");
inline const QString EndLine = QStringLiteral("End line");
inline const QString OutputPrompt = QStringLiteral("Output prompt");
// The six values' keys, in the order of StatsCsv::Statistic.
inline const std::array<QString, StatsCsv::StatisticCount> ValueKeys{
    QStringLiteral("Down rate"), QStringLiteral("Down attenuation"), QStringLiteral("Down margin"),
    QStringLiteral("Up rate"),   QStringLiteral("Up attenuation"),   QStringLiteral("Up margin")};

// The words of a value's rule: between "A" and "B" | between "A" and end of line |
// number N after "A" or "B", UNIT xFACTOR, ...
inline const QString Between = QStringLiteral("between");
inline const QString And = QStringLiteral("and");
inline const QString EndOfLine = QStringLiteral("end of line");
inline const QString Number = QStringLiteral("number");
inline const QString After = QStringLiteral("after");
inline const QString Or = QStringLiteral("or");
inline const QChar Times = u'x';

// A model file's mistakes: "line N: " and one of these.
inline const QString AtLine = QStringLiteral("line %1: %2");
inline const QString NoEquals = QStringLiteral("\"KEY = VALUE\" expected");
inline const QString UnknownKey = QStringLiteral("unknown key \"%1\"");
inline const QString GivenTwice = QStringLiteral("\"%1\" given twice (first on line %2)");
inline const QString NoValue = QStringLiteral("\"%1\" has no value");
inline const QString Missing = QStringLiteral("no \"%1\" line");
inline const QString NotSendable =
    QStringLiteral("the command holds \\n or \\\", which the script language would turn into another text");
inline const QString EndTextNotInEndLine =
    QStringLiteral("\"%1\" (End text) is not in \"%2\" (End line): the wait for the output's end would never end");
inline const QString BadRule = QStringLiteral("\"%1\": %2");
inline const QString RuleForm =
    QStringLiteral("expected: between \"START\" and \"END\" | between \"START\" and end "
                   "of line | number N after \"LABEL\" [or \"LABEL\"]... [, UNIT xFACTOR]...");
inline const QString Unclosed = QStringLiteral("a text in double quotes has no closing quote");
inline const QString EmptyText = QStringLiteral("\"\" matches everywhere");
inline const QString BadCount = QStringLiteral("\"%1\" is no whole number from 1");
inline const QString LabelStartsBlank =
    QStringLiteral("label \"%1\" begins with a blank, but a label is looked for where a line's blanks end");
inline const QString BadFactor = QStringLiteral("\"%1\" is not x and a number above 0");
inline const QString UnitTwice = QStringLiteral("unit \"%1\" given twice");

// Choosing the model at start.
inline const QString Unusable =
    QStringLiteral("router model %1 not used: %2. No statistics are collected until it is mended (see \"%3\" in the "
                   "README).");
inline const QString NeitherBuiltInNorFile =
    QStringLiteral("it is no built-in model (%1) and no file of that name can be read: %2");
inline const QString TooLarge = QStringLiteral("it is larger than %1 bytes");

// line-warden --probe-router
inline const QString ProbeTrying = QStringLiteral("Trying %1: %2");
inline const QString ProbeValues = QStringLiteral(
    "%1: down %2 kbit/s, %3 dB attenuation, %4 dB margin; up %5 kbit/s, %6 dB attenuation, %7 dB margin");
inline const QString ProbeNoValue = QStringLiteral("-");
inline const QString ProbeNoValues = QStringLiteral("%1: none of the six values");
inline const QString ProbeFailed = QStringLiteral("%1: %2");
inline const QString ProbeFits = QStringLiteral("The model %1 found the six values. To use it, put these lines into "
                                                "%2:\n[%3]\n%4=%1");
inline const QString ProbeUnreachable =
    QStringLiteral("The router could not be probed (%1): check Router IP, Router Username and Router Password.");
inline const QString ProbeNoneFits = QStringLiteral("No built-in model found the six values: see \"%1\" in the README "
                                                    "to describe this router in a model file.");

} // namespace ModelText
