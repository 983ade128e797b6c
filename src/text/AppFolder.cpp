// SPDX-License-Identifier: MIT
#include "AppFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
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
    const QString program = QDir::cleanPath(programFolder);
    // A program installed under /usr is no portable copy, even where root may
    // write there: those folders belong to the package manager.
    const bool installed = program.startsWith(QStringLiteral("/usr/")) || QFileInfo(program).fileName() == u"bin";
    if (!installed && isWritable(programFolder))
        return WithTrailingBackslash(programFolder);
    QDir().mkpath(userDataFolder);
    return WithTrailingBackslash(userDataFolder);
}

AppFolders AppFolders::standard(const QString& given) {
    return {QCoreApplication::applicationDirPath(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
            given};
}

QString AppFolders::chosen() const {
    if (given.isEmpty())
        return ChooseAppFolder(program, userData);
    const QString folder = QDir(given).absolutePath();
    QDir().mkpath(folder);
    return WithTrailingBackslash(folder);
}

} // namespace modMisc
