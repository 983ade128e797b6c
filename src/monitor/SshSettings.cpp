// SPDX-License-Identifier: MIT
#include "SshSettings.h"

#include "script_engine/TarnTelnet.h"
#include "text/IniFile.h"

#include <QDir>

const QString SshSettings::Section = QStringLiteral("SSH");
const QStringList SshSettings::Keys{QStringLiteral("Key File"), QStringLiteral("Known Hosts")};
const QString SshSettings::KnownHostsFileName = QStringLiteral("known_hosts");

namespace {

QString pathIn(const QString& folder, const QString& value) {
    if (value.isEmpty())
        return {};
    if (value == u'~' || value.startsWith(QStringLiteral("~/")))
        return QDir::cleanPath(QDir::homePath() + value.sliced(1));
    return QDir::cleanPath(QDir(folder).absoluteFilePath(value));
}

} // namespace

SshSettings SshSettings::fromValues(const QStringList& values, const QString& folder) {
    SshSettings settings;
    settings.keyFile = pathIn(folder, values.value(0).trimmed());
    settings.knownHosts = pathIn(folder, values.value(1).trimmed());
    if (settings.knownHosts.isEmpty())
        settings.knownHosts = pathIn(folder, KnownHostsFileName);
    return settings;
}

SshSettings SshSettings::read(const QString& path, const QString& folder) {
    return fromValues(modMisc::ReadIniValues(Section, Keys, path).value_or(QStringList()), folder);
}

void SshSettings::applyTo(TarnTelnet& control) const {
    control.setSshKeyFile(keyFile);
    control.setSshKnownHosts(knownHosts);
    control.setSshAcceptNewHostKey(true);
}
