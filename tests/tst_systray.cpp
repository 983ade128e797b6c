// SPDX-License-Identifier: MIT
// The notification-area icon's state rules, on a fake tray: add, modify and
// remove, send to tray, double-click, Open, the popup menu and Exit.
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "FormRig.h"
#include "text/IniFile.h"

class TestSysTray : public QObject {
    Q_OBJECT

private:
    FormRig m_rig;
    Form1* m_form = nullptr;
    FakeTrayBackend* m_tray = nullptr;
    QMenu* m_menu = nullptr;

    void sendToTray() {
        m_rig.control<QPushButton>("cmdSendToTray")->click();
        QVERIFY(m_form->SysTray().IconInTray());
    }

private slots:
    void init() {
        m_form = &m_rig.open();
        m_tray = m_rig.tray;
        m_menu = m_rig.control<QMenu>("mnSysTray");
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
    }
    void cleanup() {
        m_rig.form.reset();
        QFile::remove(m_rig.ini());
    }

    void addModifyRemoveFollowTheRequests() {
        modSysTray& tray = m_form->SysTray();
        tray.ModifyTrayIcon(*m_form, "ignored");
        tray.RemoveTrayIcon();
        QVERIFY(m_tray->calls.isEmpty());

        tray.AddTrayIcon(*m_form, "Line Warden");
        tray.AddTrayIcon(*m_form, "again");
        QCOMPARE(m_tray->what(), QStringList{"add"});
        QCOMPARE(m_tray->calls[0].tip, QStringLiteral("Line Warden"));
        QCOMPARE(m_tray->calls[0].icon, m_form->Icons().imgNormal.cacheKey());

        m_form->setWindowIcon(m_form->Icons().imgDOWN);
        tray.ModifyTrayIcon(*m_form, "Line Warden - DOWN");
        QCOMPARE(m_tray->calls.last().what, QStringLiteral("modify"));
        QCOMPARE(m_tray->calls.last().icon, m_form->Icons().imgDOWN.cacheKey());
        QCOMPARE(m_tray->calls.last().tip, QStringLiteral("Line Warden - DOWN"));

        tray.RemoveTrayIcon();
        tray.RemoveTrayIcon();
        QCOMPARE(m_tray->what(), (QStringList{"add", "modify", "remove"}));
        QVERIFY(!tray.IconInTray());
    }

    void tipIsCutTo63Characters() {
        m_form->SysTray().AddTrayIcon(*m_form, QString(70, u'x'));
        QCOMPARE(m_tray->calls[0].tip, QString(63, u'x'));
    }

    void sendToTrayHidesAndMinimises() {
        m_form->setWindowIcon(m_form->Icons().imgUP); // the monitor's state is kept
        sendToTray();
        QVERIFY(!m_form->isVisible());
        QVERIFY(m_form->isMinimized());
        QCOMPARE(m_tray->what(), QStringList{"add"});
        QCOMPARE(m_tray->calls[0].tip, QStringLiteral("Line Warden"));
        QCOMPARE(m_tray->calls[0].icon, m_form->Icons().imgUP.cacheKey());
        m_rig.control<QPushButton>("cmdSendToTray")->click();
        QCOMPARE(m_tray->what(), QStringList{"add"});
    }

    void noTrayMinimisesInstead() {
        m_tray->available = false;
        m_rig.control<QPushButton>("cmdSendToTray")->click();
        QVERIFY(!m_form->SysTray().IconInTray());
        QVERIFY(m_tray->calls.isEmpty());
        QTRY_VERIFY(m_form->isMinimized());
        QVERIFY(m_form->isVisible());
    }

    // Started into the tray before the session's panel is up: minimised until a tray comes.
    void startingIntoATrayThatComesLater() {
        m_form->hide();
        m_tray->available = false;
        m_form->SendToTray();
        QTRY_VERIFY(m_form->isMinimized());
        m_tray->available = true;
        QTRY_VERIFY(m_form->SysTray().IconInTray());
        QVERIFY(!m_form->isVisible());
    }

    void trayHostGoingAwayShowsTheWindow() {
        sendToTray();
        m_tray->hostGoesAway();
        QVERIFY(m_form->isVisible());
        QVERIFY(!m_form->isMinimized());
        QVERIFY(!m_form->SysTray().IconInTray());
        m_tray->available = true; // a tray comes back
        sendToTray();
        QCOMPARE(m_tray->what(), (QStringList{"add", "remove", "add"}));
    }

    // Whether the focus stays away is seen on a real X server (tst_real_window):
    // the offscreen platform activates every window it shows.
    void doubleClickRestores() {
        sendToTray();
        m_tray->userDoes(QSystemTrayIcon::DoubleClick);
        QVERIFY(m_form->isVisible());
        QVERIFY(!m_form->isMinimized());
        QVERIFY(!m_form->SysTray().IconInTray());
        QCOMPARE(m_tray->what(), (QStringList{"add", "remove"}));
    }

    void openRestoresWithFocus() {
        QWidget other;
        other.show();
        sendToTray();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));

        m_rig.control<QAction>("mnOpen")->trigger();
        QVERIFY(m_form->isVisible());
        QVERIFY(!m_form->isMinimized());
        QVERIFY(!m_form->SysTray().IconInTray());
        QCOMPARE(m_tray->what(), (QStringList{"add", "remove"}));
        QTRY_COMPARE(QApplication::activeWindow(), m_form);
    }

    void contextRequestOpensTheMenu() {
        sendToTray();
        m_tray->userDoes(QSystemTrayIcon::Context);
        QTRY_VERIFY(m_menu->isVisible());
        QCOMPARE(m_menu->defaultAction(), m_rig.control<QAction>("mnOpen"));
        QVERIFY(m_form->SysTray().IconInTray());
        m_menu->close();
    }

    void otherClicksDoNothing_data() {
        QTest::addColumn<int>("reason");
        QTest::newRow("single click") << int(QSystemTrayIcon::Trigger);
        QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick);
        QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown);
    }
    void otherClicksDoNothing() {
        QFETCH(int, reason);
        sendToTray();
        m_tray->userDoes(QSystemTrayIcon::ActivationReason(reason));
        QVERIFY(!m_form->isVisible());
        QVERIFY(!m_menu->isVisible());
        QCOMPARE(m_tray->what(), QStringList{"add"});
    }

    void iconEventsWhileShownDoNothing() {
        m_tray->userDoes(QSystemTrayIcon::Context);
        m_tray->userDoes(QSystemTrayIcon::DoubleClick);
        QVERIFY(!m_menu->isVisible());
        QVERIFY(m_tray->calls.isEmpty());
    }

    void exitRemovesTheIconBeforeWritingSettings() {
        const QString ini = m_rig.ini();
        m_rig.control<QLineEdit>("txtUser")->setText("from exit");
        sendToTray();
        bool fileExistedAtRemove = true;
        m_tray->onRemove = [&] { fileExistedAtRemove = QFile::exists(ini); };
        QSignalSpy unloaded(m_form, &Form1::unloaded);

        m_rig.control<QAction>("mnExit")->trigger();
        QCOMPARE(unloaded.count(), 1);
        QCOMPARE(m_tray->what(), (QStringList{"add", "remove"}));
        QVERIFY(!fileExistedAtRemove);
        QCOMPARE(modMisc::ReadIniValue("Options", "Router Username", ini), QStringLiteral("from exit"));
    }
};

QTEST_MAIN(TestSysTray)
#include "tst_systray.moc"
