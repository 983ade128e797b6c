// SPDX-License-Identifier: MIT
#include "Settings.h"

#include "MonitorText.h"
#include "text/IniFile.h"
#include "text/OwnFile.h"
#include "text/modMisc.h"

#include <QFileInfo>
#include <array>
#include <utility>

namespace {

// The keys in the order they are read and written.
const std::array<std::pair<const QString*, QString Settings::*>, 7> Keys{{
    {&MonitorText::KeyPingIP, &Settings::PingIP},
    {&MonitorText::KeyPingInterval, &Settings::PingInterval},
    {&MonitorText::KeyRouterUsername, &Settings::RouterUsername},
    {&MonitorText::KeyRouterPassword, &Settings::RouterPassword},
    {&MonitorText::KeyRouterIP, &Settings::RouterIP},
    {&MonitorText::KeyStatsCheck, &Settings::StatsCheck},
    {&MonitorText::KeyStatsCheckInterval, &Settings::StatsCheckInterval},
}};

} // namespace

std::optional<Settings> Settings::load(const QString& path) {
    std::optional<Settings> settings = read(path);
    if (settings)
        modMisc::KeepPrivate(path);
    return settings;
}

std::optional<Settings> Settings::read(const QString& path) {
    if (!QFileInfo::exists(path))
        return std::nullopt;
    QStringList keys;
    for (const auto& [key, field] : Keys)
        keys << *key;
    const auto values = modMisc::ReadIniValues(MonitorText::SettingsSection, keys, path);
    if (!values)
        return std::nullopt;
    Settings settings;
    for (qsizetype i = 0; i < values->size(); ++i)
        settings.*Keys[i].second = values->at(i);
    return settings;
}

bool Settings::StatsTicked() const {
    return modMisc::WholeNumber(StatsCheck) == 1;
}

bool Settings::save(const QString& path) const {
    modMisc::IniEntries entries;
    for (const auto& [key, field] : Keys)
        entries.append({*key, this->*field});
    return modMisc::WriteIniValues(MonitorText::SettingsSection, entries, path) != 0;
}

bool Settings::carryOver(const QString& from, const QString& to) {
    return OwnFile::CopyNew(from, to, modMisc::PrivateMode);
}
