// SPDX-License-Identifier: MIT
#include "Conversation.h"

#include "TarnText.h"
#include "text/modMisc.h"

using modMisc::CRLF;

void Conversation::Reset() {
    strConversation = {Entry{}};
    lngEntry = 0;
}

void Conversation::StartEntry(const QString& command) {
    if (!strConversation.first().isEmpty()) {
        strConversation.append(Entry{});
        lngEntry = qint32(strConversation.size() - 1);
    }
    strConversation[lngEntry] = Entry{command, true, {}};
}

QStringView Conversation::Append(QString answer) {
    Entry& entry = strConversation[lngEntry];
    if (entry.answer.isEmpty() && entry.commanded) {
        entry.answer = std::move(answer); // the entry ends in the separator
        return entry.answer;
    }
    if (!entry.answer.endsWith(CRLF) && !entry.answer.endsWith(TarnText::Separator))
        entry.answer += CRLF;
    entry.answer += answer;
    return QStringView(entry.answer).last(answer.size());
}

QStringList Conversation::Entries() const {
    QStringList entries;
    entries.reserve(strConversation.size());
    for (const Entry& entry : strConversation)
        entries.append(entry.commanded ? entry.command + TarnText::Separator + entry.answer : entry.answer);
    return entries;
}
