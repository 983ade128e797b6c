// SPDX-License-Identifier: MIT
// What the [Export] section of settings.ini asks for, checked. A value that
// cannot be used switches its export off with a message that says why, and
// never stops the program.
#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

struct ExportSettings {
    // The keys of [Export], in the order fromValues takes their values.
    static const QStringList Keys;

    // The metrics endpoint; port 0 when there is none.
    QHostAddress metricsAddress;
    quint16 metricsPort = 0;

    // The line's name in every metric's label and in the MQTT device.
    QString lineName;

    // The MQTT broker; an empty host when nothing is published.
    QString brokerHost;
    quint16 brokerPort = 0;
    QString brokerUser;
    QString brokerPassword;
    // The base topic, without a trailing slash.
    QString topic;

    // One message for each value that was refused.
    QStringList problems;

    bool metricsEnabled() const { return metricsPort != 0; }
    bool mqttEnabled() const { return !brokerHost.isEmpty(); }

    // values[i] is the value of Keys[i]; missing values count as empty.
    // hostName is the default line name.
    static ExportSettings fromValues(const QStringList& values, const QString& hostName);
    // The [Export] section of the settings file at path; the line is named after this machine by default.
    static ExportSettings read(const QString& path);
};

// "host:port", with an IPv6 address in brackets, as the settings write it.
QString hostPortText(const QString& host, quint16 port);
