// SPDX-License-Identifier: MIT
// The notification-area icon. modSysTray follows the program's own requests
// (IconInTray is true from add to remove, whatever the platform answered); the
// platform side sits behind TrayBackend so that the state rules can be tested
// without a desktop.
#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>

class QWidget;

class TrayBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool isAvailable() const = 0;
    virtual void add(const QIcon& icon, const QString& tip) = 0;
    virtual void modify(const QIcon& icon, const QString& tip) = 0;
    virtual void remove() = 0;
    // A balloon from the shown icon, for a while; clicking it takes it away.
    virtual void showMessage(const QString& title, const QString& body, const QIcon& icon) = 0;

signals:
    // Something happened on the icon: a click, a double-click, the context request.
    void activated(QSystemTrayIcon::ActivationReason reason);
    // The icon is shown but the tray that held it has gone (the panel crashed
    // or restarted): nothing is left to bring the window back from.
    void hostLost();
};

// The desktop's system tray or status notifier, through QSystemTrayIcon.
class SystemTrayBackend : public TrayBackend {
    Q_OBJECT
public:
    explicit SystemTrayBackend(QObject* parent = nullptr);

    bool isAvailable() const override;
    void add(const QIcon& icon, const QString& tip) override;
    void modify(const QIcon& icon, const QString& tip) override;
    void remove() override;
    void showMessage(const QString& title, const QString& body, const QIcon& icon) override;

private:
    void checkHost();

    QSystemTrayIcon m_icon;
    // Asks, while the icon is shown, whether the tray is still there: Qt gives
    // no public signal when it goes.
    QTimer m_hostCheck;
};

class modSysTray {
public:
    // The tip field holds at most this many characters.
    static constexpr qsizetype MaxTipLength = 63;

    explicit modSysTray(std::unique_ptr<TrayBackend> backend);

    // Shows the window's current icon with the tip; nothing when already shown.
    void AddTrayIcon(const QWidget& window, const QString& tip);
    // Changes picture and tip to the window's current icon; only while shown.
    void ModifyTrayIcon(const QWidget& window, const QString& tip);
    // Deletes the icon; only while shown.
    void RemoveTrayIcon();
    // Tells the user something from the icon; only while shown.
    void ShowMessage(const QString& title, const QString& body, const QIcon& icon);
    bool IconInTray() const { return m_iconInTray; }

    TrayBackend& backend() { return *m_backend; }

private:
    std::unique_ptr<TrayBackend> m_backend;
    bool m_iconInTray = false;
};
