// SPDX-License-Identifier: MIT
#include "MqttMessages.h"

#include "ExportText.h"
#include "LineValues.h"
#include "text/IsoTime.h"
#include "text/StatsCsv.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using LineValues::Direction;
using LineValues::Quantity;

QString directionWord(Direction direction) {
    return direction == Direction::Down ? QStringLiteral("downstream") : QStringLiteral("upstream");
}

QString quantityWord(Quantity quantity) {
    switch (quantity) {
    case Quantity::Rate:
        return QStringLiteral("rate");
    case Quantity::Attenuation:
        return QStringLiteral("attenuation");
    case Quantity::Margin:
        break;
    }
    return QStringLiteral("margin");
}

// The value's field in the state JSON, with its unit: downstream_rate_kbps, upstream_margin_db.
QString fieldName(const LineValues::Value& value) {
    const QString unit = value.quantity == Quantity::Rate ? QStringLiteral("kbps") : QStringLiteral("db");
    return directionWord(value.direction) + u'_' + quantityWord(value.quantity) + u'_' + unit;
}

// Discovery ids allow letters, digits, "_" and "-" only.
QString idOf(const QString& text) {
    QString id = text.toLower();
    for (QChar& c : id) {
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'-'))
            c = u'_';
    }
    return id;
}

QJsonObject entity(const QString& base, const QString& lineName, const QString& appTitle, const QString& key,
                   const QString& name) {
    const QString deviceId = QStringLiteral("linewarden_") + idOf(lineName);
    const QString id = deviceId + u'_' + key;
    const QString version = QStringLiteral(LINEWARDEN_VERSION);
    return {
        {QStringLiteral("name"), name},
        {QStringLiteral("unique_id"), id},
        {QStringLiteral("object_id"), id},
        {QStringLiteral("availability_topic"), MqttMessages::availabilityTopic(base)},
        {QStringLiteral("payload_available"), QString::fromLatin1(ExportText::Online)},
        {QStringLiteral("payload_not_available"), QString::fromLatin1(ExportText::Offline)},
        {QStringLiteral("device"), QJsonObject{{QStringLiteral("identifiers"), QJsonArray{deviceId}},
                                               {QStringLiteral("name"), appTitle + u' ' + lineName},
                                               {QStringLiteral("model"), ExportText::DeviceModel},
                                               {QStringLiteral("sw_version"), version}}},
        {QStringLiteral("origin"),
         QJsonObject{{QStringLiteral("name"), appTitle}, {QStringLiteral("sw_version"), version}}},
    };
}

QString configTopic(const QString& component, const QJsonObject& config) {
    return ExportText::DiscoveryPrefix + component + u'/' + config.value(QStringLiteral("unique_id")).toString() +
           QStringLiteral("/config");
}

} // namespace

namespace MqttMessages {

QString stateTopic(const QString& base) {
    return base + ExportText::StateTopic;
}

QString pingTopic(const QString& base) {
    return base + ExportText::PingTopic;
}

QString availabilityTopic(const QString& base) {
    return base + ExportText::AvailabilityTopic;
}

QByteArray pingPayload(const QString& pingStateText) {
    if (pingStateText == StatsCsv::Up)
        return ExportText::PingUp;
    if (pingStateText == StatsCsv::Down)
        return ExportText::PingDown;
    return {};
}

QByteArray statePayload(const LineStats& stats, const QString& pingStateText, bool changed, const QDateTime& when) {
    QJsonObject state{{QStringLiteral("time"), modMisc::IsoTime(when)}, {QStringLiteral("changed"), changed}};
    for (const LineValues::Value& value : LineValues::All) {
        const std::optional<double> number = StatsCsv::NumberOf(stats.*value.text);
        state.insert(fieldName(value), number ? QJsonValue(*number) : QJsonValue());
    }
    const QByteArray ping = pingPayload(pingStateText);
    state.insert(QStringLiteral("ping"), ping.isEmpty() ? QJsonValue() : QJsonValue(QString::fromLatin1(ping)));
    return QJsonDocument(state).toJson(QJsonDocument::Compact);
}

QList<Message> discoveryConfigs(const QString& base, const QString& lineName, const QString& appTitle) {
    QList<Message> messages;
    for (const LineValues::Value& value : LineValues::All) {
        const QString key = directionWord(value.direction) + u'_' + quantityWord(value.quantity);
        QString name = key;
        name[0] = name[0].toUpper();
        name.replace(u'_', u' ');
        QJsonObject config = entity(base, lineName, appTitle, key, name);
        config.insert(QStringLiteral("state_topic"), stateTopic(base));
        config.insert(QStringLiteral("value_template"), QStringLiteral("{{ value_json.%1 }}").arg(fieldName(value)));
        config.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
        if (value.quantity == Quantity::Rate) {
            config.insert(QStringLiteral("unit_of_measurement"), QStringLiteral("kbit/s"));
            config.insert(QStringLiteral("device_class"), QStringLiteral("data_rate"));
        } else {
            config.insert(QStringLiteral("unit_of_measurement"), QStringLiteral("dB"));
        }
        messages.append(
            {configTopic(QStringLiteral("sensor"), config), QJsonDocument(config).toJson(QJsonDocument::Compact)});
    }
    // The ping topic changes the moment a probe does; the state topic only with the next record.
    QJsonObject ping = entity(base, lineName, appTitle, QStringLiteral("ping"), QStringLiteral("Ping"));
    ping.insert(QStringLiteral("state_topic"), pingTopic(base));
    ping.insert(QStringLiteral("payload_on"), QString::fromLatin1(ExportText::PingUp));
    ping.insert(QStringLiteral("payload_off"), QString::fromLatin1(ExportText::PingDown));
    ping.insert(QStringLiteral("device_class"), QStringLiteral("connectivity"));
    messages.append(
        {configTopic(QStringLiteral("binary_sensor"), ping), QJsonDocument(ping).toJson(QJsonDocument::Compact)});
    return messages;
}

} // namespace MqttMessages
