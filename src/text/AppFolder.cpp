// SPDX-License-Identifier: MIT
#include "AppFolder.h"

#include <QDir>
#include <QTemporaryFile>

namespace modMisc {

QString WithTrailingBackslash(const QString& path) {
    const QChar separator = QDir::separator();
    return path.endsWith(separator) ? path : path + separator;
}

bool FolderIsWritable(const QString& folder) {
    QTemporaryFile probe(WithTrailingBackslash(folder) + QStringLiteral("write-probe-XXXXXX"));
    return probe.open();
}

QString ChooseAppFolder(const QString& programFolder, const QString& userDataFolder,
                        const std::function<bool(const QString&)>& isWritable) {
    // A program installed under /usr is no portable copy, even where root may
    // write there: those folders belong to the package manager.
    const bool installed = QDir::cleanPath(programFolder).startsWith(QStringLiteral("/usr/"));
    if (!installed && isWritable(programFolder))
        return WithTrailingBackslash(programFolder);
    QDir().mkpath(userDataFolder);
    return WithTrailingBackslash(userDataFolder);
}

} // namespace modMisc
