// SPDX-License-Identifier: MIT
// Feeds the notifier's events from one line of tokens, on a clock the script
// moves: "+" and "-" a probe that answered or not, "t75" 75 seconds later,
// "r8128/832/6.5/5" a record (downstream rate, upstream rate, downstream and
// upstream margins; an empty field is an unknown value), "f" a failed
// collection. Settings are written "Key=value;Key=value".
#pragma once

#include <QDateTime>
#include <QStringList>

#include "notify/LineEvents.h"
#include "notify/NotifySettings.h"

struct LineScript {
    // West of UTC by a half hour, so that times show the offset's sign and minutes.
    QDateTime now{QDate(2024, 5, 1), QTime(14, 2, 11), Qt::OffsetFromUTC, -(3 * 3600 + 1800)};

    LineEvents::Clock clock() {
        return [this] { return now; };
    }

    static NotifySettings settings(const QString& assignments) {
        QStringList values(NotifySettings::keys().size());
        for (const QString& assignment : assignments.split(u';', Qt::SkipEmptyParts))
            values[NotifySettings::keys().indexOf(assignment.section(u'=', 0, 0))] = assignment.section(u'=', 1);
        return NotifySettings::fromTexts(values);
    }

    void play(LineEvents& events, const QString& script) {
        for (const QString& token : script.split(u' ', Qt::SkipEmptyParts)) {
            if (token == u"+" || token == u"-") {
                events.pinged(token == u"+", 1);
            } else if (token.startsWith(u't')) {
                now = now.addSecs(token.mid(1).toInt());
            } else if (token.startsWith(u'r')) {
                const QStringList v = token.mid(1).split(u'/');
                LineStats stats;
                stats.DsRate = v.value(0);
                stats.UsRate = v.value(1);
                stats.DsMargin = v.value(2);
                stats.UsMargin = v.value(3);
                events.recordWritten(stats, QString(), false, now);
            } else if (token == u"f") {
                events.collectionFailed(QStringLiteral("connection refused"));
            }
        }
    }
};
