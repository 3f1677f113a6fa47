#include <dataset/Query.h>
#include <framework/common/ScriptedDialogService.h>
#include <framework/report/ReportEngine.h>
#include <parking/documents/ParkingReport.h>
#include <tests/support/TestDatabase.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void exec(dataset::Connection &connection, const QString &sql)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({sql});
    query.ExecSQL();
}

} // namespace

// The engine reads what the editor hands over: the document query standing on one
// document and the item query with its rows.
class TestReportEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void readsDocumentAndItems();
    void ticketWritesPdf();

private:
    void openQueries();

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<dataset::Query> m_document;
    std::unique_ptr<dataset::Query> m_items;
    QTemporaryDir m_dir;
};

void TestReportEngine::init()
{
    m_db = std::make_unique<TestDatabase>();
    dataset::Connection &c = m_db->connection();
    exec(c, QStringLiteral(
            "INSERT INTO parkingdocument (parkingdocumentid, number, documentdatetime, countryreg, "
            "cityreg, regnumber, firstname, lastname, address, zip, city, parkingzone, parkingsector, "
            "parkingstreets, parkingfromdate, parkingtodate) VALUES (15, '15/24', '2024-03-07 09:05:00', "
            "'SRB', 'BG', '123ŠĐ', 'Žarko', 'Čolić', 'Korzo 2', '24000', 'Subotica', 'I', '1', "
            "'Korzo, Čika Ljubina', '2024-03-07', '2024-04-06')"));
    exec(c, QStringLiteral(
            "INSERT INTO parkingdocumentitem (quantity, price, itemvalue, taxid, taxvalue, productid, "
            "productcode, productname, parkingdocumentid, ticketnumber) VALUES "
            "(1, 1000, 1000, 1, 20, 1, 'DK1200', 'Doplatna karta 1200', 15, '1000105'), "
            "(2, 41.675, 83.35, 1, 20, 2, 'SAT', 'Parking sat', 15, 'SAT-1')"));
    openQueries();
    QVERIFY(m_dir.isValid());
    qputenv("PARKING_REPORT_DIR", m_dir.path().toUtf8());
}

void TestReportEngine::cleanup()
{
    m_items.reset();
    m_document.reset();
    m_db.reset();
}

void TestReportEngine::openQueries()
{
    m_document = std::make_unique<dataset::Query>();
    m_document->SetConnection(&m_db->connection());
    m_document->SetSQL({QStringLiteral("SELECT * FROM parkingdocument WHERE parkingdocumentid = 15")});
    m_document->Open();
    m_items = std::make_unique<dataset::Query>();
    m_items->SetConnection(&m_db->connection());
    m_items->SetSQL({QStringLiteral("SELECT *, ROUND(itemvalue * (1 + taxvalue/100),2) AS ItemTotal"),
                     QStringLiteral("FROM parkingdocumentitem WHERE parkingdocumentid = 15")});
    m_items->SetSortedFields(QStringLiteral("parkingdocumentitemid"));
    m_items->Open();
}

void TestReportEngine::readsDocumentAndItems()
{
    m_items->Last();
    const ParkingReportData data = ReadParkingReport(*m_document, *m_items,
                                                     QStringLiteral("Priznanica 15/24"),
                                                     QStringLiteral("07.03.2024 09:05"), false);
    QCOMPARE(m_items->RecNo(), 2);  // the editor's current item stays current
    QCOMPARE(data.number, QStringLiteral("15/24"));
    QCOMPARE(data.vehicle, QStringLiteral("SRB BG 123ŠĐ"));
    QCOMPARE(data.payerName, QStringLiteral("Žarko Čolić"));
    QCOMPARE(data.payerCity, QStringLiteral("24000 Subotica"));
    QCOMPARE(data.period, QStringLiteral("07.03.2024 - 06.04.2024"));
    QVERIFY(data.streets.isEmpty());  // the receipt has no streets
    QCOMPARE(data.items.size(), size_t(2));
    QCOMPARE(data.items.at(0).code, QStringLiteral("DK1200"));
    QCOMPARE(data.items.at(1).ticketNumber, QStringLiteral("SAT-1"));
    QCOMPARE(data.items.at(1).quantity, 2.0);
    QCOMPARE(data.items.at(1).total, 100.02);
    QCOMPARE(data.netTotal, 1083.35);
    QCOMPARE(data.grossTotal, 1300.02);
}

void TestReportEngine::ticketWritesPdf()
{
    ScriptedDialogService dialogs;
    const ScopedDialogService install(dialogs);
    TReportEngine engine(nullptr);
    ExecuteParkingReport(engine, *m_document, *m_items, QStringLiteral("Priznanica / Karta 15/24"),
                         QStringLiteral("07.03.2024 09:05"), true, {});
    QFile file(engine.LastOutputFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("%PDF"));
    QCOMPARE(dialogs.ShownOf(ScriptedDialogService::Kind::Information).size(), size_t(1));
}

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
