// The SQL-text pieces other floors build statements with: identifiers that may go into
// a statement unquoted, and LIKE patterns that match only the text typed.

#include <dataset/Error.h>
#include <dataset/SqlText.h>

#include <QtTest>

class TestSqlText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void checkedIdentifier_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("plain") << "parkingdocument" << true;
        QTest::newRow("mixed case, digits, underscore") << "Item_2" << true;
        QTest::newRow("leading underscore") << "_id" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("leading digit") << "2items" << false;
        QTest::newRow("blank inside") << "item id" << false;
        QTest::newRow("qualified") << "db.table" << false;
        QTest::newRow("backtick") << "a`b" << false;
        QTest::newRow("statement") << "x; DROP TABLE y" << false;
        QTest::newRow("comment") << "x--" << false;
        QTest::newRow("non-ASCII letter") << QStringLiteral("šifra") << false;
    }
    void checkedIdentifier()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        if (accepted) {
            QCOMPARE(dataset::CheckedIdentifier(name), name);
        } else {
            try {
                dataset::CheckedIdentifier(name);
                QFAIL("accepted");
            } catch (const dataset::Error &e) {
                QVERIFY(e.message().contains(name));
            }
        }
    }

    void escapeLike_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("plain") << QStringLiteral("Čačak 12") << QStringLiteral("Čačak 12");
        QTest::newRow("percent") << "100%"
                                 << "100\\%";
        QTest::newRow("underscore") << "a_b"
                                    << "a\\_b";
        QTest::newRow("backslash") << "a\\b"
                                   << "a\\\\b";
        QTest::newRow("all, repeated") << "%_\\%"
                                       << "\\%\\_\\\\\\%";
        QTest::newRow("quote left to the quoting") << "O'Neil"
                                                   << "O'Neil";
        QTest::newRow("empty") << ""
                               << "";
    }
    void escapeLike()
    {
        QFETCH(QString, text);
        QFETCH(QString, escaped);
        QCOMPARE(dataset::EscapeLike(text), escaped);
    }
};

QTEST_GUILESS_MAIN(TestSqlText)
#include "tst_sqltext.moc"
