// SPDX-License-Identifier: MIT
#include "JournalLog.h"

#include <QByteArray>
#include <QStringList>
#include <cstdio>
#include <cstring>

namespace JournalLog {

namespace {

Priority priorityOf(QtMsgType type) {
    switch (type) {
    case QtDebugMsg:
        return Priority::Debug;
    case QtInfoMsg:
        return Priority::Info;
    case QtWarningMsg:
        return Priority::Warning;
    case QtCriticalMsg:
    case QtFatalMsg:
        break;
    }
    return Priority::Error;
}

void qtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // Qt's own modules name their category; the program's messages use the default one.
    const bool named = context.category && std::strcmp(context.category, "default") != 0;
    Write(priorityOf(type), named ? QString::fromLatin1(context.category) + QStringLiteral(": ") + message : message);
}

} // namespace

void Write(Priority priority, const QString& text) {
    const QByteArray prefix = '<' + QByteArray::number(int(priority)) + '>';
    QByteArray bytes;
    for (const QString& line : text.split(u'\n'))
        bytes += prefix + line.toLocal8Bit() + '\n';
    // Whole, in one call: standard error is unbuffered, and a message must not be split in the journal.
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void Install() {
    qInstallMessageHandler(qtMessage);
}

} // namespace JournalLog
