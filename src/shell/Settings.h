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

    // The inputs' contents at creation, which stand when there is no file.
    static Settings designTime();

    // Every key of section "Options" in the file's order; a missing key reads
    // as empty. Nothing when no file of that name exists.
    static std::optional<Settings> load(const QString& path);

    // Writes the seven keys in their order, leaving the rest of the file as it is.
    void save(const QString& path) const;

    bool operator==(const Settings&) const = default;
};
