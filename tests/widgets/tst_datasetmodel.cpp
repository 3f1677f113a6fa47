#include "WidgetFixture.h"
#include <dataset/widgets/DataSetModel.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using dataset::DataSetModel;
using dataset::DataSetState;

class TestDataSetModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void shape();
    void displayTexts_data();
    void displayTexts();
    void configuredColumns();
    void setDataEditsCurrentRow_data();
    void setDataEditsCurrentRow();
    void setDataUnchangedStaysBrowsing();
    void readOnlyWhereQueryOrColumnIs();
    void disabledControlsGiveOneReset();
    void followsCursorAndRecords();
    void rowChangesWithoutReset();
};

void TestDataSetModel::shape()
{
    WidgetFixture f;
    int reads = 0;
    f.query.FieldByName(QStringLiteral("name")).OnGetText = [&](dataset::Field &, QString &, bool) { ++reads; };
    DataSetModel model;
    model.SetQuery(&f.query);
    // A reset reads no row (a query of a million rows must stay cheap to show).
    QCOMPARE(reads, 0);
    QCOMPARE(model.rowCount(), 4);
    model.index(2, 1).data();
    QCOMPARE(reads, 1);
    // The hidden field is left out; titles are the display labels.
    QCOMPARE(model.columnCount(), 5);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Naziv"));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Cena"));
    QCOMPARE(model.ColumnByFieldName(QStringLiteral("secret")), -1);
    f.query.Close();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
}

void TestDataSetModel::displayTexts_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("current");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("edit");
    // Shown in the program's Serbian number format, edited as stored.
    QTest::newRow("format on another row") << 2 << "price" << false << "1234,57" << "1234.567";
    QTest::newRow("format on the current row") << 0 << "price" << true << "1,50" << "1.5";
    QTest::newRow("null number") << 3 << "price" << false << "" << "";
    QTest::newRow("text") << 1 << "name" << false << "Beta" << "Beta";
    QTest::newRow("null date-time") << 1 << "issued" << true << "" << "";
}

void TestDataSetModel::displayTexts()
{
    QFETCH(int, row);
    QFETCH(QString, field);
    QFETCH(bool, current);
    QFETCH(QString, display);
    QFETCH(QString, edit);
    WidgetFixture f;
    DataSetModel model;
    model.SetQuery(&f.query);
    f.query.SetRecNo(current ? row + 1 : (row == 0 ? 2 : 1));
    const QModelIndex index = model.index(row, model.ColumnByFieldName(field));
    QCOMPARE(index.data(Qt::DisplayRole).toString(), display);
    QCOMPARE(index.data(Qt::EditRole).toString(), edit);
}

void TestDataSetModel::configuredColumns()
{
    WidgetFixture f;
    f.query.FieldByName(QStringLiteral("name")).OnGetText = [](dataset::Field &sender, QString &text, bool display) {
        if (display)
            text = QStringLiteral("<%1>").arg(sender.AsString());
    };
    DataSetModel model;
    model.SetQuery(&f.query);
    model.SetColumns({QStringLiteral("secret"), QStringLiteral("name"), QStringLiteral("missing")});
    QCOMPARE(model.columnCount(), 3);
    // A configured column shows a field even when it is hidden; a missing one stays empty.
    QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("3"));
    QCOMPARE(model.index(2, 1).data().toString(), QStringLiteral("<Gama>"));
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("<Alfa>"));
    QCOMPARE(model.index(0, 1).data(Qt::EditRole).toString(), QStringLiteral("Alfa"));
    QCOMPARE(model.index(2, 2).data().toString(), QString());
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("missing"));
    model.SetColumnTitle(1, QStringLiteral("Ime"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Ime"));
}

void TestDataSetModel::setDataEditsCurrentRow_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("select");
    QTest::addColumn<QVariant>("stored");
    QTest::newRow("text") << "name" << "Epsilon" << "name" << QVariant(QStringLiteral("Epsilon"));
    QTest::newRow("number with comma") << "price" << "3,25" << "price" << QVariant(3.25);
    QTest::newRow("empty number is null") << "price" << "" << "price IS NULL" << QVariant(1);
    QTest::newRow("date-time") << "issued" << "7.3.2026 14:05" << "DATE_FORMAT(issued, '%Y-%m-%d %H:%i')"
                               << QVariant(QStringLiteral("2026-03-07 14:05"));
    QTest::newRow("date") << "day" << "07.03.2026" << "DATE_FORMAT(day, '%Y-%m-%d')"
                          << QVariant(QStringLiteral("2026-03-07"));
}

void TestDataSetModel::setDataEditsCurrentRow()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, select);
    QFETCH(QVariant, stored);
    WidgetFixture f;
    DataSetModel model;
    model.SetQuery(&f.query);
    QSignalSpy current(&model, &DataSetModel::currentRowChanged);
    // Row 2 (Beta) is not current: the model moves the cursor there first.
    QVERIFY(model.setData(model.index(1, model.ColumnByFieldName(field)), text));
    QCOMPARE(f.query.RecNo(), 2);
    QCOMPARE(current.last().at(0).toInt(), 1);
    QCOMPARE(f.query.State(), DataSetState::Edit);
    f.query.Post();
    QCOMPARE(f.Stored(QStringLiteral("SELECT %1 FROM widgetrow WHERE widgetrowid = 2").arg(select)).toString(),
             stored.toString());
}

void TestDataSetModel::setDataUnchangedStaysBrowsing()
{
    WidgetFixture f;
    DataSetModel model;
    model.SetQuery(&f.query);
    QVERIFY(model.setData(model.index(0, 1), QStringLiteral("Alfa")));
    QCOMPARE(f.query.State(), DataSetState::Browse);
    // An appended row keeps inserting while it is typed into.
    f.query.Append();
    const int row = f.query.RecNo() - 1;
    QCOMPARE(model.rowCount(), 5);
    QVERIFY(model.setData(model.index(row, 1), QStringLiteral("Novi")));
    QCOMPARE(f.query.State(), DataSetState::Insert);
    QVERIFY(f.query.Modified());
    QCOMPARE(model.index(row, 1).data().toString(), QStringLiteral("Novi"));
}

void TestDataSetModel::readOnlyWhereQueryOrColumnIs()
{
    WidgetFixture f(false);
    DataSetModel model;
    model.SetQuery(&f.query);
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(!model.setData(model.index(0, 1), QStringLiteral("X")));

    WidgetFixture live;
    DataSetModel columns;
    columns.SetQuery(&live.query);
    columns.AddColumn(QStringLiteral("name"));
    columns.AddColumn(QStringLiteral("price"), true);
    QVERIFY(columns.flags(columns.index(0, 0)) & Qt::ItemIsEditable);
    QVERIFY(!(columns.flags(columns.index(0, 1)) & Qt::ItemIsEditable));
}

void TestDataSetModel::disabledControlsGiveOneReset()
{
    WidgetFixture f;
    DataSetModel model;
    model.SetQuery(&f.query);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy moves(&model, &DataSetModel::currentRowChanged);
    f.query.DisableControls();
    f.query.DisableControls();
    for (int i = 0; i < 3; ++i) {
        f.query.Append();
        f.query.FieldByName(QStringLiteral("name")).SetAsString(QStringLiteral("Novi %1").arg(i));
        f.query.Post();
    }
    f.query.First();
    f.query.Next();
    f.query.EnableControls();
    QCOMPARE(resets.count(), 0);   // still disabled once
    QCOMPARE(model.rowCount(), 4); // nothing announced yet
    f.query.EnableControls();
    QCOMPARE(resets.count(), 1);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(model.rowCount(), 7);
    QCOMPARE(moves.last().at(0).toInt(), 1);
}

void TestDataSetModel::followsCursorAndRecords()
{
    WidgetFixture f;
    DataSetModel model;
    model.SetQuery(&f.query);
    QSignalSpy moves(&model, &DataSetModel::currentRowChanged);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy indicator(&model, &QAbstractItemModel::headerDataChanged);
    f.query.Last();
    QCOMPARE(moves.last().at(0).toInt(), 3);
    QVERIFY(!indicator.isEmpty());
    QVERIFY(!model.headerData(3, Qt::Vertical).toString().isEmpty());
    QVERIFY(model.headerData(0, Qt::Vertical).toString().isEmpty());
    f.query.Edit();
    QCOMPARE(model.headerData(3, Qt::Vertical).toString(), QStringLiteral("I"));
    f.query.FieldByName(QStringLiteral("name")).SetAsString(QStringLiteral("Omega"));
    QVERIFY(!changes.isEmpty());
    QCOMPARE(changes.last().at(0).toModelIndex().row(), 3);
    QCOMPARE(model.index(3, 1).data().toString(), QStringLiteral("Omega"));
    f.query.Cancel();
    QCOMPARE(model.index(3, 1).data().toString(), QStringLiteral("Delta"));
}

// Appends, posts that move a row in a sorted query, deletes and cancels reach the model as
// single rows; the tester checks every notification against what the model shows.
void TestDataSetModel::rowChangesWithoutReset()
{
    WidgetFixture f;
    f.query.SetSortedFields(QStringLiteral("name"));
    DataSetModel model;
    model.SetQuery(&f.query);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
    const int name = model.ColumnByFieldName(QStringLiteral("name"));
    auto names = [&] {
        QStringList list;
        for (int row = 0; row < model.rowCount(); ++row)
            list << model.index(row, name).data().toString();
        return list.join(QLatin1Char(','));
    };
    QCOMPARE(names(), QStringLiteral("Alfa,Beta,Delta,Gama"));

    f.query.Append();
    QCOMPARE(model.rowCount(), 5);
    f.query.FieldByName(QStringLiteral("name")).SetAsString(QStringLiteral("Ano"));
    f.query.Post();
    QCOMPARE(names(), QStringLiteral("Alfa,Ano,Beta,Delta,Gama"));
    QCOMPARE(model.CurrentRow(), 1);

    f.query.First();
    f.query.Edit();
    f.query.FieldByName(QStringLiteral("name")).SetAsString(QStringLiteral("Zeta"));
    f.query.Post();
    QCOMPARE(names(), QStringLiteral("Ano,Beta,Delta,Gama,Zeta"));
    QCOMPARE(model.CurrentRow(), 4);

    f.query.SetRecNo(2);
    f.query.Delete();
    QCOMPARE(names(), QStringLiteral("Ano,Delta,Gama,Zeta"));
    f.query.Insert();
    f.query.Cancel();
    QCOMPARE(names(), QStringLiteral("Ano,Delta,Gama,Zeta"));
    QCOMPARE(moved.count(), 2);
    QCOMPARE(resets.count(), 0);

    f.query.Refresh();
    QCOMPARE(resets.count(), 1);
}

QTEST_MAIN(TestDataSetModel)
#include "tst_datasetmodel.moc"
