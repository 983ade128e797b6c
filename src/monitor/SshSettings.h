// SPDX-License-Identifier: MIT
// What the [SSH] section of settings.ini says for routers reached over SSH:
// the private key the router knows the user by, and the file of the routers'
// host keys. The user name and the password are the router's, from
// [Options]. The host reads the section's values (in the order of Keys) and
// hands them over as texts.
#pragma once

#include <QString>
#include <QStringList>

class TarnTelnet;

struct SshSettings {
    static const QString Section;
    // The keys of [SSH], in the order fromValues takes their values.
    static const QStringList Keys;
    // The known-hosts file's name in the program's folder, where it lies unless another is given.
    static const QString KnownHostsFileName;

    QString keyFile;    // empty: no key file; the password and the user's ssh-agent remain
    QString knownHosts; // never empty

    // values[i] is the value of Keys[i]; missing values count as empty. A
    // relative path lies in folder, the program's folder; "~/" stands for the
    // home folder.
    static SshSettings fromValues(const QStringList& values, const QString& folder);
    // The section of the settings file at path; as fromValues.
    static SshSettings read(const QString& path, const QString& folder);

    // Gives the control these files. A router's first key is trusted and
    // remembered, and the user told; a changed key is always refused.
    void applyTo(TarnTelnet& control) const;
};
