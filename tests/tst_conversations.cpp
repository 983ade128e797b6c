// SPDX-License-Identifier: MIT
// Router conversations as golden files. NAME.input drives the control on fake
// sockets; NAME.txt holds everything it reported, in order, then the
// conversation record. A new router quirk is two new files.
//
// Directives of an .input file, one per line ("#" starts a comment line):
//   mode N | waitforreboot       properties
//   script TEXT                  one script line (may be empty)
//   run | rerun                  RunScript with the lines so far | with ""
//   accept                       the server accepts the connection
//   recv TEXT                    a piece arrives (\r \n \t \\ \xHH escapes)
//   fail NUMBER DESCRIPTION      the main socket reports an error
//   abort                        AbortScript
// LW_CONVERSATION names one file to run; LW_UPDATE_GOLDEN=1 rewrites the .txt.
#include <QDir>
#include <QFile>
#include <QTest>

#include "EngineRig.h"
#include "FileBytes.h"
#include "Peers.h"

namespace {

QByteArray unescape(const QString& text) {
    QByteArray out;
    for (qsizetype k = 0; k < text.size(); ++k) {
        const QChar c = text[k];
        if (c != u'\\' || k + 1 == text.size()) {
            out += char(c.unicode());
            continue;
        }
        const QChar e = text[++k];
        if (e == u'r')
            out += '\r';
        else if (e == u'n')
            out += '\n';
        else if (e == u't')
            out += '\t';
        else if (e == u'x') {
            out += char(text.mid(k + 1, 2).toInt(nullptr, 16));
            k += 2;
        } else
            out += char(e.unicode());
    }
    return out;
}

QStringList readLines(const QString& path) {
    QStringList lines = QString::fromUtf8(readFile(path)).split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList play(const QStringList& input) {
    EngineRig rig;
    QStringList script;
    for (const QString& line : input) {
        if (line.startsWith(u'#') || line.isEmpty())
            continue;
        const QString word = line.section(u' ', 0, 0);
        const QString rest = line.section(u' ', 1);
        if (word == u"mode")
            rig.engine.setMode(rest.toInt());
        else if (word == u"waitforreboot")
            rig.engine.setWaitForReboot(true);
        else if (word == u"script")
            script << rest;
        else if (word == u"run")
            rig.run(script);
        else if (word == u"rerun")
            rig.engine.RunScript(QString());
        else if (word == u"accept")
            rig.main->accept();
        else if (word == u"recv")
            rig.main->receive(unescape(rest));
        else if (word == u"fail")
            rig.main->fail(rest.section(u' ', 0, 0).toInt(), rest.section(u' ', 1));
        else if (word == u"abort")
            rig.engine.AbortScript();
        else
            rig.events << QStringLiteral("UNKNOWN DIRECTIVE ") + line;
        QCoreApplication::processEvents(); // what the server's side posted
    }
    QStringList transcript = rig.events;
    const QStringList entries = rig.conversation();
    for (qsizetype k = 0; k < entries.size(); ++k)
        transcript << QStringLiteral("conversation %1 %2").arg(k).arg(Escape::OneLine(entries[k]));
    return transcript;
}

} // namespace

class TestConversations : public QObject {
    Q_OBJECT
private slots:
    void conversation_data() {
        QTest::addColumn<QString>("input");
        const QString one = QString::fromLocal8Bit(qgetenv("LW_CONVERSATION"));
        const QStringList files = one.isEmpty() ? QDir(Peers::sourceDir() + QStringLiteral("/tests/conversations"))
                                                      .entryList({QStringLiteral("*.input")}, QDir::Files, QDir::Name)
                                                : QStringList{one};
        QVERIFY2(!files.isEmpty(), "no conversation files found");
        for (const QString& f : files) {
            const QString path = QDir::isAbsolutePath(f) ? f : Peers::sourceDir() + "/tests/conversations/" + f;
            QTest::newRow(qPrintable(QFileInfo(path).baseName())) << path;
        }
    }

    void conversation() {
        QFETCH(QString, input);
        const QStringList actual = play(readLines(input));
        const QString golden = input.chopped(QStringLiteral(".input").size()) + QStringLiteral(".txt");
        if (qgetenv("LW_UPDATE_GOLDEN") == "1")
            QVERIFY(writeFile(golden, (actual.join(u'\n') + u'\n').toUtf8()));
        QCOMPARE(actual, readLines(golden));
    }
};

QTEST_GUILESS_MAIN(TestConversations)
#include "tst_conversations.moc"
