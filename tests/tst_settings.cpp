// SPDX-License-Identifier: MIT
// settings.ini: the profile-file reader and writer, the folder choice, and the
// window's load and unload of the seven keys.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSignalSpy>

#include "FileBytes.h"
#include "FormRig.h"
#include "Peers.h"
#include "PlantedFile.h"
#include "SmallFs.h"
#include "monitor/TerminationSignals.h"
#include "script_engine/TarnTelnet.h"
#include "statistics/StatsCollector.h"
#include "text/IniFile.h"

#include <csignal>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace modMisc;

namespace {

const QByteArray DesignTimeFile = "[Options]\r\n"
                                  "Ping IP=9.9.9.9\r\n"
                                  "Ping Interval=300\r\n"
                                  "Router Username=root\r\n"
                                  "Router Password=Mango\r\n"
                                  "Router IP=10.0.0.2\r\n"
                                  "StatsCheck=1\r\n"
                                  "StatsCheck Interval=1\r\n";

// Root reads and writes everything: where permissions must bind, the test
// runs the rest of the scope as nobody.
struct Unprivileged {
    const bool switched = ::geteuid() == 0;
    Unprivileged() {
        if (switched && ::setegid(Nobody) + ::seteuid(Nobody) != 0)
            qFatal("cannot become nobody");
    }
    ~Unprivileged() {
        if (switched && ::seteuid(0) + ::setegid(0) != 0)
            qFatal("cannot become root again");
    }
};

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private:
    FormRig m_rig;
    QTemporaryDir& m_dir = m_rig.dir;
    QString ini() const { return m_rig.ini(); }

    std::unique_ptr<Form1> form(const QString& programFolder = {}, const QString& userFolder = {}) {
        return m_rig.make(programFolder, userFolder);
    }
    static QLineEdit* box(const std::unique_ptr<Form1>& f, const char* name) { return control<QLineEdit>(*f, name); }
    static QCheckBox* chkStats(const std::unique_ptr<Form1>& f) { return control<QCheckBox>(*f, "chkStats"); }
    static QString shown(const std::unique_ptr<Form1>& f) {
        return control<QPlainTextEdit>(*f, "txtOut")->toPlainText();
    }

    // A folder that the Unprivileged part of a test owns.
    QString folderOfNobody(const QString& name) {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(path);
        if (::geteuid() == 0 && ::chown(QFile::encodeName(path), Nobody, Nobody) != 0)
            qWarning("chown failed");
        return path;
    }

private slots:
    void initTestCase() { QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7711)); }
    void cleanup() {
        QFile::remove(ini());
        QDir(m_dir.filePath("user")).removeRecursively();
    }

    void readIniValue_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        const auto row = [](const char* name, const QByteArray& file, const char* value,
                            const char* section = "Options", const char* key = "Key") {
            QTest::newRow(name) << file << QString(section) << QString(key) << QString(value);
        };
        const QByteArray two = "[Other]\r\nKey=other\r\n[Options]\r\nKey=mine\r\nNext=x\r\n";
        row("found", two, "mine");
        row("section and key ignore case", two, "mine", "oPTIONS", "KEY");
        row("key of another section", two, "", "Options", "Missing");
        row("missing section", two, "", "Nowhere");
        row("blanks around", "[Options]\r\n  Key  =  a b  \r\n", "a b");
        row("equals sign in value", "[Options]\r\nKey=a=b\r\n", "a=b");
        row("first of two", "[Options]\r\nKey=1\r\nKey=2\r\n", "1");
        row("comment is no key", "[Options]\r\n;Key=1\r\n", "");
        row("LF line ends", "[Options]\nKey=lf\n", "lf");
        row("no final line end", "[Options]\r\nKey=last", "last");
        row("empty value", "[Options]\r\nKey=\r\n", "");
        row("CR line ends", "[Other]\rKey=no\r[Options]\rKey=cr\r", "cr");
        row("one pair of quotes", "[Options]\r\nKey=\"1\"\r\n", "1");
        row("quoted blanks kept", "[Options]\r\nKey= \" a \"\"\" \r\n", " a \"\"");
        row("unmatched quote kept", "[Options]\r\nKey=\"a\r\n", "\"a");
    }
    void readIniValue() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QVERIFY(writeFile(ini(), file));
        QTEST(ReadIniValue(section, key, ini()), "value");
    }

    void readMissingFileIsEmpty() { QCOMPARE(ReadIniValue("Options", "Key", m_dir.filePath("none.ini")), QString()); }

    void longValueIsCutTo254() {
        const QString value = QString(300, u'x') + u'y';
        QVERIFY(WriteIniValue("Options", "Key", value, ini()));
        QCOMPARE(ReadIniValue("Options", "Key", ini()), QString(254, u'x'));
    }

    void writeIniValue_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char* name, const QByteArray& before, const char* value, const QByteArray& after) {
            QTest::newRow(name) << before << QString(value) << after;
        };
        row("creates the file", "", "v", "[Options]\r\nKey=v\r\n");
        row("adds the section at the end", "; mine\r\n[Other]\r\nA=1\r\n", "v",
            "; mine\r\n[Other]\r\nA=1\r\n[Options]\r\nKey=v\r\n");
        row("replaces in place, ignoring case",
            "[options]\r\n; note\r\nkey = old\r\nB=2\r\n\r\n[Other]\r\nKey=keep\r\n", "new",
            "[options]\r\n; note\r\nKey=new\r\nB=2\r\n\r\n[Other]\r\nKey=keep\r\n");
        row("adds the key at the end of its section", "[Options]\r\nA=1\r\n\r\n[Other]\r\nB=2\r\n", "v",
            "[Options]\r\nA=1\r\nKey=v\r\n\r\n[Other]\r\nB=2\r\n");
        row("LF file comes back CR LF", "[Options]\nKey=1\n# c\n", "2", "[Options]\r\nKey=2\r\n# c\r\n");
        row("CR file comes back CR LF", "[Options]\rKey=1\rB=2\r", "3", "[Options]\r\nKey=3\r\nB=2\r\n");
        row("blanks at the ends quoted", "", " p w\t", "[Options]\r\nKey=\" p w\t\"\r\n");
        row("quotes around quoted", "", "\"q\"", "[Options]\r\nKey=\"\"q\"\"\r\n");
        row("a line break cannot add a key", "", "a\r\nRouter IP=6.6.6.6", "[Options]\r\nKey=a  Router IP=6.6.6.6\r\n");
    }
    void writeIniValue() {
        QFETCH(QByteArray, before);
        QFETCH(QString, value);
        if (!before.isEmpty())
            QVERIFY(writeFile(ini(), before));
        QCOMPARE(WriteIniValue("Options", "Key", value, ini()), qint16(1));
        QTEST(readFile(ini()), "after");
    }

    void writeIntoMissingFolderFails() {
        QCOMPARE(WriteIniValue("Options", "Key", "v", m_dir.filePath("no/such/folder/settings.ini")), qint16(0));
    }

    void withTrailingBackslash_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        const QString sep = QDir::separator();
        QTest::newRow("adds one") << "/opt/lw"
                                  << "/opt/lw" + sep;
        QTest::newRow("keeps one") << "/opt/lw" + sep << "/opt/lw" + sep;
        QTest::newRow("root stays single") << sep << sep;
    }
    void withTrailingBackslash() {
        QFETCH(QString, path);
        QTEST(WithTrailingBackslash(path), "expected");
    }

    void chooseAppFolder() {
        const QString user = m_dir.filePath("user/data");
        auto writable = [](bool answer) { return [answer](const QString&) { return answer; }; };
        QCOMPARE(ChooseAppFolder("/opt/lw", user, writable(true)), QStringLiteral("/opt/lw/"));
        QVERIFY(!QFileInfo::exists(user));
        QCOMPARE(ChooseAppFolder("/opt/lw", user, writable(false)), user + u'/');
        QCOMPARE(ChooseAppFolder("/usr/bin", user, writable(true)), user + u'/'); // installed, even for root
        QVERIFY(QFileInfo(user).isDir());
        // A build tree or an install prefix, which a rebuild or an upgrade replaces.
        QCOMPARE(ChooseAppFolder("/home/me/lw/build/bin/", user, writable(true)), user + u'/');
        QCOMPARE(ChooseAppFolder("/home/me/.local/bin", user, writable(true)), user + u'/');
        // A folder named on the command line, relative or not, whatever the rule says.
        const AppFolders given{"/opt/lw", user, "given/here"};
        QCOMPARE(given.chosen(), QDir::current().absoluteFilePath("given/here") + u'/');
        QVERIFY(QDir().rmpath("given/here"));
    }

    void folderIsWritable() {
        QVERIFY(FolderIsWritable(m_dir.path()));
        // Under a regular file nothing can be created, not even by root.
        QVERIFY(writeFile(m_dir.filePath("plain"), "x"));
        QVERIFY(!FolderIsWritable(m_dir.filePath("plain/bin")));
        QCOMPARE(QDir(m_dir.path()).entryList({"write-probe*"}, QDir::Files), QStringList());
    }

    // The window: load and unload.

    void firstStartThenCloseWritesDesignTimeValues() {
        auto f = form();
        QCOMPARE(f->AppFolder(), m_dir.path() + u'/');
        QCOMPARE(f->SettingsPath(), m_dir.filePath("settings.ini"));
        QVERIFY(!QFile::exists(ini()));
        QCOMPARE(box(f, "txtInterval")->text(), QStringLiteral("300"));
        f->close();
        QCOMPARE(readFile(ini()), DesignTimeFile);
    }

    void roundTrip() {
        {
            auto f = form();
            box(f, "txtPing")->setText("127.0.0.9");
            box(f, "txtInterval")->setText("ten"); // not a number: kept verbatim
            box(f, "txtUser")->setText("admin");
            box(f, "txtPass")->setText(" p=w ;# ");
            box(f, "txtRouter")->setText("127.0.0.1");
            chkStats(f)->setChecked(false);
            box(f, "txtStats")->setText("");
            f->close();
        }
        QCOMPARE(ReadIniValue("Options", "StatsCheck", ini()), QStringLiteral("0"));
        auto f = form();
        QCOMPARE(box(f, "txtPing")->text(), QStringLiteral("127.0.0.9"));
        QCOMPARE(box(f, "txtInterval")->text(), QStringLiteral("ten"));
        QCOMPARE(box(f, "txtUser")->text(), QStringLiteral("admin"));
        QCOMPARE(box(f, "txtPass")->text(), QStringLiteral(" p=w ;# "));
        QCOMPARE(box(f, "txtRouter")->text(), QStringLiteral("127.0.0.1"));
        QVERIFY(!chkStats(f)->isChecked());
        QCOMPARE(box(f, "txtStats")->text(), QString());
    }

    void missingKeysEmptyTheBoxes() {
        QVERIFY(writeFile(ini(), "[Options]\r\nRouter IP=127.0.0.1\r\n"));
        auto f = form();
        for (const char* name : {"txtPing", "txtInterval", "txtUser", "txtPass", "txtStats"})
            QVERIFY2(box(f, name)->text().isEmpty(), name);
        QCOMPARE(box(f, "txtRouter")->text(), QStringLiteral("127.0.0.1"));
        QVERIFY(!chkStats(f)->isChecked());
    }

    void statsCheckValues_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("state");
        QTest::newRow("1 checked") << QByteArray("1") << int(Qt::Checked);
        QTest::newRow("0 unchecked") << QByteArray("0") << int(Qt::Unchecked);
        QTest::newRow("2 greyed") << QByteArray("2") << int(Qt::PartiallyChecked);
        QTest::newRow("out of range unchecked") << QByteArray("7") << int(Qt::Unchecked);
        QTest::newRow("junk unchecked") << QByteArray("yes") << int(Qt::Unchecked);
        QTest::newRow("huge unchecked") << QByteArray("99999999999") << int(Qt::Unchecked);
    }
    void statsCheckValues() {
        QFETCH(QByteArray, value);
        QVERIFY(writeFile(ini(), "[Options]\r\nStatsCheck=" + value + "\r\n"));
        QTEST(int(chkStats(form())->checkState()), "state");
    }

    void commentsAndForeignSectionsSurvive() {
        QVERIFY(
            writeFile(ini(), "; kept\r\n[Colours]\r\nBack=1\r\n\r\n[Options]\r\nPing IP=127.0.0.8\r\nExtra=yes\r\n"));
        form()->close();
        const QByteArray after = readFile(ini());
        QVERIFY(
            after.startsWith("; kept\r\n[Colours]\r\nBack=1\r\n\r\n[Options]\r\nPing IP=127.0.0.8\r\nExtra=yes\r\n"));
        QVERIFY(after.contains("StatsCheck Interval=\r\n"));
    }

    // [SSH] reaches the core's control; a path is the program folder's unless
    // absolute or under "~/", and known_hosts lies there unless named.
    void sshSection_data() {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QString>("keyFile"); // {folder}, {home}: where they stand
        QTest::addColumn<QString>("knownHosts");
        QTest::newRow("none") << QByteArray() << QString() << "{folder}/known_hosts";
        QTest::newRow("relative") << QByteArray("[SSH]\r\nKey File=keys/../id_router\r\nKnown Hosts=hosts\r\n")
                                  << "{folder}/id_router"
                                  << "{folder}/hosts";
        QTest::newRow("home, blanks around")
            << QByteArray("[ssh]\r\nKey File = ~/.ssh/id_ed25519 \r\nKnown Hosts=~/.ssh/known_hosts\r\n")
            << "{home}/.ssh/id_ed25519"
            << "{home}/.ssh/known_hosts";
    }
    void sshSection() {
        QFETCH(QByteArray, section);
        QFETCH(QString, keyFile);
        QFETCH(QString, knownHosts);
        QVERIFY(writeFile(ini(), "[Options]\r\nRouter IP=ssh:127.0.0.1\r\n" + section));
        const auto where = [this](QString path) {
            return path.replace("{folder}", m_dir.path()).replace("{home}", QDir::homePath());
        };
        auto f = form();
        QCOMPARE(f->Core().Control().SshKeyFile(), where(keyFile));
        QCOMPARE(f->Core().Control().SshKnownHosts(), where(knownHosts));
        QVERIFY(f->Core().Control().SshAcceptNewHostKey());
    }

    // [Router] Model is read at load: a model that cannot be used shows in the
    // output box; the section stays when the settings are written.
    void routerModelIsReadAtLoad() {
        QVERIFY(writeFile(ini(), "[Router]\r\nModel=missing.model\r\n"));
        auto f = form();
        QVERIFY(
            control<QPlainTextEdit>(*f, "txtOut")->toPlainText().contains("router model \"missing.model\" not used"));
        f->close();
        QCOMPARE(ReadIniValue("Router", "Model", ini()), QStringLiteral("missing.model"));
    }

    static int mode(const QString& path) {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
    }

    void fileIsOwnerOnly() {
        form()->close();
        QCOMPARE(mode(ini()), 0600);
        QFile::setPermissions(ini(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        QCOMPARE(mode(ini()), 0644);
        auto f = form();
        QCOMPARE(mode(ini()), 0600); // at start, before any write
        f->close();
        QCOMPARE(mode(ini()), 0600);
    }

    // Nothing already saved is lost, whatever the file and its folder are like.

    void fullDiskKeepsTheOldFile_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<qint64>("free");
        QTest::addColumn<QString>("statsInterval");
        const QByteArray other = "[Other]\r\n" + QByteArray(1235, 'x').replace('x', "Line=keep me ok\r\n");
        QTest::newRow("21 KB file, 8 KiB free") << other + DesignTimeFile << qint64(8192) << "1";
        // Room for a file of the old size only: the last key makes it longer.
        QByteArray page = DesignTimeFile + ';' + QByteArray(4096 - 8 - DesignTimeFile.size(), 'c') + "\r\n";
        QTest::newRow("the last key does not fit") << page << qint64(4096) << QString(40, u'9');
    }
    void fullDiskKeepsTheOldFile() {
        QFETCH(QByteArray, before);
        QFETCH(qint64, free);
        QFETCH(QString, statsInterval);
        SmallFs fs;
        LW_REQUIRE_PEER(fs.mounted, "mounting a tmpfs needs root");
        const QString path = fs.dir.filePath("settings.ini");
        QVERIFY(writeFile(path, before));
        auto f = form(fs.dir.path());
        box(f, "txtPing")->setText("127.0.0.7");
        box(f, "txtStats")->setText(statsInterval);
        fs.leaveFree(free);
        f->close();
        QCOMPARE(readFile(path), before);
    }

    void unreadableFileIsNeverReplaced_data() {
        QTest::addColumn<bool>("fifo");
        QTest::addColumn<int>("planted"); // a PlantedFile::Kind, or -1
        QTest::newRow("no read permission") << false << -1;
        QTest::newRow("FIFO") << true << -1;
        QTest::newRow("nobody's link to nobody's file") << false << int(PlantedFile::LinkOfNobodyToNobody);
        QTest::newRow("nobody's link to root's file") << false << int(PlantedFile::LinkOfNobodyToRoot);
        QTest::newRow("root's link to nobody's file") << false << int(PlantedFile::LinkOfRootToNobody);
        QTest::newRow("second name of nobody's file") << false << int(PlantedFile::SecondNameOfNobodys);
    }
    void unreadableFileIsNeverReplaced() {
        QFETCH(bool, fifo);
        QFETCH(int, planted);
        const QString folder = folderOfNobody(QTest::currentDataTag());
        const QString path = folder + "/settings.ini";
        std::optional<PlantedFile> plant;
        std::optional<Unprivileged> nobody;
        if (planted >= 0) {
            plant.emplace(PlantedFile::Kind(planted), path);
            LW_REQUIRE_PEER(plant->made, "giving files away needs root");
            const QRegularExpression warning(QRegularExpression::escape(path) + " is left alone");
            QTest::ignoreMessage(QtWarningMsg, warning); // read at start
            QTest::ignoreMessage(QtWarningMsg, warning); // written at close
        } else {
            nobody.emplace();
            if (fifo) {
                QCOMPARE(::mkfifo(QFile::encodeName(path), 0600), 0);
            } else {
                QVERIFY(writeFile(path, DesignTimeFile + "[Mine]\r\nA=1\r\n"));
                QFile::setPermissions(path, QFileDevice::WriteOwner);
            }
        }
        auto f = form(folder); // a FIFO never blocks it
        QCOMPARE(box(f, "txtUser")->text(), QStringLiteral("root"));
        QVERIFY(shown(f).contains("cannot be read"));
        f->close();
        if (plant) {
            QVERIFY(plant->targetUnchanged()); // neither written through nor made 0600
            return;
        }
        QCOMPARE(QFileInfo(path).isFile(), !fifo);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (!fifo)
            QCOMPARE(readFile(path), DesignTimeFile + "[Mine]\r\nA=1\r\n");
    }

    // The user's own link to the user's own file keeps working, and stays a link.
    void ownLinkIsFollowed() {
        PlantedFile own(PlantedFile::OwnLink, ini());
        LW_REQUIRE_PEER(own.made, "giving files away needs root");
        auto f = form();
        QCOMPARE(mode(own.target), 0600);
        box(f, "txtUser")->setText("through the link");
        f->close();
        QVERIFY(QFileInfo(ini()).isSymLink());
        QCOMPARE(ReadIniValue("Options", "Router Username", own.target), QStringLiteral("through the link"));
        QCOMPARE(mode(own.target), 0600);
    }

    void ownerAndGroupAreKept() {
        LW_REQUIRE_PEER(::geteuid() == 0, "giving a file away needs root");
        QVERIFY(writeFile(ini(), DesignTimeFile));
        QCOMPARE(::chown(QFile::encodeName(ini()), Nobody, Nobody), 0);
        form()->close();
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(ini()), &info), 0);
        QCOMPARE(info.st_uid, Nobody);
        QCOMPARE(info.st_gid, gid_t(Nobody));
    }

    // Files an earlier version kept beside the program are copied once to the folder used now.
    void programFolderFilesAreCarriedOver_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("read-only folder") << "read-only" << true;
        QTest::newRow("build tree") << "build/bin" << false;
    }
    void programFolderFilesAreCarriedOver() {
        QFETCH(QString, program);
        QFETCH(bool, readOnly);
        program = folderOfNobody(program);
        const QString user = folderOfNobody(QStringLiteral("home-%1").arg(readOnly)) + "/data";
        Unprivileged nobody;
        QVERIFY(writeFile(program + "/settings.ini", "[Options]\r\nRouter Username=mine\r\n[Mine]\r\nA=1\r\n"));
        QVERIFY(writeFile(program + "/stats.csv", "07/12/2026 09:05,8000,20.5,12,800,10,8,Up\r\n"));
        if (readOnly)
            QFile::setPermissions(program, QFileDevice::Permissions(0x5555));
        {
            auto f = form(program, user);
            QCOMPARE(f->AppFolder(), user + u'/');
            QCOMPARE(box(f, "txtUser")->text(), QStringLiteral("mine"));
            QCOMPARE(shown(f).count("settings.ini, stats.csv beside the program in"), 1);
            box(f, "txtUser")->setText("changed");
            f->close();
        }
        auto again = form(program, user);
        QCOMPARE(box(again, "txtUser")->text(), QStringLiteral("changed"));
        QVERIFY(shown(again).isEmpty()); // said once
        QCOMPARE(ReadIniValue("Mine", "A", user + "/settings.ini"), QStringLiteral("1"));
        QCOMPARE(readFile(user + "/stats.csv"), readFile(program + "/stats.csv"));
        QCOMPARE(ReadIniValue("Options", "Router Username", program + "/settings.ini"), QStringLiteral("mine"));
        QFile::setPermissions(program, QFileDevice::Permissions(0x7755));
    }

    void folderTurningReadOnlyWritesInPlace() {
        const QString folder = folderOfNobody("turns-read-only");
        Unprivileged nobody;
        QVERIFY(writeFile(folder + "/settings.ini", DesignTimeFile));
        auto f = form(folder);
        box(f, "txtUser")->setText("typed");
        QFile::setPermissions(folder, QFileDevice::Permissions(0x5555));
        f->close();
        QFile::setPermissions(folder, QFileDevice::Permissions(0x7755));
        QCOMPARE(ReadIniValue("Options", "Router Username", folder + "/settings.ini"), QStringLiteral("typed"));
    }

    void terminationSignalsCloseTheWindow_data() {
        QTest::addColumn<int>("number");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
        QTest::newRow("SIGINT") << SIGINT;
    }
    void terminationSignalsCloseTheWindow() {
        QFETCH(int, number);
        auto f = form();
        TerminationSignals termination;
        connect(&termination, &TerminationSignals::received, f.get(), &QWidget::close);
        QSignalSpy unloaded(f.get(), &Form1::unloaded);
        box(f, "txtUser")->setText(QTest::currentDataTag());
        QCOMPARE(::kill(::getpid(), number), 0);
        QTRY_COMPARE(unloaded.count(), 1);
        QCOMPARE(ReadIniValue("Options", "Router Username", ini()), QString(QTest::currentDataTag()));
    }

    void unloadWritesOnce() {
        auto f = form();
        f->close();
        box(f, "txtUser")->setText("after close");
        f->close();
        QCOMPARE(ReadIniValue("Options", "Router Username", ini()), QStringLiteral("root"));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
