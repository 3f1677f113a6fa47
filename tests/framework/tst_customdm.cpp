// The data-module base against a real database: field rules refusing posts with the
// right message, uniqueness, column value lists, the last insert id, the delete
// confirmation, and the grid sorter over a query.

#include <dataset/Connection.h>
#include <dataset/DataSource.h>
#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <framework/base/Abort.h>
#include <framework/base/CustomDM.h>
#include <framework/base/GridSorter.h>
#include <framework/common/ScriptedDialogService.h>
#include <tests/support/TestDatabase.h>

#include <QTest>
#include <functional>

namespace {

const QString kRequired = QStringLiteral("Polje '%s' mora biti popunjeno.");
const QString kInvalid = QStringLiteral("Polje '%s' nije ispravno.");

dataset::FieldDef TextDef(const QString &name, int size, const QString &label)
{
    dataset::FieldDef def;
    def.name = name;
    def.size = size;
    def.displayLabel = label;
    return def;
}

class TTestDM : public TCustomDM {
public:
    TTestDM()
        : DocumentZQ(new dataset::Query(this)), ItemZQ(new dataset::Query(this))
    {
        DocumentZQ->SetSQL({QStringLiteral("SELECT * FROM parkingdocument")});
        DocumentZQ->SetRequestLive(true);
        DocumentZQ->SetFieldDefs({TextDef(QStringLiteral("number"), 30, QStringLiteral("Broj")),
                                  TextDef(QStringLiteral("cityreg"), 3, QStringLiteral("Ozn. grada")),
                                  TextDef(QStringLiteral("regnumber"), 8, QStringLiteral("Reg. broj"))});
        DocumentZQ->BeforePost = [this](dataset::Query &q) { CommonBeforePost(q); };
        DocumentZQ->BeforeDelete = [this](dataset::Query &q) { CommonBeforeDelete(q); };
        ItemZQ->SetSQL({QStringLiteral("SELECT * FROM parkingdocumentitem")});
    }

    void DataModuleCreate() override
    {
        TCustomDM::DataModuleCreate();
        Steps << QStringLiteral("validator");
        SetValidator(std::make_unique<TValidator>(FieldValidations()));
    }

    dataset::Query *DocumentZQ;
    dataset::Query *ItemZQ;
    QStringList Steps;

protected:
    void CreateFieldValidations() override
    {
        Steps << QStringLiteral("rules");
        SetFieldValidations({
            FieldValidation({DocumentZQ, QStringLiteral("number")}, true,
                            [](dataset::Field &f) {
                                return TestZeroLength(f)
                                    && TestUnique(f, QStringLiteral("parkingdocument"),
                                                  QStringLiteral("number"),
                                                  QStringLiteral("parkingdocumentid"), {}, 0);
                            },
                            kRequired, kInvalid),
            FieldValidation({DocumentZQ, QStringLiteral("cityreg")}, true, TestZeroLength, kRequired, kInvalid),
            FieldValidation({DocumentZQ, QStringLiteral("regnumber")}, false, TestZeroLength,
                            QStringLiteral("bez oznake"), QStringLiteral("Registracija je prazna.")),
            // A rule of another dataset never stops a document.
            FieldValidation({ItemZQ, QStringLiteral("ticketnumber")}, true, TestZeroLength, kRequired, kInvalid),
        });
    }
    void CreateRelations() override { Steps << QStringLiteral("relations"); }
};

void Exec(dataset::Connection &c, const QString &sql) { c.Execute(sql); }

void AddDocument(dataset::Connection &c, const QString &number, const QString &cityreg = QStringLiteral("BG"))
{
    Exec(c, QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, cityreg, regnumber) "
                           "VALUES (%1, '2014-03-01 10:00:00', %2, '123')")
                .arg(dataset::Connection::Quote(number), dataset::Connection::Quote(cityreg)));
}

void OpenLive(dataset::Query &q, dataset::Connection &c, const QString &sql)
{
    q.SetConnection(&c);
    q.SetRequestLive(true);
    q.SetSQL({sql});
    q.Open();
}

// Appends a document row (not yet posted) with the fields every rule needs.
void AppendDocument(dataset::Query &q, const QString &number, const QString &cityreg)
{
    q.Append();
    q.FieldByName(QStringLiteral("number")).SetAsString(number);
    q.FieldByName(QStringLiteral("documentdatetime")).SetAsDateTime(QDateTime(QDate(2014, 3, 2), QTime(9, 0)));
    q.FieldByName(QStringLiteral("cityreg")).SetAsString(cityreg);
}

int Count(dataset::Connection &c, const QString &table)
{
    dataset::Query q;
    q.SetConnection(&c);
    q.SetSQL({QStringLiteral("SELECT COUNT(*) AS n FROM ") + table});
    q.Open();
    return q.FieldByName(QStringLiteral("n")).AsInteger();
}

} // namespace

class TestCustomDM : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void creationOrderAndConnection();
    void validatorRefusesPost_data();
    void validatorRefusesPost();
    void postSkippingRule();
    void testUnique_data();
    void testUnique();
    void hostTests_data();
    void hostTests();
    void getFieldValues_data();
    void getFieldValues();
    void getFieldValuesRefusesNames_data();
    void getFieldValuesRefusesNames();
    void lastInsertIdAfterPost();
    void deleteAsksConfirmation_data();
    void deleteAsksConfirmation();
    void gridSorterTogglesDirection();
};

void TestCustomDM::creationOrderAndConnection()
{
    TestDatabase db;
    auto dm = TCustomDM::Create<TTestDM>();
    QCOMPARE(dm->Steps, (QStringList{QStringLiteral("rules"), QStringLiteral("relations"),
                                     QStringLiteral("validator")}));
    QCOMPARE(dm->Validator()->Rules().size(), size_t(4));
    QCOMPARE(dm->Connection(), nullptr);
    // A query nested below another child is attached too.
    auto *nested = new dataset::Query(dm->DocumentZQ);
    dm->SetZConnection(&db.connection());
    QCOMPARE(dm->Connection(), &db.connection());
    QCOMPARE(dm->DocumentZQ->GetConnection(), &db.connection());
    QCOMPARE(dm->ItemZQ->GetConnection(), &db.connection());
    QCOMPARE(nested->GetConnection(), &db.connection());
}

void TestCustomDM::validatorRefusesPost_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("cityreg");
    QTest::addColumn<QString>("regnumber");
    QTest::addColumn<QString>("error");
    QTest::newRow("valid") << "2/14" << "BG" << "123" << QString();
    QTest::newRow("empty required city") << "2/14" << "" << "123" << "Polje 'Ozn. grada' mora biti popunjeno.";
    QTest::newRow("blank city fails its test") << "2/14" << "  " << "123" << "Polje 'Ozn. grada' nije ispravno.";
    QTest::newRow("number taken") << "1/14" << "BG" << "123" << "Polje 'Broj' nije ispravno.";
    QTest::newRow("first failing rule wins") << "1/14" << "" << "123" << "Polje 'Broj' nije ispravno.";
    QTest::newRow("optional empty is not tested") << "2/14" << "BG" << "" << QString();
    QTest::newRow("message without placeholder") << "2/14" << "BG" << " " << "Registracija je prazna.";
}

void TestCustomDM::validatorRefusesPost()
{
    QFETCH(QString, number);
    QFETCH(QString, cityreg);
    QFETCH(QString, regnumber);
    QFETCH(QString, error);
    TestDatabase db;
    AddDocument(db.connection(), QStringLiteral("1/14"));
    auto dm = TCustomDM::Create<TTestDM>();
    dm->SetZConnection(&db.connection());
    dataset::Query &q = *dm->DocumentZQ;
    q.Open();
    AppendDocument(q, number, cityreg);
    q.FieldByName(QStringLiteral("regnumber")).SetAsString(regnumber);
    if (error.isEmpty()) {
        q.Post();
        QCOMPARE(Count(db.connection(), QStringLiteral("parkingdocument")), 2);
        return;
    }
    try {
        q.Post();
        QFAIL("the post went through");
    } catch (const EValidationError &e) {
        QCOMPARE(e.message(), error);
        QCOMPARE(e.DataSet(), &q);
    }
    QCOMPARE(q.State(), dataset::DataSetState::Insert);
    QCOMPARE(Count(db.connection(), QStringLiteral("parkingdocument")), 1);
}

// Only the named field's rules are set aside, and only for that one post, even when the
// post is refused.
void TestCustomDM::postSkippingRule()
{
    TestDatabase db;
    AddDocument(db.connection(), QStringLiteral("1/14"));
    auto dm = TCustomDM::Create<TTestDM>();
    dm->SetZConnection(&db.connection());
    dataset::Query &q = *dm->DocumentZQ;
    q.Open();
    AppendDocument(q, QStringLiteral("1/14"), QString());
    const auto refusedField = [&q](const std::function<void()> &post) {
        try {
            post();
        } catch (const EValidationError &e) {
            return e.FieldName();
        }
        return QStringLiteral("(posted)");
    };
    QCOMPARE(refusedField([&] { dm->PostSkippingRule(q, QStringLiteral("cityreg")); }), QStringLiteral("number"));
    q.FieldByName(QStringLiteral("number")).SetAsString(QStringLiteral("2/14"));
    QCOMPARE(refusedField([&] { q.Post(); }), QStringLiteral("cityreg"));
    QCOMPARE(refusedField([&] { dm->PostSkippingRule(q, QStringLiteral("cityreg")); }), QStringLiteral("(posted)"));
    QCOMPARE(Count(db.connection(), QStringLiteral("parkingdocument")), 2);
}

void TestCustomDM::testUnique_data()
{
    QTest::addColumn<QString>("editNumber");   // empty: a new row
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("extraWhere");
    QTest::addColumn<int>("allowed");
    QTest::addColumn<bool>("unique");
    QTest::newRow("new row, free value") << "" << "9/14" << "" << 0 << true;
    QTest::newRow("new row, taken value") << "" << "2/14" << "" << 0 << false;
    QTest::newRow("own row keeps its value") << "1/14" << "1/14" << "" << 0 << true;
    QTest::newRow("own row takes another's") << "1/14" << "2/14" << "" << 0 << false;
    QTest::newRow("quote and backslash") << "" << "O'Br\\ien" << "" << 0 << true;
    QTest::newRow("quote and backslash taken") << "" << "D'Arc\\" << "" << 0 << false;
    QTest::newRow("narrowed away") << "" << "2/14" << "cityreg = 'NS'" << 0 << true;
    QTest::newRow("one other allowed") << "" << "2/14" << "" << 1 << true;
}

void TestCustomDM::testUnique()
{
    QFETCH(QString, editNumber);
    QFETCH(QString, value);
    QFETCH(QString, extraWhere);
    QFETCH(int, allowed);
    QFETCH(bool, unique);
    TestDatabase db;
    AddDocument(db.connection(), QStringLiteral("1/14"));
    AddDocument(db.connection(), QStringLiteral("2/14"));
    AddDocument(db.connection(), QStringLiteral("D'Arc\\"));
    dataset::Query q;
    OpenLive(q, db.connection(), QStringLiteral("SELECT * FROM parkingdocument ORDER BY parkingdocumentid"));
    if (editNumber.isEmpty()) {
        q.Append();
    } else {
        while (q.FieldByName(QStringLiteral("number")).AsString() != editNumber)
            q.Next();
        q.Edit();
    }
    dataset::Field &field = q.FieldByName(QStringLiteral("number"));
    field.SetAsString(value);
    QCOMPARE(TestUnique(field, QStringLiteral("parkingdocument"), QStringLiteral("number"),
                        QStringLiteral("parkingdocumentid"), extraWhere, allowed),
             unique);
}

void TestCustomDM::hostTests_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("date");
    QTest::addColumn<bool>("zeroLength");
    QTest::newRow("date set") << "parkingfromdate" << QVariant(QDate(2014, 1, 31)) << true << true;
    QTest::newRow("date null") << "parkingfromdate" << QVariant() << false << false;
    QTest::newRow("date as text") << "comment" << QVariant(QStringLiteral("2014-01-31")) << true << true;
    QTest::newRow("text that is no date") << "comment" << QVariant(QStringLiteral("x")) << false << true;
    QTest::newRow("blanks") << "comment" << QVariant(QStringLiteral("   ")) << false << false;
    QTest::newRow("empty") << "comment" << QVariant(QString()) << false << false;
}

void TestCustomDM::hostTests()
{
    QFETCH(QString, column);
    QFETCH(QVariant, value);
    QFETCH(bool, date);
    QFETCH(bool, zeroLength);
    TestDatabase db;
    dataset::Query q;
    OpenLive(q, db.connection(), QStringLiteral("SELECT * FROM parkingdocument"));
    q.Append();
    dataset::Field &field = q.FieldByName(column);
    field.SetValue(value);
    QCOMPARE(TestDate(field), date);
    QCOMPARE(TestZeroLength(field), zeroLength);
}

void TestCustomDM::getFieldValues_data()
{
    QTest::addColumn<bool>("distinct");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QStringList>("values");
    QTest::newRow("distinct, by the column") << true << "" << "" << QStringList{"A", "B", "C"};
    QTest::newRow("all rows") << false << "" << "" << QStringList{"A", "A", "B", "C"};
    QTest::newRow("descending") << true << "" << "zone desc" << QStringList{"C", "B", "A"};
    QTest::newRow("by another column") << true << "" << "sector DESC, zone" << QStringList{"C", "B", "A"};
    QTest::newRow("where") << true << "sector = '1'" << "" << QStringList{"A"};
}

void TestCustomDM::getFieldValues()
{
    QFETCH(bool, distinct);
    QFETCH(QString, where);
    QFETCH(QString, order);
    QFETCH(QStringList, values);
    TestDatabase db;
    Exec(db.connection(), QStringLiteral("INSERT INTO parkingzoneframe (zone, sector, street) VALUES "
                                         "('B','2','x'), ('A','1','y'), ('C','3','z'), ('A','1','w')"));
    auto dm = TCustomDM::Create<TTestDM>();
    dm->SetZConnection(&db.connection());
    QStringList list{QStringLiteral("left over")};
    dm->GetFieldValues(QStringLiteral("zone"), QStringLiteral("parkingzoneframe"), list, distinct,
                       where, order);
    QCOMPARE(list, values);
}

void TestCustomDM::getFieldValuesRefusesNames_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("order");
    QTest::newRow("field") << "zone FROM user; --" << "parkingzoneframe" << "";
    QTest::newRow("table") << "zone" << "parkingzoneframe p, user" << "";
    QTest::newRow("quoted name") << "zone" << "`parkingzoneframe`" << "";
    QTest::newRow("order") << "zone" << "parkingzoneframe" << "(SELECT 1)";
}

void TestCustomDM::getFieldValuesRefusesNames()
{
    QFETCH(QString, field);
    QFETCH(QString, table);
    QFETCH(QString, order);
    TestDatabase db;
    auto dm = TCustomDM::Create<TTestDM>();
    dm->SetZConnection(&db.connection());
    QStringList list;
    QVERIFY_THROWS_EXCEPTION(dataset::Error,
                             dm->GetFieldValues(field, table, list, true, {}, order));
}

void TestCustomDM::lastInsertIdAfterPost()
{
    TestDatabase db;
    AddDocument(db.connection(), QStringLiteral("1/14"));
    auto dm = TCustomDM::Create<TTestDM>();
    dm->SetZConnection(&db.connection());
    dataset::Query &q = *dm->DocumentZQ;
    q.Open();
    AppendDocument(q, QStringLiteral("5/14"), QStringLiteral("NS"));
    q.Post();
    dataset::Query check;
    check.SetConnection(&db.connection());
    check.SetSQL({QStringLiteral("SELECT parkingdocumentid FROM parkingdocument WHERE number = '5/14'")});
    check.Open();
    QCOMPARE(dm->GetLastInsertID(), check.Fields(0).AsLargeInt());
}

void TestCustomDM::deleteAsksConfirmation_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes deletes") << true;
    QTest::newRow("no keeps the row") << false;
}

void TestCustomDM::deleteAsksConfirmation()
{
    QFETCH(bool, yes);
    TestDatabase db;
    AddDocument(db.connection(), QStringLiteral("1/14"));
    auto dm = TCustomDM::Create<TTestDM>();
    dm->SetZConnection(&db.connection());
    ScriptedDialogService dialogs;
    ScopedDialogService installed(dialogs);
    dialogs.QueueConfirm(yes);
    dm->DocumentZQ->Open();
    if (yes) {
        dm->DocumentZQ->Delete();
    } else {
        QVERIFY_THROWS_EXCEPTION(EAbort, dm->DocumentZQ->Delete());
    }
    const auto asked = dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation);
    QCOMPARE(asked.size(), size_t(1));
    QCOMPARE(asked.front().text, QStringLiteral("Da li ste sigurni da želite da obrišete zapis?"));
    QCOMPARE(Count(db.connection(), QStringLiteral("parkingdocument")), yes ? 0 : 1);
    QCOMPARE(dm->DocumentZQ->RecordCount(), yes ? 0 : 1);
}

void TestCustomDM::gridSorterTogglesDirection()
{
    TestDatabase db;
    Exec(db.connection(), QStringLiteral("INSERT INTO parkingzoneframe (zone, sector, street) VALUES "
                                         "('B','1','x'), ('A','3','y'), ('C','2','z')"));
    dataset::Query q;
    q.SetConnection(&db.connection());
    q.SetSQL({QStringLiteral("SELECT zone, sector FROM parkingzoneframe")});
    q.Open();
    dataset::DataSource source;
    source.SetDataSet(&q);
    dataset::DBGrid grid;
    grid.SetDataSource(&source);
    GridSorter.AddGrid(&grid);
    GridSorter.AddGrid(&grid);   // once is enough; twice must not turn clicks around twice

    const int zone = grid.ColumnByFieldName(QStringLiteral("zone"));
    const int sector = grid.ColumnByFieldName(QStringLiteral("sector"));
    QVERIFY(zone >= 0 && sector >= 0);
    const auto firstZone = [&q] {
        q.First();
        return q.FieldByName(QStringLiteral("zone")).AsString();
    };
    Q_EMIT grid.titleClicked(zone);
    QCOMPARE(q.SortedFields(), QStringLiteral("zone"));
    QCOMPARE(firstZone(), QStringLiteral("A"));
    Q_EMIT grid.titleClicked(zone);
    QCOMPARE(q.SortedFields(), QStringLiteral("zone DESC"));
    QCOMPARE(firstZone(), QStringLiteral("C"));
    Q_EMIT grid.titleClicked(zone);
    QCOMPARE(firstZone(), QStringLiteral("A"));
    Q_EMIT grid.titleClicked(sector);
    QCOMPARE(q.SortedFields(), QStringLiteral("sector"));
    QCOMPARE(firstZone(), QStringLiteral("B"));
}

QTEST_MAIN(TestCustomDM)
#include "tst_customdm.moc"
