// SPDX-License-Identifier: MIT
// Desktop notifications through the freedesktop notification service on the
// session bus. A notification is sent without waiting for its answer; when no
// service takes it (no bus, nobody owning the name, an error, no answer in
// time) notShown hands it back, for the tray's own balloon to show instead.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    // A service that has not answered by then is taken as absent.
    static constexpr int ReplyTimeLimitMs = 5000;

    explicit DesktopNotifier(QString appTitle, QDBusConnection bus = QDBusConnection::sessionBus(),
                             QObject* parent = nullptr);

    // Sends one notification titled with the program's name; returns at once.
    // `iconName` is "normal", "up" or "down"; `category` a freedesktop one.
    void show(const QString& body, const QString& iconName, const QString& category);

signals:
    void notShown(const QString& title, const QString& body, const QString& iconName);

private:
    QString m_appTitle;
    QDBusConnection m_bus;
};
