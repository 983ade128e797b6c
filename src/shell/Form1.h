// SPDX-License-Identifier: MIT
// The main window: the program starts when it is created and ends when it
// closes. It owns the controls, the timers, the telnet script control and the
// notification-area icon. Settings are read at load and written at unload.
#pragma once

#include <QIcon>
#include <QSystemTrayIcon>
#include <QWidget>
#include <array>
#include <memory>

#include "Settings.h"
#include "modSysTray.h"
#include "reachability/PingProbe.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class PingMonitor;
class PingWidgets;
class StatsCollector;
class TarnTelnet;

class Form1 : public QWidget {
    Q_OBJECT

public:
    // Where the program lies, and the per-user folder used when that one cannot be written.
    struct Folders {
        QString program;
        QString userData;
        static Folders standard();
    };

    // The program's own folders, the desktop's tray and the system's ICMP echo.
    explicit Form1(QWidget* parent = nullptr);
    // No probe means the system's ICMP echo.
    Form1(Folders folders, std::unique_ptr<TrayBackend> tray, std::unique_ptr<PingProbe> probe = {},
          QWidget* parent = nullptr);
    ~Form1() override;

    // Controls, in tab order.
    QLineEdit* txtPing;
    QLineEdit* txtInterval;
    QLineEdit* txtUser;
    QLineEdit* txtPass;
    QLineEdit* txtRouter;
    QPushButton* cmdToggle;
    QPushButton* cmdSendToTray;
    QPlainTextEdit* txtOut;
    // The telnet script control: not shown, its properties keep their defaults.
    TarnTelnet* TarnTelnet1;
    std::array<QLabel*, 6> lblGen;
    QLabel* lblPing;
    QLabel* lblCount;
    QCheckBox* chkStats;
    QLineEdit* txtStats;

    // The tray menu, never shown as a menu bar.
    QMenu* mnSysTray;
    QAction* mnOpen;
    QAction* mnToggle;
    QAction* mnExit;

    QTimer* tmrPing;
    QTimer* tmrStats;

    QIcon imgNormal;
    QIcon imgUP;
    QIcon imgDOWN;

    // Where settings.ini and the statistics files lie, ending in one separator.
    QString AppFolder;
    QString SettingsPath;

    modSysTray& SysTray() { return m_sysTray; }
    PingMonitor& Monitor() { return *m_pingMonitor; }
    // The statistics side: collections on TarnTelnet1, driven by tmrStats, shown in txtOut.
    StatsCollector& Stats() { return *m_stats; }

    // Twips to pixels on this window's screen.
    int twips(int value) const;

    // Writes the settings as query-unload does, when the program ends without
    // its window (Qt exits at once when the display connection breaks): the
    // file only, nothing that would talk to the display. Nothing after an unload.
    void WriteSettingsAtExit();

signals:
    // Query-unload has run: the settings are written and the program may end.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void place(QWidget* control, int left, int top, int width, int height);
    Settings readControls() const;
    void fillControls(const Settings& settings);

    void Form_Load();
    void Form_QueryUnload();
    void cmdToggle_Click();
    void mnToggle_Click();
    void cmdSendToTray_Click();
    void mnOpen_Click();
    void mnExit_Click();
    void trayIcon_Activated(QSystemTrayIcon::ActivationReason reason);
    void showStatsRecord(const QString& record);

    Folders m_folders;
    modSysTray m_sysTray;
    std::unique_ptr<PingProbe> m_probe;
    std::unique_ptr<PingWidgets> m_pingWidgets;
    std::unique_ptr<PingMonitor> m_pingMonitor;
    StatsCollector* m_stats = nullptr;
    bool m_unloaded = false;
};
