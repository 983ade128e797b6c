// SPDX-License-Identifier: MIT
// What the user wants to be told, from section [Notify] of settings.ini. The
// values come in as the texts the file holds, so that whoever reads the file
// hands them over; a missing key stands for its default.
#pragma once

#include <QString>
#include <QStringList>

struct NotifySettings {
    bool down = true;
    bool up = true;
    bool resync = true;
    bool lowMargin = true;
    bool failing = true;
    // Margins in dB under which a record is told as low.
    double downMarginBelow = 3;
    double upMarginBelow = 3;
    // Probes a DOWN must last before it is told.
    qint32 downAfterProbes = 1;
    // Failed collections in a row that are told.
    qint32 failuresInARow = 3;
    // The program to run on each event, with its arguments; empty for none. One
    // as long as the settings file's reader cuts values to is refused.
    QString command;

    // The keys of the section, in the order fromTexts takes their values.
    static QStringList keys();

    // The settings from the keys' values; an empty value is the default. A
    // value that does not fit its key is the default too, and `complaint` gets
    // one line naming every such key; it is left empty when all were good.
    static NotifySettings fromTexts(const QStringList& values, QString* complaint = nullptr);

    bool operator==(const NotifySettings&) const = default;
};
