// SPDX-License-Identifier: MIT
// Where Line Warden keeps settings.ini and the statistics files. The main
// program and the history viewer both find them through this one rule.
#pragma once

#include <QString>
#include <functional>

namespace modMisc {

// The path with exactly one platform folder separator at its end ("/" here,
// "\" on Windows): unchanged when it already ends in one.
QString WithTrailingBackslash(const QString& path);

// True when a file can be created in folder (tried, then removed).
bool FolderIsWritable(const QString& folder);

// The folder for settings.ini and the statistics files: the program's own when
// it is writable (a portable install) and not under /usr, else the per-user
// data folder, created as needed. Both come back WithTrailingBackslash.
QString ChooseAppFolder(const QString& programFolder, const QString& userDataFolder,
                        const std::function<bool(const QString&)>& isWritable = FolderIsWritable);

} // namespace modMisc
