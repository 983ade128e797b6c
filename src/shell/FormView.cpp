// SPDX-License-Identifier: MIT
#include "FormView.h"

#include "monitor/MonitorText.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

QString FormView::PingAddress() const {
    return m_controls.txtPing->text();
}

QString FormView::IntervalText() const {
    return m_controls.txtInterval->text();
}

void FormView::SetToggleCaptions(const QString& button, const QString& menu) {
    m_controls.cmdToggle->setText(button);
    m_controls.mnToggle->setText(menu);
}

void FormView::SetInputsEnabled(bool enabled) {
    const FormControls& c = m_controls;
    for (QWidget* input : std::initializer_list<QWidget*>{c.txtPing, c.txtInterval, c.txtUser, c.txtPass, c.txtRouter,
                                                          c.chkStats, c.txtStats})
        input->setEnabled(enabled);
}

void FormView::SetCountdown(const QString& text) {
    m_controls.lblCount->setText(text);
}

void FormView::ShowDisplays(bool shown) {
    m_controls.lblCount->setVisible(shown);
    m_controls.lblPing->setVisible(shown);
}

void FormView::SetPingLabel(const QString& caption, quint32 colour) {
    QLabel* label = m_controls.lblPing;
    label->setText(caption);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, QColor(colour & 0xff, (colour >> 8) & 0xff, (colour >> 16) & 0xff));
    label->setPalette(palette);
}

void FormView::SetWindowIcon(PingIcon icon) {
    m_window.setWindowIcon(m_icons.of(icon));
}

// The probe's own warnings are modal boxes captioned with the application title.
void FormView::Warn(const QString& text) {
    QMessageBox::warning(&m_window, MonitorText::AppTitle, text);
}

bool FormView::IconInTray() const {
    return m_tray.IconInTray();
}

void FormView::ModifyTrayIcon(const QString& tip) {
    m_tray.ModifyTrayIcon(m_window, tip);
}

StatsCollector::RouterLogin FormView::RouterLogin() const {
    return {m_controls.txtRouter->text(), m_controls.txtUser->text(), m_controls.txtPass->text()};
}

QString FormView::StatsIntervalText() const {
    return m_controls.txtStats->text();
}

bool FormView::StatsTicked() const {
    return m_controls.chkStats->isChecked();
}
