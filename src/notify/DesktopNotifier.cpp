// SPDX-License-Identifier: MIT
#include "DesktopNotifier.h"

#include "monitor/MonitorText.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QImage>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Method = QStringLiteral("Notify");
// Let the service choose how long the notification stays.
constexpr qint32 ServerDefaultExpiry = -1;

// The picture as raw RGBA pixels, the "image-data" hint's (iiibiiay): servers
// show it whether or not the program's icons are installed.
QVariant imageData(const QString& iconName) {
    const QImage image =
        QImage(QStringLiteral(":/notify/%1.png").arg(iconName)).convertToFormat(QImage::Format_RGBA8888);
    if (image.isNull())
        return {};
    QDBusArgument argument;
    argument.beginStructure();
    argument << qint32(image.width()) << qint32(image.height()) << qint32(image.bytesPerLine()) << true << qint32(8)
             << qint32(4)
             << QByteArray(reinterpret_cast<const char*>(image.constBits()), qsizetype(image.sizeInBytes()));
    argument.endStructure();
    return QVariant::fromValue(argument);
}

} // namespace

DesktopNotifier::DesktopNotifier(QString appTitle, QDBusConnection bus, QObject* parent)
    : QObject(parent), m_appTitle(std::move(appTitle)), m_bus(std::move(bus)) {}

void DesktopNotifier::show(const QString& body, const QString& iconName, const QString& category) {
    if (!m_bus.isConnected()) {
        emit notShown(m_appTitle, body, iconName);
        return;
    }
    QVariantMap hints{{QStringLiteral("desktop-entry"), MonitorText::ProgramName},
                      {QStringLiteral("category"), category}};
    const QVariant image = imageData(iconName);
    if (image.isValid())
        hints.insert(QStringLiteral("image-data"), image);
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Service, Method);
    call << m_appTitle << quint32(0) << MonitorText::ProgramName << m_appTitle << body << QStringList() << hints
         << ServerDefaultExpiry;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, ReplyTimeLimitMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, body, iconName](QDBusPendingCallWatcher* reply) {
        if (reply->isError())
            emit notShown(m_appTitle, body, iconName);
        reply->deleteLater();
    });
}
