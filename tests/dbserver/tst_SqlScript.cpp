// Splitting of SQL scripts, the built-in scripts themselves, and socket path choice.

#include <console/dbserver/PrivateServer.h>
#include <console/dbserver/Schema.h>
#include <dataset/Connection.h>
#include <routines/PrivateFiles.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
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
        QTest::newRow("routine between delimiters")
            << "DELIMITER //\nCREATE PROCEDURE p() BEGIN SELECT 1; SELECT ';'; END //\n\ndelimiter ;\nSELECT 3;"
            << QStringList{"CREATE PROCEDURE p() BEGIN SELECT 1; SELECT ';'; END", "SELECT 3"};
        QTest::newRow("delimiter only at a statement's start")
            << "SELECT 1 AS delimiter; DELIMITER $$\nSELECT 2$$" << QStringList{"SELECT 1 AS delimiter", "SELECT 2"};
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

    // The socket is trusted only in a directory that is this user's alone; a long data
    // directory's socket lives wherever its note points, if that place is private too.
    void socketPath()
    {
        QTemporaryDir temp;
        const QString dir = temp.path();
        QCOMPARE(dbserver::PrivateServer::SocketPathFor(dir), dir + "/mysqld.sock");
        QCOMPARE(dbserver::PrivateServer::SocketPathFor(dir + "/"), dir + "/mysqld.sock");
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                               | QFile::ReadOther | QFile::ExeOther));
        QCOMPARE(dbserver::PrivateServer::SocketPathFor(dir), QString());
        QVERIFY(MakePrivateDirectory(dir));

        const QString longDir = dir + QLatin1Char('/') + QString(110, QLatin1Char('d'));
        QVERIFY(MakePrivateDirectory(longDir));
        QCOMPARE(dbserver::PrivateServer::SocketPathFor(longDir), QString());
        const QString socketDir = temp.filePath(QStringLiteral("s"));
        QVERIFY(MakePrivateDirectory(socketDir));
        QVERIFY(WritePrivateFile(longDir + "/socket.path", QFile::encodeName(socketDir) + "/mysqld.sock\n"));
        QCOMPARE(dbserver::PrivateServer::SocketPathFor(longDir), socketDir + "/mysqld.sock");
        QVERIFY(QFile::setPermissions(socketDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                     | QFile::WriteOther | QFile::ExeOther));
        QCOMPARE(dbserver::PrivateServer::SocketPathFor(longDir), QString());
    }
};

QTEST_GUILESS_MAIN(TestSqlScript)
#include "tst_SqlScript.moc"
