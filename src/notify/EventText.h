// SPDX-License-Identifier: MIT
// How an event is put into words: its name for scripts, the body of its
// desktop notification, its picture and the variables of the user's command.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <utility>

#include "LineEvent.h"

namespace EventText {

// "down", "up", "resync", "low-margin" or "failing".
QString name(LineEvent::Kind kind);

// One or two sentences with the facts, for the notification's body.
QString body(const LineEvent& event);

// The program's picture that fits: "up", "down" or "normal", as the window names them.
QString iconName(LineEvent::Kind kind);

// The freedesktop notification category.
QString category(LineEvent::Kind kind);

// A duration as people read it: "45 s", "12 min 5 s", "3 h 20 min", "2 d 4 h".
QString duration(qint64 seconds);

// Text from the router on one line, without control characters, for the environment.
QString sanitised(const QString& text);

// The LW_ variables of the user's command, every one of them, empty where it does not apply.
QList<std::pair<QString, QString>> variables(const LineEvent& event);

} // namespace EventText
