// SPDX-License-Identifier: MIT
// A notification service that records the calls it gets: it owns
// org.freedesktop.Notifications on the connection it is given and answers
// Notify with a new id. And the user's command that records what it is told.
#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QObject>
#include <QVariantMap>

// A [Notify] Command that writes its environment to dir/EVENT, whole before the file shows there.
inline QString environmentRecorder(const QString& dir) {
    return QStringLiteral(R"(sh -c "env > $0/$LW_EVENT.tmp && mv $0/$LW_EVENT.tmp $0/$LW_EVENT" %1)").arg(dir);
}

// What environmentRecorder left for the event, a VARIABLE=value a line; empty before it has run.
inline QStringList recordedEnvironment(const QString& dir, const QString& event) {
    QFile file(QDir(dir).filePath(event));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                          : QStringList();
}

class NotificationRecorder : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call {
        QString appName;
        QString appIcon;
        QString summary;
        QString body;
        QImage image; // from the "image-data" hint
    };

    QList<Call> calls;

    bool serve(QDBusConnection bus) {
        return bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                  QDBusConnection::ExportAllSlots) &&
               bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }

public slots:
    uint Notify(const QString& appName, uint, const QString& appIcon, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap& hints, int) {
        calls << Call{appName, appIcon, summary, body, image(hints.value(QStringLiteral("image-data")))};
        return uint(calls.size());
    }

private:
    static QImage image(const QVariant& hint) {
        if (!hint.canConvert<QDBusArgument>())
            return {};
        const QDBusArgument argument = hint.value<QDBusArgument>();
        qint32 width = 0, height = 0, stride = 0, bits = 0, channels = 0;
        bool alpha = false;
        QByteArray data;
        argument.beginStructure();
        argument >> width >> height >> stride >> alpha >> bits >> channels >> data;
        argument.endStructure();
        // Anything but 8-bit RGBA, as the notifier sends it, shows as no picture.
        if (!alpha || bits != 8 || channels != 4 || data.size() < qsizetype(stride) * height)
            return {};
        return QImage(reinterpret_cast<const uchar*>(data.constData()), width, height, stride, QImage::Format_RGBA8888)
            .copy();
    }
};
