// SPDX-License-Identifier: MIT
#include "modSysTray.h"

#include <QWidget>

namespace {

constexpr int HostCheckPeriodMs = 1000;
// Long enough to be read on coming back to the desk for a moment.
constexpr int MessageShownMs = 15000;

} // namespace

SystemTrayBackend::SystemTrayBackend(QObject* parent) : TrayBackend(parent) {
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayBackend::activated);
    m_hostCheck.setInterval(HostCheckPeriodMs);
    connect(&m_hostCheck, &QTimer::timeout, this, &SystemTrayBackend::checkHost);
}

void SystemTrayBackend::checkHost() {
    if (!isAvailable()) {
        m_hostCheck.stop();
        emit hostLost();
    }
}

bool SystemTrayBackend::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayBackend::add(const QIcon& icon, const QString& tip) {
    m_icon.setIcon(icon);
    m_icon.setToolTip(tip);
    m_icon.show();
    m_hostCheck.start();
}

void SystemTrayBackend::modify(const QIcon& icon, const QString& tip) {
    m_icon.setIcon(icon);
    m_icon.setToolTip(tip);
}

void SystemTrayBackend::remove() {
    m_hostCheck.stop();
    m_icon.hide();
}

void SystemTrayBackend::showMessage(const QString& title, const QString& body, const QIcon& icon) {
    m_icon.showMessage(title, body, icon, MessageShownMs);
}

namespace {

QString trayTip(const QString& tip) {
    return tip.left(modSysTray::MaxTipLength);
}

} // namespace

modSysTray::modSysTray(std::unique_ptr<TrayBackend> backend) : m_backend(std::move(backend)) {}

void modSysTray::AddTrayIcon(const QWidget& window, const QString& tip) {
    if (m_iconInTray)
        return;
    m_backend->add(window.windowIcon(), trayTip(tip));
    m_iconInTray = true;
}

void modSysTray::ModifyTrayIcon(const QWidget& window, const QString& tip) {
    if (!m_iconInTray)
        return;
    m_backend->modify(window.windowIcon(), trayTip(tip));
}

void modSysTray::RemoveTrayIcon() {
    if (!m_iconInTray)
        return;
    m_backend->remove();
    m_iconInTray = false;
}

void modSysTray::ShowMessage(const QString& title, const QString& body, const QIcon& icon) {
    if (m_iconInTray)
        m_backend->showMessage(title, body, icon);
}
