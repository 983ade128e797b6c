// SPDX-License-Identifier: MIT
#include "Settings.h"

#include "IniFile.h"
#include "ShellText.h"

#include <QFileInfo>
#include <array>
#include <utility>

namespace {

// The keys in the order they are read and written.
const std::array<std::pair<const QString*, QString Settings::*>, 7> Keys{{
    {&ShellText::KeyPingIP, &Settings::PingIP},
    {&ShellText::KeyPingInterval, &Settings::PingInterval},
    {&ShellText::KeyRouterUsername, &Settings::RouterUsername},
    {&ShellText::KeyRouterPassword, &Settings::RouterPassword},
    {&ShellText::KeyRouterIP, &Settings::RouterIP},
    {&ShellText::KeyStatsCheck, &Settings::StatsCheck},
    {&ShellText::KeyStatsCheckInterval, &Settings::StatsCheckInterval},
}};

} // namespace

Settings Settings::designTime() {
    return {ShellText::DefaultPingIP,
            ShellText::DefaultPingInterval,
            ShellText::DefaultRouterUsername,
            ShellText::DefaultRouterPassword,
            ShellText::DefaultRouterIP,
            ShellText::DefaultStatsCheck,
            ShellText::DefaultStatsCheckInterval};
}

std::optional<Settings> Settings::load(const QString& path) {
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    Settings settings;
    for (const auto& [key, field] : Keys)
        settings.*field = modMisc::ReadIniValue(ShellText::SettingsSection, *key, path);
    return settings;
}

void Settings::save(const QString& path) const {
    for (const auto& [key, field] : Keys)
        modMisc::WriteIniValue(ShellText::SettingsSection, *key, this->*field, path);
}
