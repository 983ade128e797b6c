// SPDX-License-Identifier: MIT
#include "PingWidgets.h"

#include "Form1.h"
#include "ShellText.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

QString PingWidgets::PingAddress() const {
    return m_form.txtPing->text();
}

QString PingWidgets::IntervalText() const {
    return m_form.txtInterval->text();
}

void PingWidgets::SetToggleCaptions(const QString& button, const QString& menu) {
    m_form.cmdToggle->setText(button);
    m_form.mnToggle->setText(menu);
}

void PingWidgets::SetInputsEnabled(bool enabled) {
    for (QWidget* input :
         std::initializer_list<QWidget*>{m_form.txtPing, m_form.txtInterval, m_form.txtUser, m_form.txtPass,
                                         m_form.txtRouter, m_form.chkStats, m_form.txtStats})
        input->setEnabled(enabled);
}

void PingWidgets::SetCountdown(const QString& text) {
    m_form.lblCount->setText(text);
}

void PingWidgets::ShowDisplays(bool shown) {
    m_form.lblCount->setVisible(shown);
    m_form.lblPing->setVisible(shown);
}

void PingWidgets::SetPingLabel(const QString& caption, quint32 colour) {
    m_form.lblPing->setText(caption);
    QPalette palette = m_form.lblPing->palette();
    palette.setColor(QPalette::Window, QColor(colour & 0xff, (colour >> 8) & 0xff, (colour >> 16) & 0xff));
    m_form.lblPing->setPalette(palette);
}

void PingWidgets::SetWindowIcon(PingIcon icon) {
    m_form.setWindowIcon(icon == PingIcon::Up     ? m_form.imgUP
                         : icon == PingIcon::Down ? m_form.imgDOWN
                                                  : m_form.imgNormal);
}

void PingWidgets::Warn(const QString& text) {
    QMessageBox::warning(&m_form, ShellText::AppTitle, text);
}

bool PingWidgets::IconInTray() const {
    return m_form.SysTray().IconInTray();
}

void PingWidgets::ModifyTrayIcon(const QString& tip) {
    m_form.SysTray().ModifyTrayIcon(m_form, tip);
}
