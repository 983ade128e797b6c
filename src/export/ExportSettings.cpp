// SPDX-License-Identifier: MIT
#include "ExportSettings.h"

#include "ExportText.h"
#include "text/IniFile.h"

#include <QRegularExpression>
#include <QSysInfo>
#include <optional>

const QStringList ExportSettings::Keys = {ExportText::MetricsAddressKey, ExportText::LineNameKey, ExportText::BrokerKey,
                                          ExportText::UserKey,           ExportText::PasswordKey, ExportText::TopicKey};

namespace {

struct HostPort {
    QString host;
    std::optional<quint16> port;
};

std::optional<quint16> parsePort(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const uint port = text.toUInt();
    if (port == 0 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

// "host", "host:port", "[v6]" or "[v6]:port". An IPv6 address needs its
// brackets, as its colons would otherwise be taken for the port's.
std::optional<HostPort> splitHostPort(const QString& text) {
    HostPort result;
    QString rest;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        result.host = text.mid(1, close - 1);
        rest = text.mid(close + 1);
        if (QHostAddress(result.host).protocol() != QAbstractSocket::IPv6Protocol)
            return std::nullopt;
    } else {
        const qsizetype colon = text.indexOf(u':');
        result.host = text.left(colon);
        rest = colon < 0 ? QString() : text.mid(colon);
    }
    if (result.host.isEmpty())
        return std::nullopt;
    if (rest.isEmpty())
        return result;
    if (!rest.startsWith(u':'))
        return std::nullopt;
    result.port = parsePort(rest.mid(1));
    if (!result.port)
        return std::nullopt;
    return result;
}

bool isHostName(const QString& host) {
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9._-]+$"));
    return name.match(host).hasMatch() || QHostAddress(host).protocol() == QAbstractSocket::IPv6Protocol;
}

// A topic that publishing can use: not empty, no wildcards, no NUL, and not
// one of the broker's own ($SYS and the like).
bool isTopic(const QString& topic) {
    return !topic.isEmpty() && !topic.startsWith(u'$') && !topic.contains(u'+') && !topic.contains(u'#') &&
           !topic.contains(QChar(0));
}

} // namespace

QString hostPortText(const QString& host, quint16 port) {
    const bool v6 = QHostAddress(host).protocol() == QAbstractSocket::IPv6Protocol;
    return (v6 ? QStringLiteral("[%1]:%2") : QStringLiteral("%1:%2")).arg(host).arg(port);
}

ExportSettings ExportSettings::fromValues(const QStringList& values, const QString& hostName) {
    const auto value = [&values](qsizetype index) { return values.value(index).trimmed(); };
    ExportSettings settings;

    const QString address = value(0);
    if (!address.isEmpty()) {
        const std::optional<HostPort> parts = splitHostPort(address);
        const QHostAddress host = parts ? QHostAddress(parts->host) : QHostAddress();
        if (parts && parts->port && !host.isNull()) {
            settings.metricsAddress = host;
            settings.metricsPort = *parts->port;
        } else {
            settings.problems << ExportText::BadMetricsAddress.arg(address);
        }
    }

    settings.lineName = value(1);
    if (settings.lineName.isEmpty())
        settings.lineName = hostName.isEmpty() ? ExportText::FallbackLineName : hostName;

    const QString broker = value(2);
    settings.topic = value(5);
    if (settings.topic.isEmpty())
        settings.topic = ExportText::TopicPrefix + settings.lineName;
    while (settings.topic.endsWith(u'/'))
        settings.topic.chop(1);
    if (!broker.isEmpty()) {
        const std::optional<HostPort> parts = splitHostPort(broker);
        if (!parts || !isHostName(parts->host)) {
            settings.problems << ExportText::BadBroker.arg(broker);
        } else if (!isTopic(settings.topic)) {
            settings.problems << ExportText::BadTopic.arg(settings.topic);
        } else {
            settings.brokerHost = parts->host;
            settings.brokerPort = parts->port.value_or(ExportText::DefaultBrokerPort);
            settings.brokerUser = value(3);
            settings.brokerPassword = values.value(4);
        }
    }
    return settings;
}

ExportSettings ExportSettings::read(const QString& path) {
    const QStringList values = modMisc::ReadIniValues(ExportText::Section, Keys, path).value_or(QStringList());
    return fromValues(values, QSysInfo::machineHostName());
}
