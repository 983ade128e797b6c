// SPDX-License-Identifier: MIT
#include <QTest>

#include "text/Latin1.h"
#include "text/StatsCsv.h"
#include "text/modMisc.h"

using namespace modMisc;

class TestText : public QObject {
    Q_OBJECT

private slots:
    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "300" << 300.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("word") << "abc" << 0.0;
        QTest::newRow("stops at text") << "12abc" << 12.0;
        QTest::newRow("decimal point") << "2.5" << 2.5;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("lone point") << "." << 0.0;
        QTest::newRow("negative") << "-3" << -3.0;
        QTest::newRow("plus sign") << "+7" << 7.0;
        QTest::newRow("lone sign") << "-" << 0.0;
        QTest::newRow("blanks inside") << " 1 2 3" << 123.0;
        QTest::newRow("tabs and line feeds") << "\t\n4\t2" << 42.0;
        QTest::newRow("blank after sign") << "- 5" << -5.0;
        QTest::newRow("carriage return stops") << "4\r2" << 4.0;
        QTest::newRow("comma is no separator") << "2,5" << 2.0;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("negative exponent") << "25E-1" << 2.5;
        QTest::newRow("exponent without digits") << "7e" << 7.0;
        QTest::newRow("exponent sign without digits") << "7e+x" << 7.0;
        QTest::newRow("margin above range") << "2147483658" << 2147483658.0;
        QTest::newRow("unit after value") << "8000 kbps" << 8000.0;
    }

    void leadingNumber() {
        QFETCH(QString, text);
        QTEST(LeadingNumber(text), "value");
    }

    void wholeNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<int>("value");
        QTest::newRow("2.5 to even") << "2.5" << true << 2;
        QTest::newRow("3.5 to even") << "3.5" << true << 4;
        QTest::newRow("-2.5 to even") << "-2.5" << true << -2;
        QTest::newRow("1.5 up") << "1.5" << true << 2;
        QTest::newRow("2.6 up") << "2.6" << true << 3;
        QTest::newRow("no number") << "abc" << true << 0;
        QTest::newRow("largest") << "2147483647" << true << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << true << int(-2147483648LL);
        QTest::newRow("one past largest") << "2147483648" << false << 0;
        QTest::newRow("one below smallest") << "-2147483649" << false << 0;
        QTest::newRow("huge exponent") << "1e999" << false << 0;
    }

    void wholeNumber() {
        QFETCH(QString, text);
        QFETCH(bool, fits);
        const auto result = WholeNumber(text);
        QCOMPARE(result.has_value(), fits);
        if (fits)
            QTEST(*result, "value");
    }

    void countOccurrences_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("part");
        QTest::addColumn<int>("count");
        const auto row = [](const char* name, const char* text, const char* part, int count) {
            QTest::newRow(name) << QString(text) << QString(part) << count;
        };
        row("none", "abc", ",", 0);
        row("three", "a,b,c,d", ",", 3);
        row("overlapping hits count", "aaaa", "aa", 3);
        row("exact case", "aAa", "A", 1);
        row("empty part", "abc", "", 0);
        row("empty text", "", ",", 0);
    }

    void countOccurrences() {
        QFETCH(QString, text);
        QFETCH(QString, part);
        QFETCH(int, count);
        QCOMPARE(CountOccurrences(text, part), qsizetype(count));
    }

    void getField_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("field");
        const auto row = [](const char* name, const QString& text, const QString& delimiter, int n, const char* field) {
            QTest::newRow(name) << text << delimiter << n << QString(field);
        };
        const QString host = "HOST 10.0.0.2 23";
        row("first", host, " ", 1, "HOST");
        row("middle", host, " ", 2, "10.0.0.2");
        row("last", host, " ", 3, "23");
        row("past the end", "HOST 10.0.0.2", " ", 3, "");
        row("far past the end", "a", " ", 9, "");
        row("double blank gives empty field", "HOST  10.0.0.2", " ", 2, "");
        row("after double blank", "HOST  10.0.0.2", " ", 3, "10.0.0.2");
        row("no delimiter, field 1", "WAIT", " ", 1, "WAIT");
        row("empty text", "", " ", 1, "");
        row("trailing delimiter", "a,", ",", 2, "");
        row("reply after paren", "227 ok (1,2,3,4,5,6)", "(", 2, "1,2,3,4,5,6)");
        row("up to a second paren", "a(b(c", "(", 2, "b");
        row("separator character", QString::fromUtf8("ls\u00a4file1"), QString::fromUtf8("\u00a4"), 2, "file1");
        row("multi-character delimiter", "a\r\nb\r\nc", "\r\n", 2, "b");
        row("field zero", "a b", " ", 0, "");
    }

    void getField() {
        QFETCH(QString, text);
        QFETCH(QString, delimiter);
        QFETCH(int, n);
        QTEST(GetField(text, delimiter, n), "field");
    }

    void appendLine() {
        QString buffer;
        AppendLine(buffer, u"first");
        QCOMPARE(buffer, QString("first"));
        AppendLine(buffer, u"second");
        QCOMPARE(buffer, QString("first\r\nsecond"));
        AppendLine(buffer, u"");
        QCOMPARE(buffer, QString("first\r\nsecond\r\n"));
    }

    void trimSpacesKeepsTabs() {
        QCOMPARE(TrimSpaces(u"  \t12\t  "), QString("\t12\t"));
        QCOMPARE(TrimSpaces(u"    "), QString());
    }

    void latin1RoundTripsEveryByte() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = Latin1::toText(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0xA4), QChar(0x00A4));
        QCOMPARE(text.toLatin1(), all);
    }

    // What a log's field may hold: a statistic as printed, never what could end or split its line.
    void loggableValue_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("kept");
        QTest::newRow("a statistic") << "20.5" << true;
        QTest::newRow("TABs around it") << "\t12\t" << true;
        QTest::newRow("an 8-bit letter") << QString::fromLatin1("12 \xa4") << true;
        QTest::newRow("32 characters") << QString(32, u'9') << true;
        QTest::newRow("33 characters") << QString(33, u'9') << false;
        QTest::newRow("comma") << "8,000" << false;
        QTest::newRow("LF") << "12\n" << false;
        QTest::newRow("CR") << "12\r" << false;
        QTest::newRow("NUL") << QString(QChar(0)) + "12" << false;
        QTest::newRow("DEL") << "12\x7f" << false;
        QTest::newRow("next line (C1)") << QString::fromLatin1("12\x85") << false;
        QTest::newRow("line separator") << QStringLiteral("12\u2028") << false;
    }

    void loggableValue() {
        QFETCH(QString, value);
        QFETCH(bool, kept);
        QCOMPARE(StatsCsv::LoggableValue(value), kept ? value : QString());
    }
};

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
