// SPDX-License-Identifier: MIT
#include "Settings.h"

#include "ShellText.h"
#include "text/IniFile.h"
#include "text/OwnFile.h"

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

std::optional<Settings> Settings::load(const QString& path) {
    if (!QFileInfo::exists(path))
        return std::nullopt;
    QStringList keys;
    for (const auto& [key, field] : Keys)
        keys << *key;
    const auto values = modMisc::ReadIniValues(ShellText::SettingsSection, keys, path);
    if (!values)
        return std::nullopt;
    modMisc::KeepPrivate(path);
    Settings settings;
    for (qsizetype i = 0; i < values->size(); ++i)
        settings.*Keys[i].second = values->at(i);
    return settings;
}

bool Settings::save(const QString& path) const {
    modMisc::IniEntries entries;
    for (const auto& [key, field] : Keys)
        entries.append({*key, this->*field});
    return modMisc::WriteIniValues(ShellText::SettingsSection, entries, path) != 0;
}

bool Settings::carryOver(const QString& from, const QString& to) {
    return OwnFile::CopyNew(from, to, modMisc::PrivateMode);
}
