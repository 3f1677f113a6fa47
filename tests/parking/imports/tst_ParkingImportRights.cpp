#include "ImportTestFiles.h"
#include <console/dbserver/PrivateServer.h>
#include <console/dbserver/Schema.h>
#include <dataset/Connection.h>
#include <dataset/Query.h>
#include <parking/imports/ImportError.h>
#include <parking/imports/SubscriptionImportJob.h>
#include <parking/imports/TicketImportJob.h>
#include <tests/support/TestDatabase.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

#include <memory>

using namespace imports;

// What the imports tell the operator when the server refuses them something they need:
// a right the table swap needs, or sending the file to load.
class TestImportRights : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void missingRightNamed_data();
    void missingRightNamed();
    void localLoadingRefused();
};

namespace {

const QString kRightsMessage = QStringLiteral("Nalog baze nema pravo potrebno za uvoz (uvoz traži CREATE, DROP i "
                                              "ALTER uz SELECT, INSERT, UPDATE i DELETE).");
const QString kLocalLoadMessage =
    QStringLiteral("Server baze ne dozvoljava učitavanje lokalne datoteke (LOAD DATA LOCAL INFILE); "
                   "uključite local_infile=ON na serveru.");
const QString kUnchanged = QStringLiteral("Sadržaj tabela je ostao nepromenjen.");

const QByteArray kSubscriptions = "broj,reg,od,do,ime,prezime,jmbg,zona,lista,x,status\r\n"
                                  "P1,BG1,2024-01-01,2024-01-31,Ana,Ban,1,Z,L,,aktivna\r\n";
const QByteArray kTickets = "vreme_izdavanja_DK,id_DK,id_zone,reg_oznaka,cena_DK,status_doplatne,"
                            "vreme_slanja_opomene,uplaceni_iznos,datum_uplate,JMBG,ime_i_prezime,"
                            "ulica,broj,mesto,PTTbroj,parkiraliste,datum_storniranja,ID_kontrolora\r\n"
                            "2024-05-01 10:00:00,T1,1,BG123AA,300,1,,0,,0101990710000,Pera Peric,"
                            "Glavna,12,Beograd,11000,4,,K7\r\n";

std::unique_ptr<ImportJob> Job(const QString &kind)
{
    if (kind == QLatin1String("subscriptions"))
        return std::make_unique<SubscriptionImportJob>();
    return std::make_unique<TicketImportJob>();
}

QString Export(const QTemporaryDir &dir, const QString &kind)
{
    return WriteTestFile(dir, kind + QStringLiteral(".csv"),
                         kind == QLatin1String("subscriptions") ? kSubscriptions : kTickets);
}

// Every row of the tables 'kind' replaces, as text.
QStringList Content(dataset::Connection &connection, const QString &kind)
{
    const QStringList tables =
        kind == QLatin1String("subscriptions") ? SubscriptionImportJob::Tables() : TicketImportJob::Tables();
    QStringList rows;
    for (const QString &table : tables) {
        dataset::Query query;
        query.SetConnection(&connection);
        query.SQL() << QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2").arg(table);
        query.Open();
        for (; !query.Eof(); query.Next()) {
            QStringList values{table};
            for (int i = 0; i < query.FieldCount(); ++i)
                values << query.Fields(i).AsString();
            rows << values.join(QLatin1Char('|'));
        }
    }
    return rows;
}

// An account of the test server with only 'rights' on the test's database, dropped
// with the object.
class LimitedAccount {
public:
    LimitedAccount(TestDatabase &db, const QString &rights)
        : m_admin(db.connection())
        , m_user(QStringLiteral("t_limited_%1").arg(QCoreApplication::applicationPid()))
        , m_params(db.params())
    {
        m_params.user = m_user;
        m_params.password = QUuid::createUuid().toString(QUuid::WithoutBraces);
        m_admin.Execute(QStringLiteral("DROP USER IF EXISTS %1").arg(Account()));
        m_admin.Execute(QStringLiteral("CREATE USER %1 IDENTIFIED BY %2")
                            .arg(Account(), dataset::Connection::Quote(m_params.password)));
        m_admin.Execute(QStringLiteral("GRANT %1 ON %2.* TO %3")
                            .arg(rights, dataset::Connection::QuoteIdentifier(db.name()), Account()));
    }
    ~LimitedAccount()
    {
        try {
            m_admin.Execute(QStringLiteral("DROP USER IF EXISTS %1").arg(Account()));
        } catch (const std::exception &error) {
            qWarning("account %s not dropped: %s", qPrintable(m_user), error.what());
        }
    }
    LimitedAccount(const LimitedAccount &) = delete;
    LimitedAccount &operator=(const LimitedAccount &) = delete;

    const dataset::ConnectionParams &Params() const { return m_params; }

private:
    QString Account() const { return dataset::Connection::Quote(m_user) + QStringLiteral("@'localhost'"); }

    dataset::Connection &m_admin;
    QString m_user;
    dataset::ConnectionParams m_params;
};

// Runs the import of 'kind' and returns its error message; fails the test when it is
// accepted.
QString Refusal(const QString &kind, const QString &file, const dataset::ConnectionParams &params)
{
    const std::unique_ptr<ImportJob> job = Job(kind);
    try {
        RunImport(*job, file, params);
    } catch (const ImportError &error) {
        return error.message();
    }
    return QStringLiteral("<accepted>");
}

} // namespace

void TestImportRights::missingRightNamed_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("rights");
    // CREATE makes the fresh copy, ALTER names its import, DROP is needed by the swap.
    QTest::newRow("subscriptions, data rights only") << "subscriptions" << "SELECT, INSERT, UPDATE, DELETE";
    QTest::newRow("subscriptions without CREATE") << "subscriptions" << "SELECT, INSERT, UPDATE, DELETE, DROP, ALTER";
    QTest::newRow("subscriptions without DROP") << "subscriptions" << "SELECT, INSERT, UPDATE, DELETE, CREATE, ALTER";
    QTest::newRow("subscriptions without ALTER") << "subscriptions" << "SELECT, INSERT, UPDATE, DELETE, CREATE, DROP";
    QTest::newRow("tickets, data rights only") << "tickets" << "SELECT, INSERT, UPDATE, DELETE";
    QTest::newRow("tickets without DROP") << "tickets" << "SELECT, INSERT, UPDATE, DELETE, CREATE, ALTER";
}

void TestImportRights::missingRightNamed()
{
    QFETCH(QString, kind);
    QFETCH(QString, rights);
    TestDatabase db(true);
    const QStringList before = Content(db.connection(), kind);
    QTemporaryDir dir;
    const LimitedAccount account(db, rights);
    const QString message = Refusal(kind, Export(dir, kind), account.Params());
    QVERIFY2(message.contains(kRightsMessage), qPrintable(message));
    QVERIFY2(message.contains(kUnchanged), qPrintable(message));
    QCOMPARE(Content(db.connection(), kind), before);
}

// On a server of its own, started with local loading switched off.
void TestImportRights::localLoadingRefused()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    dbserver::ServerOptions options;
    options.extraArguments << QStringLiteral("--local-infile=0");
    dbserver::PrivateServer server(dir.filePath(QStringLiteral("db")), options);
    server.Start();
    struct Stop {
        dbserver::PrivateServer &server;
        ~Stop() { server.Stop(); }
    } stop{server};
    dataset::Connection admin;
    admin.Connect(server.ConnectionParams());
    dbserver::CreateDatabase(admin, QStringLiteral("rights"), true);
    admin.Connect(server.ConnectionParams(QStringLiteral("rights")));
    for (const QString &kind : {QStringLiteral("subscriptions"), QStringLiteral("tickets")}) {
        const QStringList before = Content(admin, kind);
        const QString message = Refusal(kind, Export(dir, kind), server.ConnectionParams(QStringLiteral("rights")));
        QVERIFY2(message.contains(kLocalLoadMessage), qPrintable(kind + QStringLiteral(": ") + message));
        QVERIFY2(message.contains(kUnchanged), qPrintable(message));
        QCOMPARE(Content(admin, kind), before);
    }
}

QTEST_GUILESS_MAIN(TestImportRights)
#include "tst_ParkingImportRights.moc"
