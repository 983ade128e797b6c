// SPDX-License-Identifier: MIT
// settings.ini: the profile-file reader and writer, the folder choice, and the
// window's load and unload of the seven keys.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "FakeTrayBackend.h"
#include "shell/Form1.h"
#include "shell/IniFile.h"
#include "statistics/StatsCollector.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace modMisc;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

const QByteArray DesignTimeFile = "[Options]\r\n"
                                  "Ping IP=9.9.9.9\r\n"
                                  "Ping Interval=300\r\n"
                                  "Router Username=root\r\n"
                                  "Router Password=Mango\r\n"
                                  "Router IP=10.0.0.2\r\n"
                                  "StatsCheck=1\r\n"
                                  "StatsCheck Interval=1\r\n";

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString ini() const { return m_dir.filePath("settings.ini"); }

    std::unique_ptr<Form1> form(const QString& programFolder = {}) {
        return std::make_unique<Form1>(
            Form1::Folders{programFolder.isEmpty() ? m_dir.path() : programFolder, m_dir.filePath("user")},
            std::make_unique<FakeTrayBackend>());
    }

private slots:
    void cleanup() {
        QFile::remove(ini());
        QDir(m_dir.filePath("user")).removeRecursively();
    }

    void readIniValue_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        const QByteArray two = "[Other]\r\nKey=other\r\n[Options]\r\nKey=mine\r\nNext=x\r\n";
        QTest::newRow("found") << two << "Options"
                               << "Key"
                               << "mine";
        QTest::newRow("section and key ignore case") << two << "oPTIONS"
                                                     << "KEY"
                                                     << "mine";
        QTest::newRow("key of another section") << two << "Options"
                                                << "Missing"
                                                << "";
        QTest::newRow("missing section") << two << "Nowhere"
                                         << "Key"
                                         << "";
        QTest::newRow("blanks around") << QByteArray("[Options]\r\n  Key  =  a b  \r\n") << "Options"
                                       << "Key"
                                       << "a b";
        QTest::newRow("equals sign in value") << QByteArray("[Options]\r\nKey=a=b\r\n") << "Options"
                                              << "Key"
                                              << "a=b";
        QTest::newRow("first of two") << QByteArray("[Options]\r\nKey=1\r\nKey=2\r\n") << "Options"
                                      << "Key"
                                      << "1";
        QTest::newRow("comment is no key") << QByteArray("[Options]\r\n;Key=1\r\n") << "Options"
                                           << "Key"
                                           << "";
        QTest::newRow("LF line ends") << QByteArray("[Options]\nKey=lf\n") << "Options"
                                      << "Key"
                                      << "lf";
        QTest::newRow("no final line end") << QByteArray("[Options]\r\nKey=last") << "Options"
                                           << "Key"
                                           << "last";
        QTest::newRow("empty value") << QByteArray("[Options]\r\nKey=\r\n") << "Options"
                                     << "Key"
                                     << "";
    }
    void readIniValue() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        writeAll(ini(), file);
        QCOMPARE(ReadIniValue(section, key, ini()), value);
    }

    void readMissingFileIsEmpty() { QCOMPARE(ReadIniValue("Options", "Key", m_dir.filePath("none.ini")), QString()); }

    void longValueIsCutTo254() {
        const QString value = QString(300, u'x') + u'y';
        QVERIFY(WriteIniValue("Options", "Key", value, ini()));
        QCOMPARE(ReadIniValue("Options", "Key", ini()), QString(254, u'x'));
    }

    void writeIniValue_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("creates the file") << QByteArray() << "Options"
                                          << "Key"
                                          << "v" << QByteArray("[Options]\r\nKey=v\r\n");
        QTest::newRow("adds the section at the end")
            << QByteArray("; mine\r\n[Other]\r\nA=1\r\n") << "Options"
            << "Key"
            << "v" << QByteArray("; mine\r\n[Other]\r\nA=1\r\n[Options]\r\nKey=v\r\n");
        QTest::newRow("replaces in place, ignoring case")
            << QByteArray("[options]\r\n; note\r\nkey = old\r\nB=2\r\n\r\n[Other]\r\nKey=keep\r\n") << "Options"
            << "Key"
            << "new" << QByteArray("[options]\r\n; note\r\nKey=new\r\nB=2\r\n\r\n[Other]\r\nKey=keep\r\n");
        QTest::newRow("adds the key at the end of its section")
            << QByteArray("[Options]\r\nA=1\r\n\r\n[Other]\r\nB=2\r\n") << "Options"
            << "Key"
            << "v" << QByteArray("[Options]\r\nA=1\r\nKey=v\r\n\r\n[Other]\r\nB=2\r\n");
        QTest::newRow("LF file comes back CR LF") << QByteArray("[Options]\nKey=1\n# c\n") << "Options"
                                                  << "Key"
                                                  << "2" << QByteArray("[Options]\r\nKey=2\r\n# c\r\n");
        QTest::newRow("a line break cannot add a key")
            << QByteArray() << "Options"
            << "Key"
            << "a\r\nRouter IP=6.6.6.6" << QByteArray("[Options]\r\nKey=a  Router IP=6.6.6.6\r\n");
    }
    void writeIniValue() {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        if (!before.isEmpty())
            writeAll(ini(), before);
        QCOMPARE(WriteIniValue(section, key, value, ini()), qint16(1));
        QCOMPARE(readAll(ini()), after);
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
        QFETCH(QString, expected);
        QCOMPARE(WithTrailingBackslash(path), expected);
    }

    void chooseAppFolder() {
        const QString user = m_dir.filePath("user/data");
        auto writable = [](bool answer) { return [answer](const QString&) { return answer; }; };
        QCOMPARE(ChooseAppFolder("/opt/lw", user, writable(true)), QStringLiteral("/opt/lw/"));
        QVERIFY(!QFileInfo::exists(user));
        QCOMPARE(ChooseAppFolder("/opt/lw", user, writable(false)), user + u'/');
        QVERIFY(QFileInfo(user).isDir());
    }

    void folderIsWritable() {
        QVERIFY(FolderIsWritable(m_dir.path()));
        // Under a regular file nothing can be created, not even by root.
        writeAll(m_dir.filePath("plain"), "x");
        QVERIFY(!FolderIsWritable(m_dir.filePath("plain/bin")));
        QCOMPARE(QDir(m_dir.path()).entryList({"write-probe*"}, QDir::Files), QStringList());
    }

    // The window: load and unload.

    void firstStartThenCloseWritesDesignTimeValues() {
        auto f = form();
        QCOMPARE(f->AppFolder, m_dir.path() + u'/');
        QCOMPARE(f->SettingsPath, m_dir.filePath("settings.ini"));
        QCOMPARE(f->Stats().EscapedQuote, QStringLiteral("\\\""));
        QVERIFY(!QFile::exists(ini()));
        QCOMPARE(f->txtInterval->text(), QStringLiteral("300"));
        f->close();
        QCOMPARE(readAll(ini()), DesignTimeFile);
    }

    void roundTrip() {
        {
            auto f = form();
            f->txtPing->setText("127.0.0.9");
            f->txtInterval->setText("ten"); // not a number: kept verbatim
            f->txtUser->setText("admin");
            f->txtPass->setText("p=w ;#");
            f->txtRouter->setText("127.0.0.1");
            f->chkStats->setChecked(false);
            f->txtStats->setText("");
            f->close();
        }
        QCOMPARE(ReadIniValue("Options", "StatsCheck", ini()), QStringLiteral("0"));
        auto f = form();
        QCOMPARE(f->txtPing->text(), QStringLiteral("127.0.0.9"));
        QCOMPARE(f->txtInterval->text(), QStringLiteral("ten"));
        QCOMPARE(f->txtUser->text(), QStringLiteral("admin"));
        QCOMPARE(f->txtPass->text(), QStringLiteral("p=w ;#"));
        QCOMPARE(f->txtRouter->text(), QStringLiteral("127.0.0.1"));
        QVERIFY(!f->chkStats->isChecked());
        QCOMPARE(f->txtStats->text(), QString());
    }

    void missingKeysEmptyTheBoxes() {
        writeAll(ini(), "[Options]\r\nRouter IP=127.0.0.1\r\n");
        auto f = form();
        for (QLineEdit* box : {f->txtPing, f->txtInterval, f->txtUser, f->txtPass, f->txtStats})
            QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
        QCOMPARE(f->txtRouter->text(), QStringLiteral("127.0.0.1"));
        QVERIFY(!f->chkStats->isChecked());
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
        QFETCH(int, state);
        writeAll(ini(), "[Options]\r\nStatsCheck=" + value + "\r\n");
        QCOMPARE(int(form()->chkStats->checkState()), state);
    }

    void commentsAndForeignSectionsSurvive() {
        writeAll(ini(), "; kept\r\n[Colours]\r\nBack=1\r\n\r\n[Options]\r\nPing IP=127.0.0.8\r\nExtra=yes\r\n");
        form()->close();
        const QByteArray after = readAll(ini());
        QVERIFY(
            after.startsWith("; kept\r\n[Colours]\r\nBack=1\r\n\r\n[Options]\r\nPing IP=127.0.0.8\r\nExtra=yes\r\n"));
        QVERIFY(after.contains("StatsCheck Interval=\r\n"));
    }

#ifdef Q_OS_UNIX
    static int mode(const QString& path) {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
    }

    void fileIsOwnerOnly() {
        form()->close();
        QCOMPARE(mode(ini()), 0600);
        QFile::setPermissions(ini(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        QCOMPARE(mode(ini()), 0644);
        form()->close();
        QCOMPARE(mode(ini()), 0600);
    }
#endif

    void readOnlyProgramFolderFallsBackToTheUserFolder() {
        writeAll(m_dir.filePath("plain"), "x");
        auto f = form(m_dir.filePath("plain/bin"));
        QCOMPARE(f->AppFolder, m_dir.filePath("user") + u'/');
        f->txtUser->setText("fallback");
        f->close();
        QCOMPARE(ReadIniValue("Options", "Router Username", m_dir.filePath("user/settings.ini")),
                 QStringLiteral("fallback"));
        QCOMPARE(form(m_dir.filePath("plain/bin"))->txtUser->text(), QStringLiteral("fallback"));
    }

    void unloadWritesOnce() {
        auto f = form();
        f->close();
        f->txtUser->setText("after close");
        f->close();
        QCOMPARE(ReadIniValue("Options", "Router Username", ini()), QStringLiteral("root"));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
