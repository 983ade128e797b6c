// SPDX-License-Identifier: MIT
// The main window as created: geometry, tab order, captions and access keys,
// initial states, the tray menu and the three icons.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "FormRig.h"
#include "Peers.h"
#include "reachability/PingMonitor.h"
#include "script_engine/TarnTelnet.h"
#include "shell/FormLayout.h"
#include "statistics/StatsCollector.h"

class TestForm1 : public QObject {
    Q_OBJECT

private:
    FormRig m_rig;
    Form1* m_form = nullptr;

    // Halves to even (the default rounding mode), as at 144 dpi: 255 twips are 25.5 pixels, shown as 26.
    static int px(int twips) {
        return int(std::nearbyint(twips * QGuiApplication::primaryScreen()->logicalDotsPerInch() / 1440.0));
    }

    template <class T = QWidget> T* control(const char* name) { return m_rig.control<T>(name); }

private slots:
    void init() { m_form = &m_rig.open(); }
    void cleanup() {
        m_rig.form.reset();
        QFile::remove(m_rig.ini());
    }

    void window() {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Line Warden"));
        QCOMPARE(m_form->size(), QSize(px(4920), px(6600)));
        if (QGuiApplication::primaryScreen()->logicalDotsPerInch() == 96)
            QCOMPARE(m_form->size(), QSize(328, 440));
        QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
        QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(m_form->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(m_form->windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!m_form->findChild<QMenuBar*>());
        QCOMPARE(m_form->windowIcon().cacheKey(), m_form->Icons().imgNormal.cacheKey());
        QVERIFY(!m_form->windowIcon().availableSizes().isEmpty());

        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        const QPoint centre = m_form->screen()->availableGeometry().center();
        // Within the frame that the platform may add around the client area.
        const int frame = m_form->frameGeometry().width() - m_form->width();
        QVERIFY2((m_form->geometry().center() - centre).manhattanLength() <= 2 + frame, "window not centred");
    }

    // Every control of the layout, where the layout puts it, in pixels of this screen.
    void geometry_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        for (const FormLayout::Control& c : FormLayout::Controls)
            QTest::newRow(c.name) << QString::fromLatin1(c.name) << QRect(c.left, c.top, c.width, c.height);
    }
    void geometry() {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QWidget* widget = m_form->findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget(), m_form);
        QCOMPARE(widget->geometry(), QRect(px(twips.left()), px(twips.top()), px(twips.width()), px(twips.height())));
    }

    void tabOrderFollowsTheTabIndex() {
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        control("txtPing")->setFocus();
        const QStringList expected{"txtPing",       "txtInterval", "txtUser",  "txtPass",  "txtRouter", "cmdToggle",
                                   "cmdSendToTray", "txtOut",      "chkStats", "txtStats", "txtPing"};
        QStringList seen;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QTRY_VERIFY(QApplication::focusWidget());
            seen << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(seen, expected);
    }

    void captions_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        const char* const captions[][2] = {{"txtPing", "9.9.9.9"},
                                           {"txtInterval", "300"},
                                           {"txtUser", "root"},
                                           {"txtPass", "Mango"},
                                           {"txtRouter", "10.0.0.2"},
                                           {"txtStats", "1"},
                                           {"cmdToggle", "&Start Pinging"},
                                           {"cmdSendToTray", "Send To &Tray"},
                                           {"chkStats", "Get stats at regular intervals"},
                                           {"lblGen_0", "Ping IP:"},
                                           {"lblGen_1", "Interval in seconds:"},
                                           {"lblGen_2", "Router username:"},
                                           {"lblGen_3", "Router password:"},
                                           {"lblGen_4", "Router IP:"},
                                           {"lblGen_5", "Interval / minutes:"},
                                           {"lblPing", ""},
                                           {"lblCount", "00:00:00"}};
        for (const auto& [name, text] : captions)
            QTest::newRow(name) << QString(name) << QString(text);
    }
    void captions() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QWidget* widget = m_form->findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->property("text").toString(), text);
        if (!qobject_cast<QLineEdit*>(widget))
            QVERIFY2(widget->sizeHint().width() <= widget->width(), "the caption is cut");
    }

    void accessKeysPressTheButtons_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("key");
        QTest::newRow("Alt+S start pinging") << "cmdToggle" << int(Qt::Key_S);
        QTest::newRow("Alt+T send to tray") << "cmdSendToTray" << int(Qt::Key_T);
    }
    void accessKeysPressTheButtons() {
        QFETCH(QString, name);
        QFETCH(int, key);
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        auto* button = m_form->findChild<QPushButton*>(name);
        QSignalSpy clicked(button, &QPushButton::clicked);
        control("txtPing")->setFocus();
        QTest::keyClick(m_form, Qt::Key(key), Qt::AltModifier);
        QTRY_COMPARE(clicked.count(), 1);
    }

    void initialStates() {
        QVERIFY(!control<QTimer>("tmrPing")->isActive());
        QCOMPARE(control<QTimer>("tmrPing")->interval(), 1000);
        QVERIFY(!control<QTimer>("tmrStats")->isActive());
        QCOMPARE(control<QTimer>("tmrStats")->interval(), 60000);
        QVERIFY(control("lblPing")->isHidden());
        QVERIFY(control("lblCount")->isHidden());
        QVERIFY(control<QCheckBox>("chkStats")->isChecked());
        QVERIFY(control<QPlainTextEdit>("txtOut")->toPlainText().isEmpty());
        for (const char* name : {"txtPing", "txtInterval", "txtUser", "txtPass", "txtRouter", "chkStats", "txtStats"})
            QVERIFY2(control(name)->isEnabled(), name);

        // Arial, or the face with its metrics that the layout's widths are made for, is there.
        for (QWidget* w : {static_cast<QWidget*>(m_form), control("lblCount")})
            QVERIFY(QStringList({"Arial", "Liberation Sans"}).contains(QFontInfo(w->font()).family()));
    }

    // The button and the menu item toggle alike; the monitor's state reaches the widgets and
    // the statistics side: the schedule at start, a collection at a change.
    void pingingFromButtonAndMenu() {
        const char* inputs[] = {"txtPing", "txtInterval", "txtUser", "txtPass", "txtRouter", "chkStats", "txtStats"};
        auto* cmdToggle = control<QPushButton>("cmdToggle");
        auto* mnToggle = control<QAction>("mnToggle");
        auto* lblPing = control<QLabel>("lblPing");
        control<QLineEdit>("txtPing")->setText("127.0.0.1");
        control<QLineEdit>("txtInterval")->setText("-1");
        control<QLineEdit>("txtRouter")->setText(QStringLiteral("127.0.0.1 %1").arg(Peers::freeLoopbackPort()));
        cmdToggle->click();
        QVERIFY(control<QTimer>("tmrStats")->isActive());
        QCOMPARE(cmdToggle->text(), QStringLiteral("&Stop Pinging"));
        QCOMPARE(mnToggle->text(), QStringLiteral("Stop Pinging"));
        QVERIFY(control<QTimer>("tmrPing")->isActive());
        QVERIFY(!lblPing->isHidden() && !control("lblCount")->isHidden());
        for (const char* name : inputs)
            QVERIFY2(!control(name)->isEnabled(), name);

        StatsCollector& stats = m_form->Core().Stats();
        m_form->Core().Monitor().tmrPing_Timer();
        QVERIFY(!stats.StatsBusy());
        m_rig.probe->answers = false;
        m_form->Core().Monitor().tmrPing_Timer();
        QVERIFY(stats.PingStateChanged() && stats.StatsBusy());
        QCOMPARE(m_rig.probe->pinged, QStringList(2, "127.0.0.1"));
        QCOMPARE(control<QLabel>("lblCount")->text(), QStringLiteral("-00:00:02"));
        QCOMPARE(lblPing->text(), QStringLiteral("DOWN"));
        QCOMPARE(lblPing->palette().color(QPalette::Window), QColor(255, 0, 0));
        QCOMPARE(m_form->windowIcon().cacheKey(), m_form->Icons().imgDOWN.cacheKey());

        mnToggle->trigger();
        QCOMPARE(cmdToggle->text(), QStringLiteral("&Start Pinging"));
        QCOMPARE(mnToggle->text(), QStringLiteral("Start Pinging"));
        QVERIFY(!control<QTimer>("tmrPing")->isActive());
        QVERIFY(lblPing->isHidden() && control("lblCount")->isHidden());
        QCOMPARE(lblPing->text(), QStringLiteral("DOWN"));
        QCOMPARE(m_form->windowIcon().cacheKey(), m_form->Icons().imgNormal.cacheKey());
        for (const char* name : inputs)
            QVERIFY2(control(name)->isEnabled(), name);
    }

    void telnetControlKeepsItsDefaults() {
        auto* telnet = control<TarnTelnet>("TarnTelnet1");
        QVERIFY(telnet);
        QCOMPARE(telnet, &m_form->Core().Control());
        QCOMPARE(telnet->Mode(), 0);
        QVERIFY(!telnet->WaitForReboot());
    }

    // One line per record, none after the last; a box the user emptied takes the
    // first record alone, and undo cannot take a record back. Notices are in brackets.
    void statsRecordsInTheOutputBox() {
        auto* txtOut = control<QPlainTextEdit>("txtOut");
        txtOut->setPlainText(QStringLiteral("typed"));
        txtOut->clear();
        emit m_form->Core().Stats().recordShown(QStringLiteral("07/12/2026 09:05\t8000, 12, Up"));
        emit m_form->Core().Stats().recordShown(QStringLiteral("07/12/2026 09:06\t8000, 12, Up, Changed"));
        const QString shown = QStringLiteral("07/12/2026 09:05\t8000, 12, Up\n07/12/2026 09:06\t8000, 12, Up, Changed");
        QCOMPARE(txtOut->toPlainText(), shown);
        txtOut->undo();
        QCOMPARE(txtOut->toPlainText(), shown);
        emit m_form->Core().Stats().collectionFailed(QStringLiteral("connection refused"));
        QVERIFY2(txtOut->toPlainText().endsWith(QStringLiteral("\tconnection refused]")),
                 qPrintable(txtOut->toPlainText()));
        QVERIFY(txtOut->toPlainText().split(u'\n').constLast().startsWith(u'['));
    }

    void trayMenu() {
        auto* menu = control<QMenu>("mnSysTray");
        QCOMPARE(menu->title(), QStringLiteral("System Tray Menu"));
        QVERIFY(!menu->isVisible());
        const QList<QAction*> items = menu->actions();
        QCOMPARE(items.size(), 3);
        const QStringList names{"mnOpen", "mnToggle", "mnExit"};
        const QStringList texts{"Open Line Warden", "Start Pinging", "Exit"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(items[i]->objectName(), names[i]);
            QCOMPARE(items[i]->text(), texts[i]);
            QVERIFY(items[i]->isEnabled());
        }
        QCOMPARE(menu->defaultAction(), items[0]);
    }

    // The window and the tray pick any size; every one has transparent corners.
    void iconCornersAreTransparent_data() {
        QTest::addColumn<int>("size");
        for (int size : {16, 22, 24, 32, 48})
            QTest::addRow("%d px", size) << size;
    }
    void iconCornersAreTransparent() {
        QFETCH(int, size);
        const IconSet& icons = m_form->Icons();
        for (const QIcon& icon : {icons.imgNormal, icons.imgUP, icons.imgDOWN}) {
            const QImage image = icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(image.size(), QSize(size, size));
            for (QPoint corner : {QPoint(0, 0), QPoint(size - 1, 0), QPoint(0, size - 1), QPoint(size - 1, size - 1)})
                QCOMPARE(image.pixelColor(corner).alpha(), 0);
            QCOMPARE(image.pixelColor(size / 2, size / 2).alpha(), 255);
        }
    }

    // Normal: yellow, orange-red and green on black; UP: black and dark green; DOWN: greys.
    void iconColours() {
        auto opaque = [](const QIcon& icon) {
            const QImage image = icon.pixmap(QSize(48, 48), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
            QList<QColor> out;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixelColor(x, y).alpha() == 255)
                        out << image.pixelColor(x, y);
            return out;
        };
        auto has = [](const QList<QColor>& pixels, auto test) {
            return std::any_of(pixels.begin(), pixels.end(), test);
        };

        const IconSet& icons = m_form->Icons();
        const QList<QColor> normal = opaque(icons.imgNormal);
        QVERIFY(has(normal, [](QColor c) { return c == QColor(Qt::black); }));
        QVERIFY(has(normal, [](QColor c) { return c.red() > 230 && c.green() > 200 && c.blue() < 60; }));
        QVERIFY(
            has(normal, [](QColor c) { return c.red() > 230 && c.green() > 50 && c.green() < 100 && c.blue() < 30; }));
        QVERIFY(has(normal, [](QColor c) { return c.green() > 150 && c.red() < 60 && c.blue() < 60; }));

        for (const QColor& c : opaque(icons.imgUP))
            QVERIFY(c.red() <= c.green() / 2 + 1 && c.blue() <= c.green() / 2 + 1 && c.green() < 128);
        for (const QColor& c : opaque(icons.imgDOWN))
            QVERIFY(c.red() == c.green() && c.green() == c.blue());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
