// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The record of a script run: each command with the answer that followed it.
// Entry 0 takes whatever came before the first command. Commands and answers
// are kept apart, so that an answer of many megabytes is moved in rather than
// copied; the host's copy joins them as "command¤answer".
class Conversation {
public:
    Conversation() { Reset(); }

    // One empty entry.
    void Reset();
    // A new entry for a command. The first command takes entry 0 while that is
    // still empty (nothing came before it); later ones get entries of their own.
    void StartEntry(const QString& command);
    // Adds an answer to the current entry, after a CR LF unless the entry ends
    // in one or in the separator. Returns the answer as stored.
    QStringView Append(QString answer);
    // The record as the host reads it.
    QStringList Entries() const;

private:
    struct Entry {
        QString command;
        bool commanded = false; // entry 0 before any command has none
        QString answer;
        bool isEmpty() const { return !commanded && answer.isEmpty(); }
    };
    QList<Entry> strConversation;
    qint32 lngEntry = 0;
};
