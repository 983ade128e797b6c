// SPDX-License-Identifier: MIT
#include "modSysTray.h"

#include <QWidget>

SystemTrayBackend::SystemTrayBackend(QObject* parent) : TrayBackend(parent) {
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayBackend::activated);
}

bool SystemTrayBackend::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayBackend::add(const QIcon& icon, const QString& tip) {
    m_icon.setIcon(icon);
    m_icon.setToolTip(tip);
    m_icon.show();
}

void SystemTrayBackend::modify(const QIcon& icon, const QString& tip) {
    m_icon.setIcon(icon);
    m_icon.setToolTip(tip);
}

void SystemTrayBackend::remove() {
    m_icon.hide();
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
