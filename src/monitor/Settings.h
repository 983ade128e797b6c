// SPDX-License-Identifier: MIT
// The seven settings of section "Options" of settings.ini, as texts exactly as
// the window's inputs hold them ("StatsCheck" as the check box's value, "1" or "0").
#pragma once

#include <QString>
#include <optional>

struct Settings {
    QString PingIP;
    QString PingInterval;
    QString RouterUsername;
    QString RouterPassword;
    QString RouterIP;
    QString StatsCheck;
    QString StatsCheckInterval;

    // Every key of section "Options" in the file's order; a missing key reads
    // as empty. Nothing when no file of that name exists or it cannot be read.
    // The file is left as it is.
    static std::optional<Settings> read(const QString& path);
    // read, and the user's own file, which holds the router password, is left
    // readable by its owner only.
    static std::optional<Settings> load(const QString& path);

    // "StatsCheck" holds the ticked check box's value.
    bool StatsTicked() const;

    // Writes the seven keys in their order in one replacement of the file,
    // leaving the rest of it as it is. False when the file was left as it was.
    bool save(const QString& path) const;

    // Copies the settings file at from, which is no longer where the program
    // keeps it, to the path now used, when nothing lies there yet. True when it did.
    static bool carryOver(const QString& from, const QString& to);

    bool operator==(const Settings&) const = default;
};
