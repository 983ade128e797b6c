// SPDX-License-Identifier: MIT
// The real program on a real X server with a tray host, as a user runs it,
// against busybox telnetd in a network namespace of the test's own where the
// program runs too. Each step is one slot, in order; the tray tip is read as
// the screen shows it, by OCR, and every step leaves a screenshot in the build
// tree (line-warden-*.png).
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "BusyboxRouter.h"
#include "FileBytes.h"
#include "NotificationRecorder.h"
#include "Peers.h"
#include "SessionBus.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int CommandTimeoutMs = 10000;
constexpr int WaitTimeoutMs = 15000;
// tmrStats ticks once a minute; the first periodic record comes with its first tick.
constexpr int PeriodicTimeoutMs = 90000;
// Qt shows a tip once the pointer has rested on the icon for 700 ms.
constexpr int TipWaitMs = 3000;
constexpr int PollMs = 50;
// Where lblPing's background shows, inside its border (pixels at 96 dpi).
constexpr QPoint PingLabelInside(228, 72);
constexpr QRgb Green = 0xff00ff00;

struct TrayIcon {
    QString id;
    QPoint centre;
};

// A top-level window of the program on the screen other than its main window: a menu or a tip.
struct Popup {
    QString id;
    QRect geometry;
};

} // namespace

class TestRealWindow : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_display;
    QProcess m_xvfb;
    QProcess m_trayer;
    QProcess m_app;
    QString m_window;
    QString m_netns;
    BusyboxRouter m_router;
    bool m_routerStarted = false;
    SessionBus m_bus;
    NotificationRecorder m_recorder;
    bool m_nudge = false; // where trayTip() put the pointer last: on the icon's centre or a pixel aside

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", m_display);
        env.insert("HOME", m_dir.path());
        env.insert("XDG_RUNTIME_DIR", m_dir.filePath("run"));
        env.insert("XDG_DATA_HOME", m_dir.filePath("data"));
        env.insert("QT_QPA_PLATFORM", "xcb");
        // The test's bus holds no status notifier: the tray stays on X.
        env.insert("DBUS_SESSION_BUS_ADDRESS", m_bus.address());
        // A sanitizer build: libdbus, loaded by Qt's desktop integration, leaks a buffer at exit.
        env.insert("LSAN_OPTIONS", "suppressions=" + m_dir.filePath("lsan.supp"));
        return env;
    }

    // Runs a tool on the test display; its output, empty on failure.
    QString run(const QString& program, const QStringList& arguments) const {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(program, arguments);
        if (!process.waitForFinished(CommandTimeoutMs)) {
            process.kill();
            process.waitForFinished(CommandTimeoutMs);
            return {};
        }
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    }

    QString mapState() const {
        const auto match = QRegularExpression("Map State: (\\w+)").match(run("xwininfo", {"-id", m_window}));
        return match.captured(1);
    }

    // The program's window embedded in the tray host: nested below a top-level window.
    std::optional<TrayIcon> trayIcon() const {
        static const QRegularExpression line(
            "^ {6,}(0x[0-9a-f]+) \"[^\"]*\": \\(\"line-warden\" "
            "\"line-warden\"\\)\\s+(\\d+)x(\\d+)\\+-?\\d+\\+-?\\d+\\s+\\+(-?\\d+)\\+(-?\\d+)",
            QRegularExpression::MultilineOption);
        const auto match = line.match(run("xwininfo", {"-root", "-tree"}));
        if (!match.hasMatch())
            return std::nullopt;
        return TrayIcon{match.captured(1), QPoint(match.captured(4).toInt() + match.captured(2).toInt() / 2,
                                                  match.captured(5).toInt() + match.captured(3).toInt() / 2)};
    }

    // The program's menu (or tip) once it is on the screen: a top-level window
    // of the program, not its main window, mapped.
    std::optional<Popup> shownPopup(bool tip) const {
        static const QRegularExpression line("^ {5}(0x[0-9a-f]+) .*\\(\"line-warden\" \"line-warden\"\\)",
                                             QRegularExpression::MultilineOption);
        for (auto it = line.globalMatch(run("xwininfo", {"-root", "-tree"})); it.hasNext();) {
            const QString id = it.next().captured(1);
            if (id.toULongLong(nullptr, 16) == m_window.toULongLong() ||
                run("xprop", {"-id", id, "_NET_WM_WINDOW_TYPE"}).contains("TOOLTIP") != tip)
                continue;
            const QString info = run("xwininfo", {"-id", id});
            auto field = [&](const char* name) {
                return QRegularExpression(QString::fromLatin1(name) + ":\\s+(-?\\d+)").match(info).captured(1).toInt();
            };
            if (info.contains("IsViewable"))
                return Popup{id, QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                                       field("Height"))};
        }
        return std::nullopt;
    }

    // The icon's tip as the screen shows it, empty while none shows. The pointer
    // rests on the icon, a pixel aside from the last call so that Qt shows the
    // tip's current text; the tip's picture (left in the build tree) is read by OCR.
    QString trayTip(const QString& step) {
        const auto icon = trayIcon();
        if (!icon)
            return {};
        m_nudge = !m_nudge;
        run("xdotool", {"mousemove", QString::number(icon->centre.x() + m_nudge), QString::number(icon->centre.y())});
        // X gives no event for a window of another program appearing: polled, bounded.
        std::optional<Popup> tip;
        for (const QDeadlineTimer deadline(TipWaitMs); !(tip = shownPopup(true)) && !deadline.hasExpired();)
            QTest::qWait(PollMs);
        if (!tip)
            return {};
        const QString shot = shotPath("tip-" + step);
        run("import", {"-window", tip->id, shot});
        // Tesseract reads large dark text on white: the frame shaved off, magnified, a margin around.
        const QString large = m_dir.filePath("tip-large.png");
        run("convert", {shot, "-alpha", "off", "-shave", "2x2", "-resize", "400%", "-bordercolor", "white", "-border",
                        "20", large});
        return run("tesseract", {large, "-", "--psm", "7"}).trimmed();
    }

    static QString program() { return Peers::binDir() + "/line-warden"; }
    // settings.ini and the logs in the test's folder, not the build tree's or the user's.
    QStringList folder() const { return {"--folder", m_dir.path()}; }

    // The main window, once it has been shown.
    QString mainWindow() const { return run("xdotool", {"search", "--name", "^Line Warden$"}).section(u'\n', 0, 0); }

    static QString shotPath(const QString& step) {
        return QDir(Peers::binDir()).absoluteFilePath("../line-warden-" + step + ".png");
    }

    void screenshot(const QString& step) const { run("import", {"-window", "root", shotPath(step)}); }

    void startTrayer() {
        m_trayer.setProcessEnvironment(environment());
        m_trayer.setStandardErrorFile(QProcess::nullDevice());
        m_trayer.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120",
                                  "--heighttype", "pixel", "--height", "24"});
        QVERIFY(m_trayer.waitForStarted(CommandTimeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(run("xwininfo", {"-root", "-tree"}).contains("(\"panel\" \"trayer\")"), WaitTimeoutMs);
    }

    // Leaves the window in the tray, sending it there unless it is already.
    void sendToTray() {
        if (trayIcon())
            return;
        run("xdotool", {"windowfocus", "--sync", m_window});
        run("xdotool", {"key", "alt+t"});
        QTRY_COMPARE_WITH_TIMEOUT(mapState(), QStringLiteral("IsUnMapped"), WaitTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(trayIcon().has_value(), WaitTimeoutMs);
    }

    // The colour of lblPing in a screenshot, which stays in the build tree.
    QRgb pingLabelColour(const QString& state) const {
        const QString shot = shotPath(state);
        run("import", {"-window", m_window, shot});
        return QImage(shot).pixel(PingLabelInside);
    }

    QStringList statsRecords(const QString& fileName = QStringLiteral("stats.txt")) const {
        return QString::fromLocal8Bit(readFile(m_dir.filePath(fileName))).split("\r\n", Qt::SkipEmptyParts);
    }

    // The index of the first record from `from` on that a change of state made, or -1.
    qsizetype changedRecord(qsizetype from) const {
        const QStringList records = statsRecords();
        for (qsizetype i = from; i < records.size(); ++i) {
            if (records[i].endsWith(", Changed"))
                return i;
        }
        return -1;
    }

    void ignoreEchoes(bool ignore) const {
        QCOMPARE(QProcess::execute("ip", {"netns", "exec", m_netns, "sysctl", "-qw",
                                          QStringLiteral("net.ipv4.icmp_echo_ignore_all=%1").arg(ignore)}),
                 0);
    }

    // The program pings the router and collects from it: both at 127.0.0.1 in its namespace.
    // Its command tells the test what it was told.
    bool writeSettings() const {
        return writeFile(m_dir.filePath("settings.ini"),
                         QStringLiteral("[Options]\r\nPing IP=127.0.0.1\r\nPing Interval=1\r\nRouter Username=root\r\n"
                                        "Router Password=Mango\r\n"
                                        "Router IP=127.0.0.1 %1\r\nStatsCheck=1\r\nStatsCheck Interval=1\r\n"
                                        "[Notify]\r\nCommand=%2\r\n")
                             .arg(m_router.port())
                             .arg(environmentRecorder(toldDir()))
                             .toLatin1());
    }

    QString toldDir() const { return m_dir.filePath("told"); }

    // The program told of an event since the service's `before`th call: a
    // notification whose body matches `body` (capturing the seconds down, if
    // any), and the command, with `variables` ("NAME=value|...") in its environment.
    void expectTold(qsizetype before, const QString& event, const QString& body, const QString& variables) {
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(body));
        QRegularExpressionMatch match;
        const auto notified = [&] {
            for (qsizetype i = before; i < m_recorder.calls.size() && !match.hasMatch(); ++i)
                match = pattern.match(m_recorder.calls[i].body);
            return match.hasMatch();
        };
        QTRY_VERIFY_WITH_TIMEOUT(notified(), WaitTimeoutMs);
        QStringList environment;
        QTRY_VERIFY_WITH_TIMEOUT(!(environment = recordedEnvironment(toldDir(), event)).isEmpty(), WaitTimeoutMs);
        QVERIFY(QFile::remove(QDir(toldDir()).filePath(event)));
        const QStringList expected = variables.split(u'|') << "LW_DOWN_SECONDS=" + match.captured(1);
        for (const QString& variable : expected)
            QVERIFY2(environment.contains(variable), qPrintable(variable + " not in " + environment.join(u' ')));
        const QRegularExpression isoTime("^LW_TIME=\\d{4}(-\\d\\d){2}T\\d\\d(:\\d\\d){2}[+-]\\d\\d:\\d\\d$");
        QVERIFY2(!environment.filter(isoTime).isEmpty(), qPrintable(environment.join(u' ')));
    }

private slots:
    void initTestCase() {
        const QStringList tools{"Xvfb", "trayer", "xdotool", "xwininfo", "xprop", "import", "convert", "tesseract"};
        for (const QString& tool : tools)
            LW_REQUIRE_PEER(!QStandardPaths::findExecutable(tool).isEmpty(), tool + " is not installed");
        QVERIFY2(QFile::exists(program()), "line-warden is not built");
        LW_REQUIRE_PEER(m_bus.start(), "dbus-daemon");
        QVERIFY(m_recorder.serve(m_bus.connection("recorder")));
        QVERIFY(QDir(m_dir.path()).mkdir("run"));
        QVERIFY(QDir(m_dir.path()).mkdir("told"));
        QVERIFY(writeFile(m_dir.filePath("lsan.supp"), "leak:libdbus-1.so\n"));
        QFile::setPermissions(m_dir.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        // Xvfb picks a free display itself and writes its number to standard output.
        m_xvfb.setStandardErrorFile(QProcess::nullDevice());
        m_xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        QVERIFY(m_xvfb.waitForStarted(CommandTimeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(m_xvfb.canReadLine() || m_xvfb.state() == QProcess::NotRunning, WaitTimeoutMs);
        m_display = u':' + QString::fromLatin1(m_xvfb.readLine()).trimmed();
        QVERIFY2(m_display.size() > 1, "Xvfb did not start");

        startTrayer();

        // A network namespace of its own for the program and its router, where root may make one.
        const QString netns = QStringLiteral("lw-window-%1").arg(::getpid());
        if (::geteuid() == 0 && QProcess::execute("ip", {"netns", "add", netns}) == 0) {
            m_netns = netns;
            QCOMPARE(QProcess::execute("ip", {"-n", m_netns, "link", "set", "lo", "up"}), 0);
            m_routerStarted = m_router.start({}, m_netns);
        }
        QVERIFY(writeSettings());

        m_app.setProcessEnvironment(environment());
        m_app.setWorkingDirectory(m_dir.path());
        // As the autostart entry starts it: in the tray, pinging (a probe every two seconds,
        // statistics every minute).
        const QStringList arguments = folder() + QStringList{"--tray", "--start"};
        if (m_netns.isEmpty())
            m_app.start(program(), arguments);
        else
            m_app.start("ip", QStringList{"netns", "exec", m_netns, program()} + arguments);
        QVERIFY(m_app.waitForStarted(CommandTimeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(trayIcon().has_value(), WaitTimeoutMs);
    }

    void cleanupTestCase() {
        Peers::stop(m_app, CommandTimeoutMs);
        Peers::stop(m_trayer, CommandTimeoutMs);
        Peers::stop(m_xvfb, CommandTimeoutMs);
        m_router.stop();
        if (!m_netns.isEmpty())
            QProcess::execute("ip", {"netns", "del", m_netns});
    }

    void startsInTheTrayPinging() {
        QVERIFY(mainWindow().isEmpty() || run("xwininfo", {"-id", mainWindow()}).contains("IsUnMapped"));
        QTRY_COMPARE_WITH_TIMEOUT(trayTip("started"), QStringLiteral("Line Warden - UP"), WaitTimeoutMs);
    }

    void doubleClickBringsItBackWithoutTheFocus() {
        const auto icon = trayIcon();
        QVERIFY(icon);
        run("xdotool", {"mousemove", QString::number(icon->centre.x()), QString::number(icon->centre.y())});
        run("xdotool", {"click", "--repeat", "2", "--delay", "100", "1"});
        QTRY_VERIFY_WITH_TIMEOUT(!(m_window = mainWindow()).isEmpty(), WaitTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(mapState(), QStringLiteral("IsViewable"), WaitTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(!trayIcon(), WaitTimeoutMs);
        QVERIFY(run("xdotool", {"getwindowfocus"}).trimmed() != m_window);
    }

    // Found by its caption; its size as the screen shows it.
    void windowShowsWithItsSize() {
        const QString shot = shotPath("window");
        QFile::remove(shot);
        run("import", {"-window", m_window, shot});
        QCOMPARE(QImage(shot).size(), QSize(328, 440));
    }

    // Alt+T sends the window to the tray; the panel restarts: the window comes
    // back, and the new tray takes the icon.
    void sendToTrayThenTheTrayHostGoes() {
        QVERIFY(!trayIcon());
        sendToTray();
        Peers::stop(m_trayer, CommandTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(mapState(), QStringLiteral("IsViewable"), WaitTimeoutMs);
        startTrayer();
    }

    void pingingShowsUpAndRecordsTheFile() {
        LW_REQUIRE_PEER(!m_netns.isEmpty(), "a network namespace of the test's own (needs root and iproute2)");
        LW_REQUIRE_PEER(m_routerStarted, m_router.whyUnavailable());
        QTRY_COMPARE_WITH_TIMEOUT(pingLabelColour("up"), Green, WaitTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(statsRecords().size(), 1, PeriodicTimeoutMs);
        screenshot("periodic-record");
        // The sample file's line: no ", Changed" mark on a periodic record.
        QVERIFY2(statsRecords().last().endsWith("\t8000, 12, Up"), qPrintable(statsRecords().last()));
        QVERIFY2(statsRecords("stats.csv").value(0).endsWith(",8000,21.5,12,800,11,15,Up"),
                 qPrintable(statsRecords("stats.csv").value(0)));
    }

    // Each change reaches the tip, is told, and collects from the router at once, its record saying so.
    void inTheTrayTheTipFollowsTheLine() {
        LW_REQUIRE_PEER(m_routerStarted, m_router.whyUnavailable());
        sendToTray();
        screenshot("in-tray");
        // The values of the sample file's periodic record, the last one before the change.
        const QString values = "LW_DS_RATE=8000|LW_US_RATE=800|LW_DS_MARGIN=12|LW_US_MARGIN=15|LW_REASON=";
        const struct {
            bool ignore;
            QString step, tip, record, event, body, variables;
        } changes[] = {{true, "down", "Line Warden - DOWN", ", Down, Changed", "down",
                        "The line is down since \\d\\d:\\d\\d:\\d\\d\\.()", "LW_EVENT=down|LW_STATE=Down|" + values},
                       {false, "up-again", "Line Warden - UP", ", Up, Changed", "up",
                        "The line is up again after (\\d+) s down\\.", "LW_EVENT=up|LW_STATE=Up|" + values}};
        for (const auto& change : changes) {
            const qsizetype from = statsRecords().size();
            const qsizetype before = m_recorder.calls.size();
            ignoreEchoes(change.ignore);
            QTRY_COMPARE_WITH_TIMEOUT(trayTip(change.step), change.tip, WaitTimeoutMs);
            qsizetype index = -1;
            QTRY_VERIFY_WITH_TIMEOUT((index = changedRecord(from)) >= 0, WaitTimeoutMs);
            QVERIFY2(statsRecords().at(index).endsWith(change.record), qPrintable(statsRecords().at(index)));
            expectTold(before, change.event, change.body, change.variables);
            if (QTest::currentTestFailed())
                return;
        }
    }

    // The line resyncs at a lower rate, and the router's driver prints a margin of -10 dB as the
    // unsigned 32-bit number 2147483638: recorded negative, told as a resync and a low margin.
    void aResyncAndAWrappedMarginAreRecordedAndTold() {
        LW_REQUIRE_PEER(m_routerStarted, m_router.whyUnavailable());
        const QString wrapped = m_dir.filePath("wrapped-stats.txt");
        QVERIFY(writeFile(wrapped, readFile(Peers::sourceDir() + "/tools/router-sim/wrapped-margins-stats.txt")
                                       .replace("DS Margin:\t2147483658", "DS Margin:\t2147483638")
                                       .replace("DS Connection Rate:\t8000", "DS Connection Rate:\t6144")));
        QVERIFY2(m_router.replaceStats(wrapped), qPrintable(m_router.whyUnavailable()));

        // A change of state collects at once: quicker than the next periodic tick.
        const qsizetype from = statsRecords().size();
        const qsizetype before = m_recorder.calls.size();
        ignoreEchoes(true);
        qsizetype index = -1;
        QTRY_VERIFY_WITH_TIMEOUT((index = changedRecord(from)) >= 0, WaitTimeoutMs);
        screenshot("wrapped-margin");
        QVERIFY2(statsRecords().at(index).endsWith("\t6144, -10, Down, Changed"), qPrintable(statsRecords().at(index)));
        QVERIFY2(statsRecords("stats.csv").value(index).endsWith(",6144,21.5,-10,800,11,6,Down"),
                 qPrintable(statsRecords("stats.csv").value(index)));

        const QString values = "LW_DS_RATE=6144|LW_US_RATE=800|LW_DS_MARGIN=-10|LW_US_MARGIN=6";
        expectTold(before, "resync", "The line resynced: downstream 8000 → 6144 kbit/s\\.()",
                   "LW_EVENT=resync|" + values);
        expectTold(before, "low-margin", "Noise margin low: downstream -10 dB, below 3 dB\\.()",
                   "LW_EVENT=low-margin|" + values);
    }

    // Nobody serves notifications: nothing waits for one, the command runs, and the icon shows a
    // balloon (a tip-like window of the program while the pointer is away from the icon).
    void withNoNotificationServiceTheIconTells() {
        LW_REQUIRE_PEER(m_routerStarted, m_router.whyUnavailable());
        QVERIFY(m_bus.connection("recorder").unregisterService("org.freedesktop.Notifications"));
        sendToTray();
        run("xdotool", {"mousemove", "0", "0"});
        QTRY_VERIFY_WITH_TIMEOUT(!shownPopup(true), WaitTimeoutMs);

        const qsizetype from = statsRecords().size();
        const qsizetype before = m_recorder.calls.size();
        ignoreEchoes(false);
        std::optional<Popup> balloon;
        QTRY_VERIFY_WITH_TIMEOUT((balloon = shownPopup(true)).has_value(), WaitTimeoutMs);
        screenshot("balloon");
        QTRY_VERIFY_WITH_TIMEOUT(recordedEnvironment(toldDir(), "up").contains("LW_STATE=Up"), WaitTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(changedRecord(from) >= 0, WaitTimeoutMs);
        QCOMPARE(m_recorder.calls.size(), before);

        // A click takes the balloon away.
        const QPoint centre = balloon->geometry.center();
        run("xdotool", {"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"});
        QTRY_VERIFY_WITH_TIMEOUT(!shownPopup(true), WaitTimeoutMs);
    }

    void exitFromTheTrayMenuWritesTheSettings() {
        sendToTray();
        const auto icon = trayIcon();
        QVERIFY(icon);
        run("xdotool", {"mousemove", QString::number(icon->centre.x()), QString::number(icon->centre.y())});
        run("xdotool", {"click", "3"}); // the menu opens on the press, as X11 programs do
        // Keys sent before the menu holds the keyboard were lost: the pointer
        // chooses "Exit", the last of three items, once the menu is on the screen.
        std::optional<Popup> menu;
        QTRY_VERIFY_WITH_TIMEOUT((menu = shownPopup(false)).has_value(), WaitTimeoutMs);
        screenshot("tray-menu");
        const QRect& shown = menu->geometry;
        const QPoint exit(shown.center().x(), shown.bottom() - shown.height() / 6);
        run("xdotool", {"mousemove", QString::number(exit.x()), QString::number(exit.y()), "click", "1"});
        QVERIFY(m_app.waitForFinished(WaitTimeoutMs));
        screenshot("exited");
        QVERIFY2(m_app.exitStatus() == QProcess::NormalExit && m_app.exitCode() == 0,
                 m_app.readAllStandardError().right(6000).constData());

        const QString settings = m_dir.filePath("settings.ini");
        const QByteArray text = readFile(settings);
        QVERIFY(text.startsWith("[Options]\r\nPing IP="));
        QVERIFY(text.contains("\r\nStatsCheck Interval=1\r\n"));
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(settings).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 0777), 0600);
    }

    // Last: the X server ends under the running program, which still writes its settings.
    void lostDisplayWritesTheSettings() {
        QVERIFY(QFile::remove(m_dir.filePath("settings.ini")));
        m_app.start(program(), folder());
        QVERIFY(m_app.waitForStarted(CommandTimeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(!run("xdotool", {"search", "--name", "^Line Warden$"}).isEmpty(), WaitTimeoutMs);
        Peers::stop(m_xvfb, CommandTimeoutMs);
        QVERIFY(m_app.waitForFinished(WaitTimeoutMs));
        QVERIFY(readFile(m_dir.filePath("settings.ini")).contains("\r\nStatsCheck Interval=1\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestRealWindow)
#include "tst_real_window.moc"
