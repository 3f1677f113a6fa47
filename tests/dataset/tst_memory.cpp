#include <dataset/Error.h>
#include <dataset/MemoryRows.h>
#include <dataset/Query.h>
#include <dataset/widgets/DataSetModel.h>

#include <QAbstractItemModelTester>
#include <QCollator>
#include <QTest>

using namespace dataset;

// A query over rows held in memory: fields, nulls, sizes, the index order and edits,
// without any server.
class TestMemory : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowsTakeTheirPlaceInTheOrder_data();
    void rowsTakeTheirPlaceInTheOrder();
    void textOrderIgnoresCase();
    void largeSetSortsAsSmallOne();
    void valuesKeepTypeNullAndSize();
    void badValueAddsNothing();
    void editsStayInMemoryAndInOrder();
    void modelShowsTheRows();
};

namespace {

FieldDef def(const QString &name, FieldType type, int size = 0)
{
    FieldDef d;
    d.name = name;
    d.type = type;
    d.size = size;
    return d;
}

MemoryRows people()
{
    return MemoryRows({def(QStringLiteral("name"), FieldType::String, 10),
                       def(QStringLiteral("code"), FieldType::String, 5),
                       def(QStringLiteral("start"), FieldType::DateTime)});
}

void add(MemoryRows &rows, const QVariant &name, const QVariant &code, const QVariant &start = {})
{
    const QVariant values[] = {name, code, start};
    rows.Append(values);
}

// The order the rows must have: the Serbian alphabet (Latin script), case aside.
QCollator SerbianOrder()
{
    QCollator collator(QLocale(QStringLiteral("sr_Latn_RS")));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

QStringList column(const Query &query, int field)
{
    QStringList values;
    for (int row = 0; row < query.RecordCount(); ++row) {
        const QVariant value = query.RowValue(row, field);
        values << (value.isNull() ? QStringLiteral("<null>") : value.toString());
    }
    return values;
}

} // namespace

void TestMemory::rowsTakeTheirPlaceInTheOrder_data()
{
    QTest::addColumn<bool>("sortedBeforeOpen");
    QTest::newRow("sorted by the query") << false;
    QTest::newRow("sorted before the query opens") << true;
}

void TestMemory::rowsTakeTheirPlaceInTheOrder()
{
    QFETCH(bool, sortedBeforeOpen);
    MemoryRows rows = people();
    add(rows, QStringLiteral("Šandor"), QStringLiteral("2"));
    add(rows, QStringLiteral("ana"), QStringLiteral("9"));
    add(rows, QStringLiteral("Ana"), QStringLiteral("1"), QDateTime(QDate(2024, 1, 2), QTime(8, 0)));
    add(rows, QVariant(), QStringLiteral("5"));
    add(rows, QStringLiteral("Ana"), QStringLiteral("1"), QDateTime(QDate(2024, 1, 1), QTime(9, 0)));
    add(rows, QStringLiteral("Ana"), QStringLiteral("1"), QDateTime(QDate(2024, 1, 1), QTime(9, 0)));
    add(rows, QStringLiteral("Ana"), QVariant(), QDateTime(QDate(2024, 1, 1), QTime(9, 0)));

    const QString order = QStringLiteral("name, code, start");
    if (sortedBeforeOpen)
        rows.Sort(order);
    Query query;
    query.SetSortedFields(order);
    query.OpenInMemory(std::move(rows));
    QVERIFY(query.InMemory());
    // Null lowest, text without regard to case, ties kept in the order they came.
    QCOMPARE(column(query, 0), QStringList({"<null>", "Ana", "Ana", "Ana", "Ana", "ana", "Šandor"}));
    QCOMPARE(column(query, 1), QStringList({"5", "<null>", "1", "1", "1", "9", "2"}));
    QCOMPARE(query.RowValue(2, 2).toDateTime(), QDateTime(QDate(2024, 1, 1), QTime(9, 0)));
    QCOMPARE(query.RowValue(4, 2).toDateTime(), QDateTime(QDate(2024, 1, 2), QTime(8, 0)));
    QCOMPARE(query.RecNo(), 1);
}

// The order of texts is that of a case-insensitive comparison of whole strings in the
// Serbian alphabet, whatever letters they share at their start; the letters lj and nj
// come after every other l and n, although their first seven characters are ASCII.
void TestMemory::textOrderIgnoresCase()
{
    QStringList names{"Petrović Ana", "petrovič Ana", "PETROVIĆ a", "petrović B", "Ćira", "Cvija", "čeda",
                      "Čeda", "Đura", "Dž", "dz", "DŽ", "ab", "AB", "a", "Ab", "", "Šta", "sta", "Ž",
                      "Jovanovic Marko", "JOVANOVIC marko 2", "jovanovich", "Jovanov", "jovanov", "Jovanović",
                      "1000123", "10001234", "1000123 ", "abcdefg", "ABCDEFGh", "abcdefĝ",
                      "Ljubica", "Lukić", "ljiljan", "Lz", "Njegoš", "Nikola", "nz", "Dzeta", "Džeta",
                      "a-b", "a_b", "a b", "a.b", "ab.", "Cvetković", "Čačak", "Ćirić", "Dimić", "Đorđević",
                      "al", "alj", "alk", "aLJa", "lJubav", "Lzz", "anja", "anza", "1000123a", "1000123Z"};
    MemoryRows rows(std::vector<FieldDef>{def(QStringLiteral("name"), FieldType::String, 40)});
    for (const QString &name : names) {
        const QVariant value = name;
        rows.Append(std::span<const QVariant>(&value, 1));
    }
    rows.Sort(QStringLiteral("name"));
    const QCollator serbian = SerbianOrder();
    std::stable_sort(names.begin(), names.end(),
                     [&serbian](const QString &a, const QString &b) { return serbian.compare(a, b) < 0; });
    QStringList sorted;
    for (std::size_t row = 0; row < rows.Count(); ++row)
        sorted << rows.Value(row, 0).toString();
    QCOMPARE(sorted, names);
}

// A set large enough to be sorted in runs and merged gives the order of one stable sort,
// also when the name field stops sharing its texts part way: one name in five repeats,
// the others are new, so repeated names (compared by their place) meet new ones
// (compared as text).
void TestMemory::largeSetSortsAsSmallOne()
{
    const QStringList words{"Ana", "ana", "Đura", "Petrović", "petrovič", "Zoran", "ćira", "Cvija"};
    MemoryRows rows({def(QStringLiteral("name"), FieldType::String, 40), def(QStringLiteral("code"), FieldType::String),
                     def(QStringLiteral("start"), FieldType::DateTime)});
    std::vector<std::pair<QString, int>> expected;
    for (int i = 0; i < 210000; ++i) {
        const QString word = words[(i * 7919) % words.size()];
        const QString name = i % 5 == 0 ? word + QString::number(i % 37) : word + QString::number(i);
        add(rows, name, QString(), QDateTime(QDate(2024, 1, 1), QTime(0, 0)).addSecs(i));
        expected.emplace_back(name, i);
    }
    rows.Sort(QStringLiteral("name"));
    const QCollator serbian = SerbianOrder();
    std::stable_sort(expected.begin(), expected.end(),
                     [&serbian](const auto &a, const auto &b) { return serbian.compare(a.first, b.first) < 0; });
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0));
    for (std::size_t row = 0; row < rows.Count(); row += 997)
        QCOMPARE(start.secsTo(rows.Value(row, 2).toDateTime()), expected[row].second);
    QCOMPARE(start.secsTo(rows.Value(rows.Count() - 1, 2).toDateTime()), expected.back().second);
}

void TestMemory::valuesKeepTypeNullAndSize()
{
    MemoryRows rows = people();
    add(rows, QStringLiteral("Đorđe Čavić-Žunić"), QString(), QStringLiteral("2024-02-29 23:59:58"));
    add(rows, QVariant(), QVariant());   // no start at all
    Query query;
    query.OpenInMemory(std::move(rows));
    QCOMPARE(query.FieldCount(), 3);
    QCOMPARE(query.FieldByName(QStringLiteral("name")).Size(), 10);
    QCOMPARE(query.FieldByName(QStringLiteral("name")).AsString(), QStringLiteral("Đorđe Čavi"));
    // An empty text is a value, not null.
    QVERIFY(!query.FieldByName(QStringLiteral("code")).IsNull());
    QCOMPARE(query.FieldByName(QStringLiteral("start")).AsDateTime(), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58)));
    query.Next();
    QVERIFY(query.FieldByName(QStringLiteral("name")).IsNull());
    QVERIFY(query.FieldByName(QStringLiteral("start")).IsNull());

    // Values in stored form: cut by characters, not bytes.
    MemoryRows stored = people();
    const QByteArray name = QStringLiteral("Đorđe Čavić-Žunić").toUtf8();
    const std::optional<QByteArrayView> values[] = {QByteArrayView(name), std::nullopt,
                                                    QByteArrayView("2024-02-29 23:59:58")};
    stored.AppendStored(values);
    QCOMPARE(stored.Value(0, 0).toString(), QStringLiteral("Đorđe Čavi"));
    QVERIFY(stored.IsNull(0, 1));
    QCOMPARE(stored.Value(0, 2).toDateTime(), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58)));
}

void TestMemory::badValueAddsNothing()
{
    MemoryRows rows = people();
    QVERIFY_THROWS_EXCEPTION(Error, add(rows, QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("31.02.2024")));
    QCOMPARE(rows.Count(), std::size_t(0));
}

void TestMemory::editsStayInMemoryAndInOrder()
{
    MemoryRows rows = people();
    add(rows, QStringLiteral("B"), QStringLiteral("1"));
    add(rows, QStringLiteral("D"), QStringLiteral("1"));
    Query query;   // no connection: nothing may try to reach a server
    query.SetSortedFields(QStringLiteral("name"));
    query.OpenInMemory(std::move(rows));

    query.Append();
    query.FieldByName(QStringLiteral("name")).SetAsString(QStringLiteral("C"));
    query.Post();
    QCOMPARE(column(query, 0), QStringList({"B", "C", "D"}));
    QCOMPARE(query.RecNo(), 2);

    query.First();
    query.Edit();
    query.FieldByName(QStringLiteral("name")).SetAsString(QStringLiteral("E"));
    query.Post();
    QCOMPARE(column(query, 0), QStringList({"C", "D", "E"}));

    query.First();
    query.Delete();
    QCOMPARE(column(query, 0), QStringList({"D", "E"}));
    query.Refresh();
    QCOMPARE(column(query, 0), QStringList({"D", "E"}));

    // Closed, the query is an ordinary one again and wants a connection.
    query.Close();
    QVERIFY(!query.InMemory());
    QVERIFY_THROWS_EXCEPTION(Error, query.Open());
}

void TestMemory::modelShowsTheRows()
{
    MemoryRows rows = people();
    add(rows, QStringLiteral("Zoran"), QStringLiteral("7"));
    add(rows, QStringLiteral("Ana"), QVariant());
    Query query;
    query.SetSortedFields(QStringLiteral("name"));
    DataSetModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.SetQuery(&query);
    model.SetColumns({QStringLiteral("code"), QStringLiteral("name")});
    query.OpenInMemory(std::move(rows));
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("Ana"));
    QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("7"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("name"));
}

QTEST_GUILESS_MAIN(TestMemory)
#include "tst_memory.moc"
