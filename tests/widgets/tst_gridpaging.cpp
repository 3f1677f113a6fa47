#include <dataset/DataSource.h>
#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <dataset/widgets/DBNavigator.h>
#include <dataset/widgets/DataSetModel.h>
#include <framework/report/GridPrint.h>
#include <tests/support/TestDatabase.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QScrollBar>
#include <QToolButton>
#include <QRegularExpression>
#include <QTest>

using namespace dataset;

// A grid over a query read in packets: the view asks for more as it scrolls, Ctrl+End
// goes to the last row of the whole result, and a print of the grid holds every row.
class TestGridPaging : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void scrollingFetchesMore();
    void ctrlEndReachesLastRow();
    void printHoldsEveryRow();
    void navigatorLastReadsToEnd();

private:
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<Query> m_query;
    std::unique_ptr<DataSource> m_source;
};

namespace {
constexpr int Rows = 300;
constexpr int Packet = 40;
}

void TestGridPaging::init()
{
    m_db = std::make_unique<TestDatabase>();
    Connection &c = m_db->connection();
    c.Execute(QStringLiteral("CREATE TABLE pagerow (pagerowid BIGINT AUTO_INCREMENT PRIMARY KEY, "
                             "stamp DATETIME NOT NULL, name VARCHAR(20) NULL)"));
    c.Execute(QStringLiteral("INSERT INTO pagerow (stamp, name) SELECT '2026-01-01' + INTERVAL seq HOUR, "
                             "CONCAT('r', seq) FROM seq_1_to_%1").arg(Rows));
    m_query = std::make_unique<Query>();
    m_query->SetConnection(&c);
    m_query->SetSQL({QStringLiteral("SELECT * FROM pagerow")});
    m_query->SetSortedFields(QStringLiteral("stamp DESC"));
    m_query->SetPacketRecords(Packet);
    m_query->Open();
    m_source = std::make_unique<DataSource>();
    m_source->SetDataSet(m_query.get());
}

void TestGridPaging::cleanup()
{
    m_source.reset();
    m_query.reset();
    m_db.reset();
}

void TestGridPaging::scrollingFetchesMore()
{
    DBGrid grid;
    grid.SetDataSource(m_source.get());
    QAbstractItemModelTester tester(grid.Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    grid.resize(400, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    // The tester asks for one packet more itself; the view asks for none while the last
    // row held is out of sight.
    const int held = grid.Model()->rowCount();
    QVERIFY(held >= Packet && held < Rows);
    QVERIFY(grid.Model()->canFetchMore({}));
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    QTRY_COMPARE(grid.Model()->rowCount(), held + Packet);
    const int last = held + Packet - 1;
    QCOMPARE(grid.Model()->index(last, 2).data().toString(), QStringLiteral("r%1").arg(Rows - last));
}

void TestGridPaging::ctrlEndReachesLastRow()
{
    DBGrid grid;
    grid.SetDataSource(m_source.get());
    grid.resize(400, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(grid.Model()->rowCount(), Rows);
    QCOMPARE(grid.currentIndex().row(), Rows - 1);
    QCOMPARE(m_query->RecNo(), Rows);
    QCOMPARE(m_query->FieldByName(QStringLiteral("name")).AsString(), QStringLiteral("r1"));
}

void TestGridPaging::printHoldsEveryRow()
{
    DBGrid grid;
    grid.SetDataSource(m_source.get());
    const QString html = GridTableHtml(grid);
    QCOMPARE(html.count(QStringLiteral("<tr>")), Rows + 1);
    QVERIFY(html.contains(QStringLiteral(">r1<")));
    QVERIFY(html.indexOf(QStringLiteral(">r300<")) < html.indexOf(QStringLiteral(">r1<")));
}

// At the last row held, "Poslednji zapis" stays enabled while rows wait on the server.
void TestGridPaging::navigatorLastReadsToEnd()
{
    DBNavigator navigator;
    navigator.SetDataSource(m_source.get());
    m_query->SetRecNo(Packet);
    QCOMPARE(m_query->RecordCount(), Packet);
    QToolButton *last = navigator.ButtonWidget(DBNavigator::Button::Last);
    QVERIFY(last->isEnabled());
    QTest::mouseClick(last, Qt::LeftButton);
    QCOMPARE(m_query->RecNo(), Rows);
    QCOMPARE(m_query->FieldByName(QStringLiteral("name")).AsString(), QStringLiteral("r1"));
    QVERIFY(!last->isEnabled());
}

QTEST_MAIN(TestGridPaging)
#include "tst_gridpaging.moc"
