// SPDX-License-Identifier: MIT
// Reading the six line statistics out of the conversation of a finished
// collection. Nothing here fails: a missing entry, key or marker gives an
// empty text. Positions that mirror the router-facing rules count from 1.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "RouterModels.h"

// One conversation entry: what was sent, and the lines received after it.
struct ConversationEntry {
    QString Command;
    QStringList Lines;
};

// One record per conversation entry, at the same index.
using ConversationTable = QList<ConversationEntry>;

// The six statistics as the router printed them, margins repaired.
struct LineStats {
    QString UsRate;
    QString DsRate;
    QString DsAttenuation;
    QString DsMargin;
    QString UsAttenuation;
    QString UsMargin;

    bool operator==(const LineStats&) const = default;
};

namespace StatsExtraction {

// The table for a conversation as the control hands it out; an entry without
// the separator keeps an empty command and no lines.
ConversationTable ParseConversation(const QStringList& conversation);

// The answer to the first entry whose command contains `command` (ignoring
// case), without the shell prompt `prompt` and without empty lines; empty if none.
QString GetCommandOutput(const ConversationTable& table, QStringView command,
                         QStringView prompt = RouterModels::Default().outputPrompt);

// Cuts `text` just before the first occurrence of `marker`, ignoring case.
void CutAtMarker(QString& text, QStringView marker);

// The value after `startKey` up to `endKey` ("[EOL]" is the line's end) on the
// first line holding the start key, trimmed of blanks (tabs stay).
QString FindStatValue(const QStringList& lines, QStringView startKey, QStringView endKey);

// The rule's count-th number after the first line's label, where a line begins
// (after its blanks) with one of the rule's labels; converted by the factor of
// the unit that follows it when the rule names units, and empty when that unit
// is none of them.
QString FindNumberValue(const QStringList& lines, const ValueRule& rule);

// The text between the two keys, searching from `start` (from 1; 0 counts as 1).
QString ExtractBetween(QStringView startKey, QStringView endKey, QStringView text, qsizetype start, bool caseSensitive);

// Older drivers print a negative margin as (unsigned)margin/2, 2147483638 for
// -10: any value above 100 is taken back by 2^31. Other texts stay as they are.
void FixMarginValue(QString& value);

// Every run of two or more consecutive separators becomes one.
QString CollapseRepeats(QStringView text, QStringView separator);

// The whole extraction of a finished collection: the answer to the model's
// statistics command, cut at its end line, its six values, the margins
// repaired. Over SSH TABs arrive as the router wrote them, where telnet turns
// them into blanks to the next column of eight: they are read as telnet shows
// them, so that a router's values come out the same either way.
LineStats ReadLineStats(const ConversationTable& table, const RouterModel& model = RouterModels::Default(),
                        bool overSsh = false);

} // namespace StatsExtraction
