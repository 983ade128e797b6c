// SPDX-License-Identifier: MIT
// The main window as created: geometry, tab order, captions and access keys,
// initial states, the tray menu and the three icon files.
#include <QCheckBox>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>
#include <cmath>

#include "FakePingProbe.h"
#include "FakeTrayBackend.h"
#include "Peers.h"
#include "reachability/PingMonitor.h"
#include "script_engine/TarnTelnet.h"
#include "shell/Form1.h"
#include "statistics/StatsCollector.h"

class TestForm1 : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Form1> m_form;
    FakePingProbe* m_probe = nullptr;

    // Halves to even (the default rounding mode), as at 144 dpi: 255 twips are 25.5 pixels, shown as 26.
    static int px(int twips) {
        return int(std::nearbyint(twips * QGuiApplication::primaryScreen()->logicalDotsPerInch() / 1440.0));
    }

    template <class T = QWidget> T* control(const char* name) {
        auto* found = m_form->findChild<T*>(QLatin1String(name));
        if (!found)
            qWarning("no control %s", name);
        return found;
    }

private slots:
    void init() {
        auto probe = std::make_unique<FakePingProbe>();
        m_probe = probe.get();
        m_form = std::make_unique<Form1>(Form1::Folders{m_dir.path(), m_dir.filePath("user")},
                                         std::make_unique<FakeTrayBackend>(), std::move(probe));
    }
    void cleanup() {
        m_form.reset();
        QFile::remove(m_dir.filePath("settings.ini"));
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
        QCOMPARE(m_form->windowIcon().cacheKey(), m_form->imgNormal.cacheKey());
        QVERIFY(!m_form->windowIcon().availableSizes().isEmpty());

        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        const QPoint centre = m_form->screen()->availableGeometry().center();
        // Within the frame that the platform may add around the client area.
        const int frame = m_form->frameGeometry().width() - m_form->width();
        QVERIFY2((m_form->geometry().center() - centre).manhattanLength() <= 2 + frame, "window not centred");
    }

    void geometry_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        auto row = [](const char* name, int left, int top, int width, int height) {
            QTest::newRow(name) << QString::fromLatin1(name) << QRect(left, top, width, height);
        };
        row("txtPing", 1680, 120, 1455, 285);
        row("txtInterval", 1680, 480, 1455, 285);
        row("txtUser", 1680, 960, 1575, 285);
        row("txtPass", 1680, 1320, 1575, 285);
        row("txtRouter", 1680, 1680, 1575, 285);
        row("cmdToggle", 3360, 120, 1455, 375);
        row("cmdSendToTray", 3360, 6120, 1455, 375);
        row("txtOut", 120, 2400, 4695, 3615);
        row("lblGen_0", 120, 120, 1215, 255);
        row("lblGen_1", 120, 480, 1455, 255);
        row("lblGen_2", 120, 960, 1455, 255);
        row("lblGen_3", 120, 1320, 1455, 255);
        row("lblGen_4", 120, 1680, 1215, 255);
        row("lblPing", 3360, 960, 1455, 255);
        row("lblCount", 3360, 600, 1455, 375);
        row("chkStats", 120, 2040, 2295, 255);
        row("txtStats", 3960, 2040, 855, 285);
        row("lblGen_5", 2640, 2055, 1335, 255);
    }
    void geometry() {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QWidget* widget = m_form->findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget(), m_form.get());
        QCOMPARE(widget->geometry(), QRect(px(twips.left()), px(twips.top()), px(twips.width()), px(twips.height())));
    }

    void tabOrderFollowsTheTabIndex() {
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
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
        QTest::newRow("txtPing") << "txtPing"
                                 << "9.9.9.9";
        QTest::newRow("txtInterval") << "txtInterval"
                                     << "300";
        QTest::newRow("txtUser") << "txtUser"
                                 << "root";
        QTest::newRow("txtPass") << "txtPass"
                                 << "Mango";
        QTest::newRow("txtRouter") << "txtRouter"
                                   << "10.0.0.2";
        QTest::newRow("txtStats") << "txtStats"
                                  << "1";
        QTest::newRow("cmdToggle") << "cmdToggle"
                                   << "&Start Pinging";
        QTest::newRow("cmdSendToTray") << "cmdSendToTray"
                                       << "Send To &Tray";
        QTest::newRow("chkStats") << "chkStats"
                                  << "Get stats at regular intervals";
        QTest::newRow("lblGen 0") << "lblGen_0"
                                  << "Ping IP:";
        QTest::newRow("lblGen 1") << "lblGen_1"
                                  << "Interval in seconds:";
        QTest::newRow("lblGen 2") << "lblGen_2"
                                  << "Router username:";
        QTest::newRow("lblGen 3") << "lblGen_3"
                                  << "Router password:";
        QTest::newRow("lblGen 4") << "lblGen_4"
                                  << "Router IP:";
        QTest::newRow("lblGen 5") << "lblGen_5"
                                  << "Interval / minutes:";
        QTest::newRow("lblPing") << "lblPing"
                                 << "";
        QTest::newRow("lblCount") << "lblCount"
                                  << "00:00:00";
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

    void lblGenIsOneIndexedGroup() {
        for (int i = 0; i < 6; ++i)
            QCOMPARE(m_form->lblGen[i]->objectName(), QStringLiteral("lblGen_%1").arg(i));
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
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        auto* button = m_form->findChild<QPushButton*>(name);
        QSignalSpy clicked(button, &QPushButton::clicked);
        m_form->txtPing->setFocus();
        QTest::keyClick(m_form.get(), Qt::Key(key), Qt::AltModifier);
        QTRY_COMPARE(clicked.count(), 1);
    }

    void initialStates() {
        QVERIFY(!m_form->tmrPing->isActive());
        QCOMPARE(m_form->tmrPing->interval(), 1000);
        QVERIFY(!m_form->tmrStats->isActive());
        QCOMPARE(m_form->tmrStats->interval(), 60000);
        QVERIFY(m_form->lblPing->isHidden());
        QVERIFY(m_form->lblCount->isHidden());
        QVERIFY(m_form->chkStats->isChecked());
        QVERIFY(m_form->txtOut->toPlainText().isEmpty());
        QVERIFY(!m_form->txtOut->isReadOnly());
        QCOMPARE(m_form->txtOut->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(m_form->txtOut->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(m_form->txtPass->echoMode(), QLineEdit::Normal);
        for (const char* name : {"txtPing", "txtInterval", "txtUser", "txtPass", "txtRouter", "chkStats", "txtStats"})
            QVERIFY2(control(name)->isEnabled(), name);

        // The system window colour: the white of text boxes, not the form's grey.
        QCOMPARE(m_form->lblCount->backgroundRole(), QPalette::Base);
        QCOMPARE(m_form->lblCount->foregroundRole(), QPalette::Text);
        // Arial, or the face with its metrics that the layout's widths are made for.
        for (QWidget* w : {static_cast<QWidget*>(m_form.get()), static_cast<QWidget*>(m_form->lblCount)})
            QVERIFY(QStringList({"Arial", "Liberation Sans"}).contains(QFontInfo(w->font()).family()));
        const QFont count = m_form->lblCount->font();
        QCOMPARE(count.family(), QStringLiteral("Arial"));
        QCOMPARE(count.pointSize(), 12);
        QCOMPARE(count.weight(), QFont::Normal);
        QVERIFY(!count.italic());
        QVERIFY(m_form->lblPing->font() != count);
    }

    // The button and the menu item toggle alike; the monitor's state reaches the widgets and
    // the statistics side: the schedule at start, a collection at a change.
    void pingingFromButtonAndMenu() {
        const char* inputs[] = {"txtPing", "txtInterval", "txtUser", "txtPass", "txtRouter", "chkStats", "txtStats"};
        m_form->txtPing->setText("127.0.0.1");
        m_form->txtInterval->setText("-1");
        m_form->txtRouter->setText(QStringLiteral("127.0.0.1 %1").arg(Peers::freeLoopbackPort()));
        m_form->cmdToggle->click();
        QVERIFY(m_form->tmrStats->isActive());
        QCOMPARE(m_form->cmdToggle->text(), QStringLiteral("&Stop Pinging"));
        QCOMPARE(m_form->mnToggle->text(), QStringLiteral("Stop Pinging"));
        QVERIFY(m_form->tmrPing->isActive());
        QVERIFY(!m_form->lblPing->isHidden() && !m_form->lblCount->isHidden());
        for (const char* name : inputs)
            QVERIFY2(!control(name)->isEnabled(), name);

        m_form->Monitor().tmrPing_Timer();
        QVERIFY(!m_form->Stats().StatsBusy());
        m_probe->answers = false;
        m_form->Monitor().tmrPing_Timer();
        QVERIFY(m_form->Stats().PingStateChanged() && m_form->Stats().StatsBusy());
        QCOMPARE(m_probe->pinged, QStringList(2, "127.0.0.1"));
        QCOMPARE(m_form->lblCount->text(), QStringLiteral("-00:00:02"));
        QCOMPARE(m_form->lblPing->text(), QStringLiteral("DOWN"));
        QCOMPARE(m_form->lblPing->palette().color(QPalette::Window), QColor(255, 0, 0));
        QCOMPARE(m_form->windowIcon().cacheKey(), m_form->imgDOWN.cacheKey());

        m_form->mnToggle->trigger();
        QCOMPARE(m_form->cmdToggle->text(), QStringLiteral("&Start Pinging"));
        QCOMPARE(m_form->mnToggle->text(), QStringLiteral("Start Pinging"));
        QVERIFY(!m_form->tmrPing->isActive());
        QVERIFY(m_form->lblPing->isHidden() && m_form->lblCount->isHidden());
        QCOMPARE(m_form->lblPing->text(), QStringLiteral("DOWN"));
        QCOMPARE(m_form->windowIcon().cacheKey(), m_form->imgNormal.cacheKey());
        for (const char* name : inputs)
            QVERIFY2(control(name)->isEnabled(), name);
    }

    void telnetControlKeepsItsDefaults() {
        auto* telnet = m_form->findChild<TarnTelnet*>(QStringLiteral("TarnTelnet1"));
        QVERIFY(telnet);
        QCOMPARE(telnet, m_form->TarnTelnet1);
        QCOMPARE(telnet->Mode(), 0);
        QVERIFY(!telnet->WaitForReboot());
    }

    // One line per record, none after the last; a box the user emptied takes the
    // first record alone, and undo cannot take a record back.
    void statsRecordsInTheOutputBox() {
        m_form->txtOut->setPlainText(QStringLiteral("typed"));
        m_form->txtOut->clear();
        emit m_form->Stats().recordShown(QStringLiteral("07/12/2026 09:05\t8000, 12, Up"));
        emit m_form->Stats().recordShown(QStringLiteral("07/12/2026 09:06\t8000, 12, Up, Changed"));
        const QString shown = QStringLiteral("07/12/2026 09:05\t8000, 12, Up\n07/12/2026 09:06\t8000, 12, Up, Changed");
        QCOMPARE(m_form->txtOut->toPlainText(), shown);
        m_form->txtOut->undo();
        QCOMPARE(m_form->txtOut->toPlainText(), shown);
    }

    void trayMenu() {
        QMenu* menu = m_form->mnSysTray;
        QCOMPARE(menu->objectName(), QStringLiteral("mnSysTray"));
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
            QVERIFY(!items[i]->isCheckable());
            QVERIFY(!items[i]->isSeparator());
            QVERIFY(items[i]->shortcut().isEmpty());
        }
        QCOMPARE(menu->defaultAction(), m_form->mnOpen);
    }

    void iconFiles_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("normal") << "normal.ico";
        QTest::newRow("UP") << "up.ico";
        QTest::newRow("DOWN") << "down.ico";
    }
    void iconFiles() {
        QFETCH(QString, file);
        QFile onDisk(Peers::sourceDir() + "/resources/" + file);
        QVERIFY(onDisk.open(QIODevice::ReadOnly));
        const QByteArray bytes = onDisk.readAll();
        QCOMPARE(bytes.size(), 12014);
        QFile embedded(":/icons/" + file);
        QVERIFY(embedded.open(QIODevice::ReadOnly));
        QCOMPARE(embedded.readAll(), bytes);

        auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
        auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
        QCOMPARE(u16(0), 0); // reserved
        QCOMPARE(u16(2), 1); // icon
        QCOMPARE(u16(4), 3);
        const struct { int size, bpp; } images[] = {{16, 8}, {32, 24}, {48, 24}};
        quint32 expectedOffset = 6 + 3 * 16;
        for (int i = 0; i < 3; ++i) {
            const qsizetype entry = 6 + 16 * i;
            const int size = images[i].size, bpp = images[i].bpp;
            QCOMPARE(int(quint8(bytes[entry])), size);
            QCOMPARE(int(quint8(bytes[entry + 1])), size);
            QCOMPARE(u16(entry + 6), bpp);
            const quint32 length = u32(entry + 8), offset = u32(entry + 12);
            QCOMPARE(offset, expectedOffset);
            expectedOffset += length;

            // BITMAPINFOHEADER: double height for colour + mask, the palette, the pixels, the 1-bit mask.
            QCOMPARE(u32(offset), 40u);
            QCOMPARE(int(u32(offset + 4)), size);
            QCOMPARE(int(u32(offset + 8)), 2 * size);
            QCOMPARE(u16(offset + 14), bpp);
            const int palette = bpp == 8 ? 256 * 4 : 0;
            const int colour = size * size * bpp / 8;
            const int mask = ((size + 31) / 32) * 4 * size;
            QCOMPARE(int(length), 40 + palette + colour + mask);
        }
        QCOMPARE(expectedOffset, 12014u);

        // Every image's mask makes its corner transparent. (Qt's reader applies
        // the mask of the 8-bit image only, so the pixels are checked there.)
        for (int i = 0; i < 3; ++i) {
            const qsizetype image = u32(6 + 16 * i + 12);
            const int size = images[i].size, bpp = images[i].bpp;
            const qsizetype mask = image + 40 + (bpp == 8 ? 1024 : 0) + size * size * bpp / 8;
            QVERIFY(quint8(bytes[mask]) & 0x80); // bottom-left: rows run bottom up
        }
        QImageReader reader(onDisk.fileName());
        QCOMPARE(reader.imageCount(), 3);
        QList<QSize> sizes;
        for (int i = 0; i < 3; ++i) {
            QVERIFY(reader.jumpToImage(i));
            const QImage image = reader.read();
            QVERIFY(!image.isNull());
            if (i == 0) {
                QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
                QCOMPARE(image.pixelColor(8, 8).alpha(), 255);
            }
            sizes << image.size();
        }
        QCOMPARE(sizes, (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
    }

    // The window and the tray pick any size; every one has transparent corners.
    void iconCornersAreTransparent_data() {
        QTest::addColumn<int>("size");
        for (int size : {16, 22, 24, 32, 48})
            QTest::addRow("%d px", size) << size;
    }
    void iconCornersAreTransparent() {
        QFETCH(int, size);
        for (const QIcon& icon : {m_form->imgNormal, m_form->imgUP, m_form->imgDOWN}) {
            const QImage image = icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(image.size(), QSize(size, size));
            for (QPoint corner : {QPoint(0, 0), QPoint(size - 1, 0), QPoint(0, size - 1), QPoint(size - 1, size - 1)})
                QCOMPARE(image.pixelColor(corner).alpha(), 0);
            QCOMPARE(image.pixelColor(size / 2, size / 2).alpha(), 255);
        }
    }

    // Normal: yellow, orange-red and green on black; UP: black and dark green; DOWN: greys.
    void iconColours() {
        auto opaque = [](const QString& file) {
            QImageReader reader(Peers::sourceDir() + "/resources/" + file);
            reader.jumpToImage(2);
            const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
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

        const QList<QColor> normal = opaque("normal.ico");
        QVERIFY(has(normal, [](QColor c) { return c == QColor(Qt::black); }));
        QVERIFY(has(normal, [](QColor c) { return c.red() > 230 && c.green() > 200 && c.blue() < 60; }));
        QVERIFY(
            has(normal, [](QColor c) { return c.red() > 230 && c.green() > 50 && c.green() < 100 && c.blue() < 30; }));
        QVERIFY(has(normal, [](QColor c) { return c.green() > 150 && c.red() < 60 && c.blue() < 60; }));

        for (const QColor& c : opaque("up.ico"))
            QVERIFY(c.red() <= c.green() / 2 + 1 && c.blue() <= c.green() / 2 + 1 && c.green() < 128);
        for (const QColor& c : opaque("down.ico"))
            QVERIFY(c.red() == c.green() && c.green() == c.blue());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
