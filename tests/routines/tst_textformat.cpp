#include <routines/TextFormat.h>

#include <QtTest>

class TestTextFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formatResource_data();
    void formatResource();
    void safeText_data();
    void safeText();
};

void TestTextFormat::formatResource_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");

    QTest::newRow("in order") << "Proizvod %s nije snimljen u dokumentu %s."
                              << QStringList{"Karta", "M-12"}
                              << "Proizvod Karta nije snimljen u dokumentu M-12.";
    QTest::newRow("argument with placeholder text") << "%s i %s" << QStringList{"%s", "b"} << "%s i b";
    QTest::newRow("percent sign") << "%s%% popusta" << QStringList{"20"} << "20% popusta";
    QTest::newRow("missing argument") << "Dokument %s nije moguće snimiti." << QStringList{}
                                      << "Dokument  nije moguće snimiti.";
    QTest::newRow("extra argument") << "Bez" << QStringList{"x"} << "Bez";
    QTest::newRow("trailing percent") << "100%" << QStringList{} << "100%";
}

void TestTextFormat::formatResource()
{
    QFETCH(QString, format);
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    QCOMPARE(FormatResource(format, args), expected);
}

void TestTextFormat::safeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("shownAsLines");

    QTest::newRow("plain") << "Šarić, 12 €" << "Šarić, 12 €" << "Šarić, 12 €";
    QTest::newRow("escape and bell") << "a\x1b[2J\x1b[31mb\a" << "a\\x1b[2J\\x1b[31mb\\x07"
                                     << "a\\x1b[2J\\x1b[31mb\\x07";
    QTest::newRow("forged line") << "ev\nFAKE | uspeh | root" << "ev\\nFAKE | uspeh | root"
                                 << "ev\nFAKE | uspeh | root";
    QTest::newRow("carriage return and tab") << "a\rb\tc" << "a\\rb\\tc" << "a\\rb\\tc";
    QTest::newRow("right-to-left override") << QString::fromUtf16(u"gpj.\u202Etxt.csv")
                                            << "gpj.\\u202etxt.csv" << "gpj.\\u202etxt.csv";
    QTest::newRow("isolates and line separator") << QString::fromUtf16(u"a\u2066b\u2069\u2028c")
                                                 << "a\\u2066b\\u2069\\u2028c" << "a\\u2066b\\u2069\\u2028c";
    QTest::newRow("C1 control and DEL") << QString::fromUtf16(u"a\u009Bb\u007F") << "a\\x9bb\\x7f"
                                        << "a\\x9bb\\x7f";
}

void TestTextFormat::safeText()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(QString, shownAsLines);
    QCOMPARE(SafeText(text), shown);
    QCOMPARE(SafeLines(text), shownAsLines);
    QCOMPARE(SafeText(SafeText(text)), shown);
}

QTEST_GUILESS_MAIN(TestTextFormat)
#include "tst_textformat.moc"
