#include <routines/TextFormat.h>

#include <QtTest>

class TestTextFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formatResource_data();
    void formatResource();
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

QTEST_GUILESS_MAIN(TestTextFormat)
#include "tst_textformat.moc"
