// SPDX-License-Identifier: MIT
// Each event told on a real session bus, to a service that records what it
// gets, and to the user's command, which writes its environment to a file;
// and, with no service to take a notification, the notifier hands it back
// without having waited for an answer.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "LineScript.h"
#include "NotificationRecorder.h"
#include "Peers.h"
#include "SessionBus.h"
#include "TextRows.h"
#include "notify/Notifier.h"

using namespace Qt::StringLiterals;

class TestNotifyBus : public QObject {
    Q_OBJECT

private:
    SessionBus m_bus;
    NotificationRecorder m_recorder;

private slots:
    void initTestCase() {
        LW_REQUIRE_PEER(m_bus.start(), u"dbus-daemon"_s);
        QVERIFY(m_recorder.serve(m_bus.connection(u"recorder"_s)));
    }

    void init() { m_recorder.calls.clear(); }

    void tells_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("environment");

        const char* normal = "hicolor/48x48/apps/line-warden.png";
        row("down", "r8128/832/6.5/5 + t10 -", "down", "The line is down since 14:02:21.", "png/down-48.png",
            "LW_EVENT=down|LW_TIME=2024-05-01T14:02:21-03:30|LW_STATE=Down|LW_DOWN_SECONDS=|"
            "LW_DS_RATE=8128|LW_US_RATE=832|LW_DS_MARGIN=6.5|LW_US_MARGIN=5|LW_REASON=");
        row("up", "r8128/832/6.5/5 + t10 - t12005 +", "up", "The line is up again after 3 h 20 min down.",
            "png/up-48.png",
            "LW_EVENT=up|LW_TIME=2024-05-01T17:22:26-03:30|LW_STATE=Up|LW_DOWN_SECONDS=12005|"
            "LW_DS_RATE=8128|LW_US_RATE=832|LW_DS_MARGIN=6.5|LW_US_MARGIN=5|LW_REASON=");
        row("resync", "+ r8128/832/6.5/5 t60 r6144/640/6.5/5", "resync",
            "The line resynced: downstream 8128 → 6144 kbit/s; upstream 832 → 640 kbit/s.", normal,
            "LW_EVENT=resync|LW_TIME=2024-05-01T14:03:11-03:30|LW_STATE=Up|LW_DOWN_SECONDS=|"
            "LW_DS_RATE=6144|LW_US_RATE=640|LW_DS_MARGIN=6.5|LW_US_MARGIN=5|LW_REASON=");
        row("low margin", "- r8128/832/2.5/5", "low-margin", "Noise margin low: downstream 2.5 dB, below 3 dB.", normal,
            "LW_EVENT=low-margin|LW_TIME=2024-05-01T14:02:11-03:30|LW_STATE=Down|LW_DOWN_SECONDS=|"
            "LW_DS_RATE=8128|LW_US_RATE=832|LW_DS_MARGIN=2.5|LW_US_MARGIN=5|LW_REASON=");
        row("failing, before any probe or record", "f f f", "failing",
            "3 collections failed in a row: connection refused.", normal,
            "LW_EVENT=failing|LW_TIME=2024-05-01T14:02:11-03:30|LW_STATE=|LW_DOWN_SECONDS=|"
            "LW_DS_RATE=|LW_US_RATE=|LW_DS_MARGIN=|LW_US_MARGIN=|LW_REASON=connection refused");
        row("router text with control characters", "r8128/\x1b[2J832\a/2.5/5\r\n\x7f", "low-margin",
            "Noise margin low: downstream 2.5 dB, below 3 dB.", normal,
            "LW_US_RATE=\\x1b[2J832\\x07|LW_US_MARGIN=5\\r\\n\\x7f");
    }

    // The notification arrives with the program's name, the facts and the
    // picture; the command finds every variable, set even where empty.
    void tells() {
        QFETCH(QString, script);
        QFETCH(QString, event);
        QFETCH(QString, body);
        QFETCH(QString, picture);
        QFETCH(QString, environment);

        QTemporaryDir dir;
        LineScript line;
        NotifySettings settings = LineScript::settings(QString());
        settings.command = environmentRecorder(dir.path());
        Notifier notifier(settings, u"Line Warden"_s, m_bus.connection(u"notifier"_s), line.clock());
        line.play(notifier.events(), script);

        QTRY_VERIFY(!m_recorder.calls.isEmpty() && m_recorder.calls.last().body == body);
        const NotificationRecorder::Call call = m_recorder.calls.last();
        QCOMPARE((QStringList{call.appName, call.summary, call.appIcon}),
                 (QStringList{u"Line Warden"_s, u"Line Warden"_s, u"line-warden"_s}));
        const QImage expected =
            QImage(Peers::sourceDir() + u"/resources/"_s + picture).convertToFormat(QImage::Format_RGBA8888);
        QVERIFY(!expected.isNull());
        QCOMPARE(call.image, expected);

        QStringList found;
        QTRY_VERIFY(!(found = recordedEnvironment(dir.path(), event)).isEmpty());
        for (const QString& variable : environment.split(u'|'))
            QVERIFY2(found.contains(variable), qPrintable(variable + u" not in "_s + found.join(u' ')));
    }

    void notShown_data() {
        QTest::addColumn<QString>("service");
        row("no session bus", "no bus");
        row("nobody owns the name", "absent");
    }

    void notShown() {
        QFETCH(QString, service);

        const bool connected = service != u"no bus";
        if (service == u"absent")
            QVERIFY(m_bus.connection(u"recorder"_s).unregisterService(u"org.freedesktop.Notifications"_s));
        LineScript line;
        Notifier notifier(LineScript::settings(QString()), u"Line Warden"_s,
                          connected ? m_bus.connection(u"notifier"_s) : QDBusConnection(u"lw-no-bus"_s), line.clock());
        QSignalSpy handedBack(notifier.desktop(), &DesktopNotifier::notShown);
        line.play(notifier.events(), u"+ t10 -"_s);
        // Had it waited for the answer, the notification would be back already.
        QCOMPARE(handedBack.size(), connected ? 0 : 1);
        QTRY_COMPARE(handedBack.size(), 1);
        QCOMPARE(handedBack.first(),
                 (QVariantList{u"Line Warden"_s, u"The line is down since 14:02:21."_s, u"down"_s}));
        QVERIFY(m_recorder.calls.isEmpty());

        if (service == u"absent")
            QVERIFY(m_bus.connection(u"recorder"_s).registerService(u"org.freedesktop.Notifications"_s));
    }
};

QTEST_GUILESS_MAIN(TestNotifyBus)
#include "tst_notify_bus.moc"
