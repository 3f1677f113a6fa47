#include "Scalar.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <dataset/Transaction.h>
#include <tests/support/TestDatabase.h>

#include <QSignalSpy>
#include <QScopeGuard>
#include <QTest>

#include <optional>

using namespace dataset;

// Live editing: what posts write, defaults, required fields, events.
class TestEditing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void changedColumnsOnly();
    void lostUpdateRefused_data();
    void lostUpdateRefused();
    void joinAndExpressionColumnsNeverWritten();
    void generatedKeyAfterInsert();
    void calculatedDefaults();
    void requiredFieldRefused();
    void requiredMarkIgnoredOnUnwrittenColumns();
    void textCutToSize_data();
    void textCutToSize();
    void cutReportedForEveryWriter_data();
    void cutReportedForEveryWriter();
    void invalidValuesRefused_data();
    void invalidValuesRefused();
    void readOnlyRefusesEdits();
    void rowInUseNamedInWords();
    void textKeyTable();
    void unchangedInsertCancelledOnScroll();
    void eventsChainAndRestore();
    void beforeHandlerAborts();
    void sortKeptOnEditAndAppend();
    void newestFirstFollowsPostsAndBookmarks();
    void controlsDisabledNest();
};

namespace {

FieldDef def(const QString &name, FieldType type, int size = 0, bool required = false, const QString &label = {})
{
    FieldDef d;
    d.name = name;
    d.type = type;
    d.size = size;
    d.required = required;
    d.displayLabel = label;
    return d;
}

void openLive(Query &query, Connection &c, const QString &sql)
{
    query.SetConnection(&c);
    query.SQL() = sql.split(QLatin1Char('\n'));
    query.SetRequestLive(true);
    query.Open();
}

void addDocument(Connection &c, int id, const QString &number)
{
    c.Execute(QStringLiteral("INSERT INTO parkingdocument (parkingdocumentid, number, documentdatetime, cityreg)"
                             " VALUES (%1, %2, '2013-05-01 10:00:00', 'BG')")
                  .arg(id)
                  .arg(Connection::Quote(number)));
}

} // namespace

void TestEditing::changedColumnsOnly()
{
    TestDatabase db;
    addDocument(db.connection(), 7, QStringLiteral("1/13"));
    Query query;
    openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingdocument"));
    // Another user changes a column after we read the row; our post must not undo it.
    Connection other;
    other.Connect(db.params());
    other.Execute(QStringLiteral("UPDATE parkingdocument SET city = 'Niš', cityreg = 'NI' WHERE parkingdocumentid = 7"));

    query.Edit();
    query.FieldByName(QStringLiteral("firstname")).SetAsString(QStringLiteral("Ana"));
    query.FieldByName(QStringLiteral("lastname")).SetAsString(QStringLiteral("O'Brien\\"));
    query.Post();
    QCOMPARE(query.State(), DataSetState::Browse);
    QCOMPARE(Scalar(other, QStringLiteral("SELECT CONCAT_WS('|', firstname, lastname, city, cityreg) FROM parkingdocument")),
             QStringLiteral("Ana|O'Brien\\|Niš|NI"));
    // The row is found by its key alone: stale values in other columns do not matter.
    query.Edit();
    query.FieldByName(QStringLiteral("zip")).SetAsString(QStringLiteral("11000"));
    query.Post();
    QCOMPARE(Scalar(other, QStringLiteral("SELECT zip FROM parkingdocument WHERE parkingdocumentid = 7")),
             QStringLiteral("11000"));
}

void TestEditing::lostUpdateRefused_data()
{
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("remove");
    QTest::newRow("edit of a deleted row") << "DELETE FROM parkingdocument" << false;
    QTest::newRow("edit of a field changed meanwhile") << "UPDATE parkingdocument SET firstname = 'Mira'" << false;
    QTest::newRow("delete of a deleted row") << "DELETE FROM parkingdocument" << true;
}

// A row changed or deleted by another user after we read it is not overwritten: the
// write fails with a message the user can act on, and our edit stays as typed.
void TestEditing::lostUpdateRefused()
{
    QFETCH(QString, other);
    QFETCH(bool, remove);
    TestDatabase db;
    addDocument(db.connection(), 7, QStringLiteral("1/13"));
    Query query;
    openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingdocument"));
    Connection second;
    second.Connect(db.params());
    second.Execute(other);
    try {
        if (remove) {
            query.Delete();
        } else {
            query.Edit();
            query.FieldByName(QStringLiteral("firstname")).SetAsString(QStringLiteral("Ana"));
            query.Post();
        }
        QFAIL("the write went through");
    } catch (const Error &e) {
        QCOMPARE(e.message(), QStringLiteral("Zapis je u međuvremenu izmenio ili obrisao drugi korisnik. Osvežite podatke."));
    }
    QCOMPARE(query.RecordCount(), 1);
    if (!remove) {
        QCOMPARE(query.State(), DataSetState::Edit);
        QCOMPARE(query.FieldByName(QStringLiteral("firstname")).AsString(), QStringLiteral("Ana"));
    }
    QVERIFY(Scalar(second, QStringLiteral("SELECT COALESCE(MAX(firstname), '-') FROM parkingdocument")) != QStringLiteral("Ana"));
}

void TestEditing::joinAndExpressionColumnsNeverWritten()
{
    TestDatabase db;
    addDocument(db.connection(), 1, QStringLiteral("1/13"));
    db.connection().Execute(QStringLiteral(
        "INSERT INTO parkingdocumentitem (quantity, price, itemvalue, taxid, taxvalue, productid, parkingdocumentid)"
        " VALUES (1, 100, 100, 1, 20, 1, 1)"));
    Query query;
    openLive(query, db.connection(),
             QStringLiteral("SELECT pdi.*, ROUND(pdi.itemvalue * (1 + pdi.taxvalue/100),2) AS ItemTotal,\n"
                            "  CONCAT(pd.number,'') AS Partner, pd.cityreg\n"
                            "FROM parkingdocumentitem AS pdi\n"
                            "  LEFT JOIN parkingdocument AS pd ON pd.parkingdocumentid = pdi.parkingdocumentid"));
    query.Edit();
    query.FieldByName(QStringLiteral("ItemTotal")).SetAsFloat(999);
    query.FieldByName(QStringLiteral("Partner")).SetAsString(QStringLiteral("x"));
    query.FieldByName(QStringLiteral("cityreg")).SetAsString(QStringLiteral("ZZ"));
    query.FieldByName(QStringLiteral("itemvalue")).SetAsFloat(50);
    query.Post();
    // Kept in the row, never written.
    QCOMPARE(query.FieldByName(QStringLiteral("ItemTotal")).AsFloat(), 999.0);
    QCOMPARE(query.FieldByName(QStringLiteral("cityreg")).AsString(), QStringLiteral("ZZ"));
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT CONCAT(pdi.itemvalue, '|', pd.cityreg, '|', pd.number)"
                                                    " FROM parkingdocumentitem pdi JOIN parkingdocument pd USING (parkingdocumentid)")),
             QStringLiteral("50|BG|1/13"));

    query.Append();
    query.FieldByName(QStringLiteral("ItemTotal")).SetAsFloat(1);
    query.FieldByName(QStringLiteral("cityreg")).SetAsString(QStringLiteral("NS"));
    query.FieldByName(QStringLiteral("parkingdocumentid")).SetAsInteger(1);
    query.FieldByName(QStringLiteral("taxid")).SetAsInteger(1);
    query.FieldByName(QStringLiteral("productid")).SetAsInteger(1);
    query.Post();
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem")), QStringLiteral("2"));
    query.Delete();
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem")), QStringLiteral("1"));
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT COUNT(*) FROM parkingdocument")), QStringLiteral("1"));
}

void TestEditing::generatedKeyAfterInsert()
{
    TestDatabase db;
    Query query;
    openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingzoneframe ORDER BY zone, sector, parkingzoneframeid"));
    for (const char *street : {"Kneza Miloša", "Takovska"}) {
        query.Append();
        query.FieldByName(QStringLiteral("zone")).SetAsString(QStringLiteral("1"));
        query.FieldByName(QStringLiteral("street")).SetAsString(QString::fromUtf8(street));
        QVERIFY(query.FieldByName(QStringLiteral("parkingzoneframeid")).IsNull());
        query.Post();
        const QString key = query.FieldByName(QStringLiteral("parkingzoneframeid")).AsString();
        QVERIFY(!key.isEmpty());
        QCOMPARE(key, Scalar(db.connection(), QStringLiteral("SELECT MAX(parkingzoneframeid) FROM parkingzoneframe")));
        QCOMPARE(QString::number(db.connection().LastInsertId()), key);
    }
    // The key found after the insert locates the row for later edits.
    query.Edit();
    query.FieldByName(QStringLiteral("sector")).SetAsString(QStringLiteral("2"));
    query.Post();
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT street FROM parkingzoneframe WHERE sector = '2'")),
             QStringLiteral("Takovska"));
}

void TestEditing::calculatedDefaults()
{
    TestDatabase db;
    Query query;
    QString seenZone;
    query.OnNewRecord = [&seenZone](Query &q) {
        seenZone = q.FieldByName(QStringLiteral("zone")).AsString();
        q.FieldByName(QStringLiteral("status")).SetAsInteger(3);
    };
    openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingticket"));
    query.Append();
    QCOMPARE(query.State(), DataSetState::Insert);
    QCOMPARE(seenZone, QStringLiteral("0"));
    QVERIFY(!query.FieldByName(QStringLiteral("name")).IsNull());
    QVERIFY(query.FieldByName(QStringLiteral("ticketdate")).IsNull());
    QVERIFY(query.FieldByName(QStringLiteral("parkingticketid")).IsNull());
    QCOMPARE(query.FieldByName(QStringLiteral("status")).AsInteger(), 3);
    QVERIFY(!query.Modified());
    QCOMPARE(query.RecordCount(), 1);
}

void TestEditing::requiredFieldRefused()
{
    TestDatabase db;
    Query query;
    query.SetFieldDefs({def(QStringLiteral("number"), FieldType::String, 30, true, QStringLiteral("Broj")),
                        def(QStringLiteral("cityreg"), FieldType::String, 3, true, QStringLiteral("Ozn. grada")),
                        def(QStringLiteral("parkingdocumentid"), FieldType::Key, 0, true)});
    openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingdocument WHERE parkingdocumentid = -1"));
    query.Append();
    query.FieldByName(QStringLiteral("number")).SetAsString(QStringLiteral("1/13"));
    query.FieldByName(QStringLiteral("documentdatetime")).SetAsDateTime(QDateTime(QDate(2013, 5, 1), QTime(9, 0)));
    try {
        query.Post();
        QFAIL("post accepted an empty required field");
    } catch (const Error &error) {
        QCOMPARE(error.message(), QStringLiteral("Polje 'Ozn. grada' mora imati vrednost."));
    }
    QCOMPARE(query.State(), DataSetState::Insert);
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT COUNT(*) FROM parkingdocument")), QStringLiteral("0"));
    query.FieldByName(QStringLiteral("cityreg")).SetAsString(QStringLiteral("BG"));
    query.Post();
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT cityreg FROM parkingdocument")), QStringLiteral("BG"));
}

// Expressions and joined display columns are never written, so their required
// mark cannot stop a post; a written column's mark still does.
void TestEditing::requiredMarkIgnoredOnUnwrittenColumns()
{
    TestDatabase db;
    Query query;
    query.SetFieldDefs({def(QStringLiteral("Total"), FieldType::Real, 0, true),
                        def(QStringLiteral("UserName"), FieldType::String, 50, true),
                        def(QStringLiteral("cityreg"), FieldType::String, 3, true, QStringLiteral("Ozn. grada"))});
    openLive(query, db.connection(),
             QStringLiteral("SELECT pd.*, 0.0 AS Total, u.username AS UserName FROM parkingdocument AS pd\n"
                            "LEFT JOIN user AS u ON pd.userid = u.userid WHERE pd.parkingdocumentid = -1"));
    query.Append();
    query.FieldByName(QStringLiteral("number")).SetAsString(QStringLiteral("1/13"));
    query.FieldByName(QStringLiteral("documentdatetime")).SetAsDateTime(QDateTime(QDate(2013, 5, 1), QTime(9, 0)));
    QVERIFY_THROWS_EXCEPTION(Error, query.Post());
    query.FieldByName(QStringLiteral("cityreg")).SetAsString(QStringLiteral("BG"));
    query.Post();
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT COUNT(*) FROM parkingdocument")), QStringLiteral("1"));
}

void TestEditing::textCutToSize_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("declared 3") << "cityreg" << "ABCDE" << "ABC";
    QTest::newRow("declared without size: 20") << "licensenumber" << QString(25, QLatin1Char('x')) << QString(20, QLatin1Char('x'));
    QTest::newRow("from metadata") << "regnumber" << "123456789" << "12345678";
    QTest::newRow("letters not bytes") << "countryreg" << "ŠĐČĆŽ" << "ŠĐČĆ";
    // Characters as the server counts them: one outside the basic plane is one, never split.
    QTest::newRow("pictographs whole") << "cityreg" << "😀🚗…x" << "😀🚗…";
    QTest::newRow("pictograph at the edge") << "cityreg" << "ab😀🚗" << "ab😀";
    QTest::newRow("pictographs fit") << "cityreg" << "😀😀😀" << "😀😀😀";
}

void TestEditing::textCutToSize()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    TestDatabase db;
    Query query;
    query.SetFieldDefs({def(QStringLiteral("cityreg"), FieldType::String, 3),
                        def(QStringLiteral("licensenumber"), FieldType::String)});
    openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingdocument"));
    query.Append();
    query.FieldByName(QStringLiteral("number")).SetAsString(QStringLiteral("1"));
    query.FieldByName(QStringLiteral("documentdatetime")).SetAsString(QStringLiteral("2013-05-01 10:00:00"));
    QSignalSpy cut(&query, &Query::valueCut);
    query.FieldByName(field).SetAsString(value);
    QCOMPARE(query.FieldByName(field).AsString(), expected);
    QCOMPARE(cut.count(), value == expected ? 0 : 1);
    query.Post();
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT %1 FROM parkingdocument").arg(field)), expected);
}

void TestEditing::cutReportedForEveryWriter_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("error"); // empty: stored whole
    QTest::addColumn<int>("rows");
    QTest::newRow("posted field") << "post"
                                  << "123456789"
                                  << "polja \"regnumber\" ima više od 8 znakova" << 0;
    QTest::newRow("posted field that fits") << "post"
                                            << "12345678"
                                            << "" << 1;
    QTest::newRow("statement in a transaction") << "transaction"
                                                << "123456789"
                                                << "polje \"regnumber\" ne staje u bazu cela; ništa nije upisano" << 0;
    QTest::newRow("statement alone") << "statement"
                                     << "ŠĐČĆŽŠĐČĆ"
                                     << "upisana je skraćena" << 1;
    QTest::newRow("statement that fits") << "statement"
                                         << "ŠĐČĆŽŠĐČ"
                                         << "" << 1;
}

// A text longer than its column never reaches the table cut without a word, whoever
// writes it: a query's field without a form that tells of the cut is refused, and a
// statement the server cut throws, naming the field, so its transaction stores nothing.
void TestEditing::cutReportedForEveryWriter()
{
    QFETCH(QString, writer);
    QFETCH(QString, value);
    QFETCH(QString, error);
    QFETCH(int, rows);
    TestDatabase db;
    try {
        if (writer == QLatin1String("post")) {
            Query query;
            openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingdocument"));
            query.Append();
            query.FieldByName(QStringLiteral("number")).SetAsString(QStringLiteral("1"));
            query.FieldByName(QStringLiteral("documentdatetime")).SetAsString(QStringLiteral("2013-05-01 10:00:00"));
            query.FieldByName(QStringLiteral("regnumber")).SetAsString(value);
            query.Post();
        } else {
            std::optional<Transaction> transaction;
            if (writer == QLatin1String("transaction"))
                transaction.emplace(db.connection());
            Query insert;
            insert.SetConnection(&db.connection());
            insert.SQL() << QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, regnumber) "
                                           "VALUES ('1', '2013-05-01 10:00:00', :value)");
            insert.SetParam(QStringLiteral("value"), value);
            insert.ExecSQL();
            if (transaction)
                transaction->Commit();
        }
        QVERIFY2(error.isEmpty(), "the cut went unreported");
    } catch (const Error &e) {
        QVERIFY2(!error.isEmpty() && e.message().contains(error), qPrintable(e.message()));
    }
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT COUNT(*) FROM parkingdocument")).toInt(), rows);
    if (error.isEmpty())
        QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT regnumber FROM parkingdocument")), value);
}

void TestEditing::invalidValuesRefused_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("good");
    QTest::newRow("text into real") << "ticketprice" << QVariant(QStringLiteral("deset")) << "1,5";
    QTest::newRow("text into small int") << "zone" << QVariant(QStringLiteral("1x")) << "1";
    QTest::newRow("small int range") << "status" << QVariant(70000) << "-2";
    QTest::newRow("bad date") << "ticketdate" << QVariant(QStringLiteral("31.02.2013")) << "1.5.2013 10:20";
}

void TestEditing::invalidValuesRefused()
{
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(QString, good);
    TestDatabase db;
    Query query;
    openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingticket"));
    query.Append();
    Field &target = query.FieldByName(field);
    target.SetAsString(good);
    const QString accepted = target.AsString();
    QVERIFY(!accepted.isEmpty());
    QVERIFY_THROWS_EXCEPTION(Error, target.SetValue(value));
    QCOMPARE(target.AsString(), accepted);
}

// A delete the server refuses because other rows still point at the row is told in
// words, naming the table that uses it, without the server's constraint text.
void TestEditing::rowInUseNamedInWords()
{
    TestDatabase db;
    addDocument(db.connection(), 7, QStringLiteral("7/13"));
    db.connection().Execute(QStringLiteral("INSERT INTO parkingdocumentitem (parkingdocumentid, productcode) "
                                           "VALUES (7, 'DK1200')"));
    db.connection().Execute(QStringLiteral("CREATE TABLE parkingtestnote (id INT PRIMARY KEY, item BIGINT NOT NULL, "
                                           "FOREIGN KEY (item) REFERENCES parkingdocumentitem (parkingdocumentitemid)) "
                                           "ENGINE=InnoDB"));
    db.connection().Execute(QStringLiteral("INSERT INTO parkingtestnote SELECT 1, parkingdocumentitemid "
                                           "FROM parkingdocumentitem"));
    Query query;
    openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingdocument"));
    try {
        query.Delete();
        QFAIL("a row in use was deleted");
    } catch (const DatabaseError &error) {
        QCOMPARE(error.serverCode(), 1451u);
        QCOMPARE(error.message(), QStringLiteral("Zapis se ne može obrisati jer ga koriste drugi podaci (parkingtestnote)."));
    }
    // The words come from the caption the owner of the tables installed; without one, or
    // for a table it does not know, the table's own name is shown.
    const auto refused = [](const char *table) {
        return DatabaseError(QStringLiteral("Brisanje"),
                             QStringLiteral("Cannot delete or update a parent row: a foreign key constraint fails "
                                            "(`p`.`%1`, CONSTRAINT `c` FOREIGN KEY (`x`) REFERENCES "
                                            "`parkingdocument` (`x`))").arg(QLatin1String(table)),
                             1451).message();
    };
    QCOMPARE(refused("parkingdocumentitem"), QStringLiteral("Zapis se ne može obrisati jer ga koriste drugi podaci "
                                                            "(parkingdocumentitem)."));
    const TableCaption previous = SetTableCaption([](const QString &table) {
        return table == QLatin1String("parkingdocumentitem") ? QStringLiteral("stavke parking dokumenata") : QString();
    });
    const auto restore = qScopeGuard([&previous] { SetTableCaption(previous); });
    QCOMPARE(refused("parkingdocumentitem"), QStringLiteral("Zapis se ne može obrisati jer ga koriste drugi podaci "
                                                            "(stavke parking dokumenata)."));
    QCOMPARE(refused("parkingtestnote"), QStringLiteral("Zapis se ne može obrisati jer ga koriste drugi podaci "
                                                        "(parkingtestnote)."));
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT COUNT(*) FROM parkingdocument")), QStringLiteral("1"));
}

void TestEditing::readOnlyRefusesEdits()
{
    TestDatabase db;
    addDocument(db.connection(), 1, QStringLiteral("1/13"));
    Query query;
    query.SetConnection(&db.connection());
    query.SQL() << QStringLiteral("SELECT * FROM parkingdocument");
    query.Open();
    QVERIFY_THROWS_EXCEPTION(Error, query.Edit());
    QVERIFY_THROWS_EXCEPTION(Error, query.Append());
    QVERIFY_THROWS_EXCEPTION(Error, query.Delete());
    QVERIFY_THROWS_EXCEPTION(Error, query.FieldByName(QStringLiteral("city")).SetAsString(QStringLiteral("x")));
    QCOMPARE(query.State(), DataSetState::Browse);
    QCOMPARE(query.RecordCount(), 1);
}

void TestEditing::textKeyTable()
{
    TestDatabase db;
    Query query;
    openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingticketraw"));
    query.Append();
    query.FieldByName(QStringLiteral("id_DK")).SetAsString(QStringLiteral("DK-1"));
    query.FieldByName(QStringLiteral("cena_DK")).SetAsFloat(1200);
    query.Post();
    QCOMPARE(query.FieldByName(QStringLiteral("id_DK")).AsString(), QStringLiteral("DK-1"));
    query.Edit();
    query.FieldByName(QStringLiteral("mesto")).SetAsString(QStringLiteral("Beograd"));
    query.Post();
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT CONCAT(id_DK, '|', cena_DK, '|', mesto) FROM parkingticketraw")),
             QStringLiteral("DK-1|1200|Beograd"));
    query.Delete();
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT COUNT(*) FROM parkingticketraw")), QStringLiteral("0"));
}

void TestEditing::unchangedInsertCancelledOnScroll()
{
    TestDatabase db;
    addDocument(db.connection(), 1, QStringLiteral("1/13"));
    Query query;
    openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingdocument"));
    query.Append();
    QCOMPARE(query.RecordCount(), 2);
    query.First();
    QCOMPARE(query.State(), DataSetState::Browse);
    QCOMPARE(query.RecordCount(), 1);
    // A changed row is posted instead.
    query.Edit();
    query.FieldByName(QStringLiteral("city")).SetAsString(QStringLiteral("Subotica"));
    query.Last();
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT city FROM parkingdocument")), QStringLiteral("Subotica"));
}

void TestEditing::eventsChainAndRestore()
{
    TestDatabase db;
    addDocument(db.connection(), 1, QStringLiteral("1/13"));
    Query query;
    QStringList log;
    query.BeforePost = [&log](Query &) { log << QStringLiteral("module"); };
    openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingdocument"));

    // An editor hooks the event, calling the handler it found first, then puts it back.
    const DataSetNotifyEvent saved = query.BeforePost;
    query.BeforePost = [&log, saved](Query &q) {
        if (saved)
            saved(q);
        log << QStringLiteral("editor");
    };
    const QMetaObject::Connection afterPost = QObject::connect(&query, &Query::afterPost, [&log, &query] {
        log << QStringLiteral("after:%1").arg(query.FieldByName(QStringLiteral("city")).AsString());
    });
    query.Edit();
    query.FieldByName(QStringLiteral("city")).SetAsString(QStringLiteral("Kraljevo"));
    query.Post();
    QCOMPARE(log, (QStringList{"module", "editor", "after:Kraljevo"}));

    log.clear();
    query.BeforePost = saved;
    QObject::disconnect(afterPost);
    query.Edit();
    query.FieldByName(QStringLiteral("city")).SetAsString(QStringLiteral("Valjevo"));
    query.Post();
    QCOMPARE(log, QStringList{"module"});
}

void TestEditing::beforeHandlerAborts()
{
    TestDatabase db;
    addDocument(db.connection(), 1, QStringLiteral("1/13"));
    Query query;
    openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingdocument"));
    query.BeforePost = [](Query &) { throw Error(QStringLiteral("Broj dokumenta već postoji.")); };
    query.BeforeDelete = [](Query &) { throw Error(QStringLiteral("Brisanje nije dozvoljeno.")); };
    query.Edit();
    query.FieldByName(QStringLiteral("city")).SetAsString(QStringLiteral("Kraljevo"));
    QVERIFY_THROWS_EXCEPTION(Error, query.Post());
    QCOMPARE(query.State(), DataSetState::Edit);
    QCOMPARE(query.FieldByName(QStringLiteral("city")).AsString(), QStringLiteral("Kraljevo"));
    query.Cancel();
    QCOMPARE(query.FieldByName(QStringLiteral("city")).AsString(), QString(QLatin1String("")));
    QVERIFY_THROWS_EXCEPTION(Error, query.Delete());
    QCOMPARE(query.RecordCount(), 1);
    QCOMPARE(Scalar(db.connection(), QStringLiteral("SELECT CONCAT(COUNT(*), city) FROM parkingdocument")), QStringLiteral("1"));
}

void TestEditing::sortKeptOnEditAndAppend()
{
    TestDatabase db;
    db.connection().Execute(QStringLiteral("INSERT INTO parkingzoneframe (zone, sector, street) VALUES"
                                           " ('1', 'a', 'A'), ('2', 'a', 'B'), ('2', 'a', 'C'), ('3', 'a', 'D')"));
    Query query;
    query.SetSortedFields(QStringLiteral("zone"));
    openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingzoneframe ORDER BY parkingzoneframeid"));
    auto streets = [&query] {
        QString text;
        for (int row = 0; row < query.RecordCount(); ++row)
            text += query.RowValue(row, query.FieldByName(QStringLiteral("street")).Index()).toString();
        return text;
    };
    query.First();
    query.Edit();
    query.FieldByName(QStringLiteral("zone")).SetAsString(QStringLiteral("9"));
    query.Post();
    QCOMPARE(streets(), QStringLiteral("BCDA"));
    QCOMPARE(query.RecNo(), 4);
    QCOMPARE(query.FieldByName(QStringLiteral("street")).AsString(), QStringLiteral("A"));

    // Equal keys: the new row goes after the ones already there.
    query.Append();
    query.FieldByName(QStringLiteral("zone")).SetAsString(QStringLiteral("2"));
    query.FieldByName(QStringLiteral("street")).SetAsString(QStringLiteral("E"));
    query.Post();
    QCOMPARE(streets(), QStringLiteral("BCEDA"));
    QCOMPARE(query.RecNo(), 3);
    QCOMPARE(query.FieldByName(QStringLiteral("street")).AsString(), QStringLiteral("E"));
}

void TestEditing::newestFirstFollowsPostsAndBookmarks()
{
    TestDatabase db;
    db.connection().Execute(QStringLiteral(
        "INSERT INTO parkingdocument (parkingdocumentid, number, documentdatetime, cityreg) VALUES"
        " (1, '1/13', '2013-05-01 10:00:00', 'BG'), (2, '2/13', '2013-05-02 10:00:00', 'NS'),"
        " (3, '3/13', '2013-05-01 10:00:00', 'NI'), (4, '4/13', '2013-04-30 10:00:00', 'KG')"));
    Query query;
    query.SetSortedFields(QStringLiteral("documentdatetime DESC, parkingdocumentid DESC"));
    openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingdocument"));
    auto numbers = [&query] {
        QStringList list;
        for (int row = 0; row < query.RecordCount(); ++row)
            list << query.RowValue(row, query.FieldByName(QStringLiteral("number")).Index()).toString();
        return list.join(QLatin1Char(','));
    };
    QCOMPARE(numbers(), QStringLiteral("2/13,3/13,1/13,4/13"));
    query.SetRecNo(3);
    const Bookmark first = query.GetBookmark();

    // A new document at a time already taken learns its key from the server and goes
    // before the older key.
    query.Append();
    query.FieldByName(QStringLiteral("number")).SetAsString(QStringLiteral("5/13"));
    query.FieldByName(QStringLiteral("documentdatetime")).SetAsString(QStringLiteral("2013-05-01 10:00:00"));
    query.FieldByName(QStringLiteral("cityreg")).SetAsString(QStringLiteral("SU"));
    query.Post();
    QCOMPARE(numbers(), QStringLiteral("2/13,5/13,3/13,1/13,4/13"));
    QCOMPARE(query.RecNo(), 2);

    // Backdating the newest moves it to the end; the cursor goes with it.
    query.First();
    query.Edit();
    query.FieldByName(QStringLiteral("documentdatetime")).SetAsString(QStringLiteral("2013-01-01 00:00:00"));
    query.Post();
    QCOMPARE(numbers(), QStringLiteral("5/13,3/13,1/13,4/13,2/13"));
    QCOMPARE(query.RecNo(), 5);
    QCOMPARE(query.FieldByName(QStringLiteral("number")).AsString(), QStringLiteral("2/13"));

    QVERIFY(query.BookmarkValid(first));
    query.GotoBookmark(first);
    QCOMPARE(query.FieldByName(QStringLiteral("number")).AsString(), QStringLiteral("1/13"));
    QCOMPARE(query.RecNo(), 3);
}

void TestEditing::controlsDisabledNest()
{
    TestDatabase db;
    addDocument(db.connection(), 1, QStringLiteral("1/13"));
    addDocument(db.connection(), 2, QStringLiteral("2/13"));
    Query query;
    openLive(query, db.connection(), QStringLiteral("SELECT * FROM parkingdocument"));
    QSignalSpy dataSet(&query, &Query::dataSetChanged);
    QSignalSpy record(&query, &Query::recordChanged);
    QSignalSpy current(&query, &Query::currentChanged);
    int scrolls = 0;
    QObject::connect(&query, &Query::afterScroll, [&scrolls] { ++scrolls; });

    query.DisableControls();
    query.DisableControls();
    for (query.First(); !query.Eof(); query.Next()) {
        query.Edit();
        query.FieldByName(QStringLiteral("comment")).SetAsString(QStringLiteral("x"));
        query.Post();
    }
    query.EnableControls();
    QVERIFY(query.ControlsDisabled());
    QCOMPARE(dataSet.count() + record.count() + current.count(), 0);
    query.EnableControls();
    QVERIFY(!query.ControlsDisabled());
    QCOMPARE(dataSet.count(), 1);
    QCOMPARE(record.count(), 0);
    QCOMPARE(scrolls, 1);   // events still run while the views sleep

    query.Edit();
    record.clear();
    query.FieldByName(QStringLiteral("comment")).SetAsString(QStringLiteral("y"));
    QCOMPARE(record.count(), 1);
    QCOMPARE(record.at(0).at(0).toInt(), query.RecNo() - 1);
}

QTEST_GUILESS_MAIN(TestEditing)
#include "tst_editing.moc"
