#include "Scalar.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/SaveToken.h>
#include <dataset/Transaction.h>
#include <dataset/UnitOfWork.h>
#include <tests/support/CommitCutProxy.h>
#include <tests/support/TestDatabase.h>

#include <QTest>

using namespace dataset;

// Whole units of work run again after the errors a busy server or a cluster gives, and
// readers read once more after a deadlock. The server's errors are raised by stored
// routines (SIGNAL with the server's own code), a lost link by KILL or by a proxy.
class TestUnitOfWork : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void refusedCommitRunsAgain();
    void lostLinkRunsAgainOnNewSession();
    void otherErrorsEndAtOnce();
    void limitStoresNothing();
    void innerUnitLeavesRetryToOuter();
    void lostCommitToldByToken();
    void serverOutOfReachEndsAtOnce();
    void readerReadsOnceMoreAfterDeadlock();
};

namespace {

constexpr RetryLimits kQuick{4, 5};

// A table of saves with a token column, and a procedure raising any server error.
void Prepare(Connection &c)
{
    c.Execute(QStringLiteral("CREATE TABLE saves (id INT AUTO_INCREMENT PRIMARY KEY, what VARCHAR(20) NOT NULL,"
                             " savetoken CHAR(32) NULL UNIQUE) ENGINE=InnoDB"));
    c.Execute(QStringLiteral("CREATE PROCEDURE fail_with(code INT) BEGIN"
                             " SIGNAL SQLSTATE 'HY000' SET MYSQL_ERRNO = code, MESSAGE_TEXT = 'raised by the test';"
                             " END"));
}

int Count(Connection &c, const QString &table = QStringLiteral("saves"))
{
    return Scalar(c, QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt();
}

} // namespace

// A node outside its cluster refuses the COMMIT (1180, raised here by a trigger on the
// first try): the whole unit runs again and stores its row once.
void TestUnitOfWork::refusedCommitRunsAgain()
{
    TestDatabase db;
    Connection &c = db.connection();
    Prepare(c);
    c.Execute(QStringLiteral("CREATE TRIGGER saves_refused BEFORE INSERT ON saves FOR EACH ROW BEGIN"
                             " SET @inserts = COALESCE(@inserts, 0) + 1;"
                             " IF @inserts = 1 THEN SIGNAL SQLSTATE 'HY000' SET MYSQL_ERRNO = 1180,"
                             " MESSAGE_TEXT = 'Got error 6 \"Not connected to Primary Component\" during COMMIT';"
                             " END IF; END"));
    int tries = 0;
    RetryUnitOfWork(
        c,
        [&] {
            ++tries;
            Transaction transaction(c);
            c.Execute(QStringLiteral("INSERT INTO saves (what) VALUES ('one')"));
            transaction.Commit();
        },
        kQuick);
    QCOMPARE(tries, 2);
    QCOMPARE(Count(c), 1);
    QVERIFY(!c.InTransaction());
}

// The session is killed in the middle of the unit: the next try connects again and
// stores everything; the first try's row went with its session.
void TestUnitOfWork::lostLinkRunsAgainOnNewSession()
{
    TestDatabase db;
    Connection &c = db.connection();
    Prepare(c);
    Connection killer;
    killer.Connect(db.params());
    int tries = 0;
    RetryUnitOfWork(
        c,
        [&] {
            Transaction transaction(c);
            c.Execute(QStringLiteral("INSERT INTO saves (what) VALUES ('first')"));
            if (++tries == 1)
                killer.Execute(QStringLiteral("KILL %1").arg(c.ThreadId()));
            c.Execute(QStringLiteral("INSERT INTO saves (what) VALUES ('second')"));
            transaction.Commit();
        },
        kQuick);
    QCOMPARE(tries, 2);
    QCOMPARE(
        Scalar(killer,
               QStringLiteral("SELECT GROUP_CONCAT(what ORDER BY id) FROM ") + db.name() + QStringLiteral(".saves")),
        QStringLiteral("first,second"));
}

// An error that another try cannot cure ends the unit at once, with its own text.
void TestUnitOfWork::otherErrorsEndAtOnce()
{
    TestDatabase db;
    Connection &c = db.connection();
    Prepare(c);
    int tries = 0;
    try {
        RetryUnitOfWork(
            c,
            [&] {
                ++tries;
                Transaction transaction(c);
                c.Execute(QStringLiteral("INSERT INTO saves (what) VALUES ('x')"));
                c.Execute(QStringLiteral("CALL fail_with(1205)"));
                transaction.Commit();
            },
            kQuick);
        QFAIL("no error");
    } catch (const DatabaseError &e) {
        QCOMPARE(e.serverCode(), 1205u);
        QVERIFY(!e.message().contains(QStringLiteral("Ništa nije snimljeno")));
    }
    QCOMPARE(tries, 1);
    QCOMPARE(Count(c), 0);
}

// A unit refused on every try gives up after the limit with a message saying nothing
// was stored, and nothing is.
void TestUnitOfWork::limitStoresNothing()
{
    TestDatabase db;
    Connection &c = db.connection();
    Prepare(c);
    int tries = 0;
    try {
        RetryUnitOfWork(
            c,
            [&] {
                ++tries;
                Transaction transaction(c);
                c.Execute(QStringLiteral("INSERT INTO saves (what) VALUES ('x')"));
                c.Execute(QStringLiteral("CALL fail_with(1213)"));
                transaction.Commit();
            },
            kQuick);
        QFAIL("no error");
    } catch (const DatabaseError &e) {
        QCOMPARE(e.serverCode(), 1213u);
        QVERIFY2(e.message().startsWith(QStringLiteral(
                     "Ništa nije snimljeno: posao je prekinut 4 puta zaredom. Pokušajte ponovo malo kasnije.")),
                 qPrintable(e.message()));
    }
    QCOMPARE(tries, kQuick.tries);
    QCOMPARE(Count(c), 0);
    QVERIFY(!c.InTransaction());
}

// Inside an open transaction only the outermost unit may start the work again: the
// inner one runs once and passes the error on.
void TestUnitOfWork::innerUnitLeavesRetryToOuter()
{
    TestDatabase db;
    Connection &c = db.connection();
    Prepare(c);
    int inner = 0;
    int outer = 0;
    try {
        RetryUnitOfWork(
            c,
            [&] {
                ++outer;
                Transaction transaction(c);
                RetryUnitOfWork(
                    c,
                    [&] {
                        ++inner;
                        c.Execute(QStringLiteral("CALL fail_with(1213)"));
                    },
                    kQuick);
                transaction.Commit();
            },
            kQuick);
        QFAIL("no error");
    } catch (const DatabaseError &e) {
        QCOMPARE(e.serverCode(), 1213u);
    }
    QCOMPARE(outer, kQuick.tries);
    QCOMPARE(inner, kQuick.tries);
}

// The reply to COMMIT is lost and the server cannot be asked within the link's timeout:
// the outcome is unknown, and said so; the unit is not run again (that could only store
// it twice) and no message claims nothing was stored. Once the server answers again, the
// same save (same token) finds its row instead of storing a second one.
void TestUnitOfWork::lostCommitToldByToken()
{
    TestDatabase db;
    Prepare(db.connection());
    CommitCutProxy proxy(db.params().socket);
    Connection link;
    link.Connect(proxy.Params(db.params()));
    const SaveToken token(QStringLiteral("saves"), QStringLiteral("id"));
    const auto save = [&] {
        Transaction transaction(link);
        link.Execute(QStringLiteral("INSERT INTO saves (what) VALUES ('paid')"));
        token.Stamp(link, link.LastInsertId());
        token.Commit(transaction, link);
    };
    proxy.CutNextCommit(CommitCutProxy::Cut::AfterCommitThenRefuse);
    int tries = 0;
    try {
        RetryUnitOfWork(
            link,
            [&] {
                ++tries;
                save();
            },
            kQuick);
        QFAIL("the outcome was known although the server could not be asked");
    } catch (const OutcomeUnknown &unknown) {
        QVERIFY2(unknown.message().startsWith(QStringLiteral("Nije poznato da li je dokument snimljen")),
                 qPrintable(unknown.message()));
    }
    QCOMPARE(tries, 1);
    QVERIFY(proxy.Done());
    proxy.AcceptAgain();
    try {
        RetryUnitOfWork(link, save, kQuick);
        QFAIL("stored twice");
    } catch (const AlreadySaved &saved) {
        QCOMPARE(saved.key(), Scalar(db.connection(), QStringLiteral("SELECT id FROM saves")).toLongLong());
    }
    QCOMPARE(Count(db.connection()), 1);
}

// The link breaks and connecting again finds nobody listening: the unit ends with the
// connect's error after that one new try instead of waiting out every try.
void TestUnitOfWork::serverOutOfReachEndsAtOnce()
{
    TestDatabase db;
    auto proxy = std::make_unique<CommitCutProxy>(db.params().socket);
    Connection link;
    link.Connect(proxy->Params(db.params()));
    link.Execute(QStringLiteral("DO 1"));
    proxy.reset();
    int tries = 0;
    try {
        RetryUnitOfWork(
            link,
            [&] {
                ++tries;
                Transaction transaction(link);
                transaction.Commit();
            },
            kQuick);
        QFAIL("no error");
    } catch (const DatabaseError &e) {
        QVERIFY2(e.serverCode() == 2002 || e.serverCode() == 2003, qPrintable(e.message()));
    }
    QCOMPARE(tries, 2);
}

// A read chosen as a deadlock's victim (raised here by a function on its first call) is
// read once more outside a transaction; a second refusal, or one inside a transaction
// (which the deadlock has undone), is the caller's.
void TestUnitOfWork::readerReadsOnceMoreAfterDeadlock()
{
    TestDatabase db;
    Connection &c = db.connection();
    c.Execute(QStringLiteral("CREATE FUNCTION flaky(failures INT) RETURNS INT NOT DETERMINISTIC BEGIN"
                             " SET @reads = COALESCE(@reads, 0) + 1;"
                             " IF @reads <= failures THEN SIGNAL SQLSTATE '40001' SET MYSQL_ERRNO = 1213,"
                             " MESSAGE_TEXT = 'Deadlock found when trying to get lock'; END IF;"
                             " RETURN @reads; END"));
    Query read;
    read.SetConnection(&c);
    read.SQL() << QStringLiteral("SELECT flaky(:failures) AS n");
    read.SetParam(QStringLiteral("failures"), 1);
    read.Open();
    QCOMPARE(read.Fields(0).AsInteger(), 2);
    read.Close();

    c.Execute(QStringLiteral("SET @reads = 0"));
    read.SetParam(QStringLiteral("failures"), 2);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, read.Open());

    c.Execute(QStringLiteral("SET @reads = 0"));
    read.SetParam(QStringLiteral("failures"), 1);
    {
        Transaction transaction(c);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, read.Open());
    }
    QCOMPARE(Scalar(c, QStringLiteral("SELECT @reads")).toInt(), 1);
}

QTEST_GUILESS_MAIN(TestUnitOfWork)
#include "tst_unitofwork.moc"
