// Splitting of SQL scripts, the built-in scripts themselves, and socket path choice.

#include "Connection.h"
#include "PrivateServer.h"
#include "Schema.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

class TestSqlScript : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void split_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("statements");

        QTest::newRow("plain") << "SELECT 1;\nSELECT 2;" << QStringList{"SELECT 1", "SELECT 2"};
        QTest::newRow("no final semicolon") << "SELECT 1; SELECT 2" << QStringList{"SELECT 1", "SELECT 2"};
        QTest::newRow("empty statements") << ";;\n ; SELECT 1;;" << QStringList{"SELECT 1"};
        QTest::newRow("semicolon in literal") << "INSERT INTO t VALUES ('a;b'); SELECT 2"
                                              << QStringList{"INSERT INTO t VALUES ('a;b')", "SELECT 2"};
        QTest::newRow("doubled quote") << "SELECT 'it''s; fine'; SELECT 2"
                                       << QStringList{"SELECT 'it''s; fine'", "SELECT 2"};
        QTest::newRow("backslash escape") << "SELECT 'a\\';b'; SELECT 2"
                                          << QStringList{"SELECT 'a\\';b'", "SELECT 2"};
        QTest::newRow("double-quoted") << "SELECT \"x;y\"; SELECT 2" << QStringList{"SELECT \"x;y\"", "SELECT 2"};
        QTest::newRow("backticks") << "SELECT `a;b` FROM t; SELECT 2" << QStringList{"SELECT `a;b` FROM t", "SELECT 2"};
        QTest::newRow("line comments") << "-- first; still comment\nSELECT 1; # other; comment\nSELECT 2;\n-- trailing"
                                       << QStringList{"SELECT 1", "SELECT 2"};
        QTest::newRow("block comment") << "/* a; b */ SELECT 1 /* ; */; SELECT 2"
                                       << QStringList{"SELECT 1", "SELECT 2"};
        QTest::newRow("double minus without blank") << "SELECT 3--1; SELECT 2" << QStringList{"SELECT 3--1", "SELECT 2"};
        QTest::newRow("comment markers in literal") << "SELECT '-- x; /* y */ # z'"
                                                    << QStringList{"SELECT '-- x; /* y */ # z'"};
        QTest::newRow("only comments") << "-- nothing\n/* here */" << QStringList{};
    }
    void split()
    {
        QFETCH(QString, script);
        QFETCH(QStringList, statements);
        QCOMPARE(dbserver::SplitSqlScript(script), statements);
    }

    // The scripts are built in and split into whole statements of the expected kinds.
    void builtInScripts()
    {
        const QStringList schema = dbserver::SplitSqlScript(dbserver::SchemaScript());
        QStringList tables;
        const QRegularExpression create(QStringLiteral("^CREATE TABLE IF NOT EXISTS (\\w+) \\("));
        for (const QString &statement : schema) {
            const auto match = create.match(statement);
            QVERIFY2(match.hasMatch(), qPrintable(statement.left(60)));
            tables << match.captured(1);
        }
        tables.sort();
        QCOMPARE(tables, (QStringList{"document", "documentitem", "parkingdocument", "parkingdocumentitem",
                                      "parkingsubscription", "parkingticket", "parkingticketraw",
                                      "parkingzoneframe", "partner", "product", "schemaversion", "tax",
                                      "user", "warehouse"}));

        const QStringList demo = dbserver::SplitSqlScript(dbserver::DemoDataScript());
        QVERIFY(!demo.isEmpty());
        for (const QString &statement : demo)
            QVERIFY2(statement.startsWith(QLatin1String("INSERT INTO ")), qPrintable(statement.left(60)));
    }

    void quoteIdentifier_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("plain") << "parking" << "`parking`";
        QTest::newRow("backtick") << "a`b" << "`a``b`";
        QTest::newRow("quote and semicolon") << "x'; DROP" << "`x'; DROP`";
    }
    void quoteIdentifier()
    {
        QFETCH(QString, name);
        QFETCH(QString, quoted);
        QCOMPARE(dataset::Connection::QuoteIdentifier(name), quoted);
    }

    void socketPath()
    {
        const QString shortDir = QStringLiteral("/tmp/pk/db");
        QCOMPARE(dbserver::PrivateServer::SocketPathFor(shortDir), shortDir + "/mysqld.sock");
        QCOMPARE(dbserver::PrivateServer::SocketPathFor(shortDir + "/"), shortDir + "/mysqld.sock");

        // A socket path longer than the kernel's limit moves to a short, stable name per directory.
        const QString longDir = QStringLiteral("/tmp/") + QString(110, QLatin1Char('d'));
        const QString moved = dbserver::PrivateServer::SocketPathFor(longDir);
        QVERIFY(moved.startsWith(QLatin1String("/tmp/parking-")));
        QVERIFY(QFile::encodeName(moved).size() <= 107);
        QCOMPARE(dbserver::PrivateServer::SocketPathFor(longDir), moved);
        QVERIFY(dbserver::PrivateServer::SocketPathFor(longDir + "x") != moved);

        // The limit is on bytes, not characters.
        const QString wideDir = QStringLiteral("/tmp/") + QString(50, QChar(0x0161));
        QVERIFY(QFile::encodeName(dbserver::PrivateServer::SocketPathFor(wideDir)).size() <= 107);
    }
};

QTEST_GUILESS_MAIN(TestSqlScript)
#include "tst_SqlScript.moc"
