// SPDX-License-Identifier: MIT
// The main window: the program starts when it is created and ends when it
// closes. It owns the controls, the notification-area icon and the core that
// pings and collects (MonitorCore), and shows what the core reports. Settings
// are read at load and written at unload.
#pragma once

#include <QSystemTrayIcon>
#include <QWidget>
#include <array>
#include <chrono>
#include <memory>

#include "Icons.h"
#include "modSysTray.h"
#include "monitor/MonitorCore.h"
#include "monitor/Settings.h"
#include "text/AppFolder.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class FormView;

class Form1 : public QWidget {
    Q_OBJECT

public:
    // The standard folders, the desktop's tray and the system's ICMP echo.
    explicit Form1(QWidget* parent = nullptr);
    // No probe means the system's ICMP echo.
    Form1(modMisc::AppFolders folders, std::unique_ptr<TrayBackend> tray, std::unique_ptr<PingProbe> probe = {},
          MonitorCore::Periods periods = {}, QWidget* parent = nullptr);
    ~Form1() override;

    // Where settings.ini, the statistics files and the logs lie, ending in one separator.
    QString AppFolder() const { return m_appFolder; }
    QString SettingsPath() const { return m_settingsPath; }

    MonitorCore& Core() { return *m_core; }
    modSysTray& SysTray() { return m_sysTray; }
    const IconSet& Icons() const { return m_icons; }

    // What the command line asks for at start: pinging started as by the
    // button, the window sent to the tray as by its button. A session's panel
    // may come up after the program: without a tray yet, the window waits
    // minimised for one, up to TrayWait.
    static constexpr std::chrono::seconds TrayWait{30};
    void StartPinging();
    void SendToTray();
    // The window back on the screen with the focus, as Open does: another start asked for it.
    void Restore();

    // Unloads when the program ends without its window (Qt exits at once when
    // the display connection breaks): the settings are written, nothing talks
    // to the display.
    void UnloadWithoutDisplay();

signals:
    // Query-unload has run: the settings are written and the program may end.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    int twips(int value) const;
    Settings readControls() const;
    void fillControls(const Settings& settings);
    void carryOverFrom(const QString& programFolder);

    void Form_Load();
    void Form_QueryUnload();
    void cmdToggle_Click();
    void mnToggle_Click();
    void cmdSendToTray_Click();
    void mnOpen_Click();
    void mnExit_Click();
    void trayIcon_Activated(QSystemTrayIcon::ActivationReason reason);
    void showStatsRecord(const QString& record);

    // Controls, in tab order.
    QLineEdit* txtPing = nullptr;
    QLineEdit* txtInterval = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPass = nullptr;
    QLineEdit* txtRouter = nullptr;
    QPushButton* cmdToggle = nullptr;
    QPushButton* cmdSendToTray = nullptr;
    QPlainTextEdit* txtOut = nullptr;
    std::array<QLabel*, 6> lblGen{};
    QLabel* lblPing = nullptr;
    QLabel* lblCount = nullptr;
    QCheckBox* chkStats = nullptr;
    QLineEdit* txtStats = nullptr;

    // The tray menu, never shown as a menu bar.
    QMenu* mnSysTray = nullptr;
    QAction* mnOpen = nullptr;
    QAction* mnToggle = nullptr;
    QAction* mnExit = nullptr;

    IconSet m_icons;
    modMisc::AppFolders m_folders;
    QString m_appFolder;
    QString m_settingsPath;
    modSysTray m_sysTray;
    std::unique_ptr<FormView> m_view;
    // Goes before the view it reads and the controls it reports to.
    std::unique_ptr<MonitorCore> m_core;
    bool m_displayLost = false;
    bool m_unloaded = false;
};
