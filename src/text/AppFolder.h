// SPDX-License-Identifier: MIT
// Where Line Warden keeps settings.ini, the statistics files, its log and its
// lock. The main program and the history viewer both find them through this
// one rule.
#pragma once

#include <QString>
#include <functional>

namespace modMisc {

// line-warden: as the application's name it also names the per-user data
// folder, so every program that looks for line-warden's files runs under it.
inline const QString ProgramName = QStringLiteral("line-warden");

// The path with exactly one platform folder separator at its end ("/" here,
// "\" on Windows): unchanged when it already ends in one.
QString WithTrailingBackslash(const QString& path);

// True when a file can be created in folder (tried, then removed).
bool FolderIsWritable(const QString& folder);

// The folder for the program's files: the program's own when it is a copy
// unpacked into a folder of its own (writable, not named "bin", not under
// /usr), else the per-user data folder, created as needed. A "bin" folder is a
// build tree's or an install prefix's, which a rebuild or an upgrade replaces.
// Both come back WithTrailingBackslash.
QString ChooseAppFolder(const QString& programFolder, const QString& userDataFolder,
                        const std::function<bool(const QString&)>& isWritable = FolderIsWritable);

// The folders the rule chooses from, and the one the user named instead.
struct AppFolders {
    QString program;  // where the executable lies
    QString userData; // the per-user data folder
    QString given;    // named on the command line: used whatever the rule says

    // The program's and the per-user folder of this run; `given` as named.
    static AppFolders standard(const QString& given = {});

    // The folder of this run, created as needed, WithTrailingBackslash.
    QString chosen() const;
};

} // namespace modMisc
