#include "../documents/DocumentsFixture.h"
#include "../host/FakeDocumentHost.h"
#include "../lookups/FakeProductModule.h"

#include "ImportTestFiles.h"
#include <dataset/widgets/DBGrid.h>
#include <parking/imports/ParkingTicketUnit.h>

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <thread>

namespace {

QString WriteExport(const QTemporaryDir &dir, const QByteArray &body)
{
    return WriteTestFile(dir, "karte.csv", "header\r\n" + body);
}

// The ticket form's world with a host that has products, a document module and service.
struct DocumentHost {
    DocumentsFixture world;
    FakeDocumentHost documentHost{*world.console};
    IntfPtr<FakeDocumentService> &service = documentHost.service;
    IntfPtr<FakeProductModule> products = CreateInterfaced<FakeProductModule>();

    DocumentHost()
    {
        products->products = {MakeProduct(11, "P300", "DK300", "Doplatna karta 300", 250.0, 20.0),
                               MakeProduct(12, "P500", "DK500", "Doplatna karta 500", 400.0, 20.0)};
        world.console->modules.insert(IProductModule::IID,
                                      IntfPtr<IInterface>(static_cast<IProductModule *>(products.get())));
    }
    void Ticket(const QString &id, double price, const QString &issued, const QString &cancelled = {})
    {
        world.connection().Execute(
            QStringLiteral("INSERT INTO parkingticketraw (id_DK, cena_DK, vreme_izdavanja_DK, datum_storniranja) "
                           "VALUES (%1, %2, %3, %4)")
                .arg(dataset::Connection::Quote(id))
                .arg(price)
                .arg(dataset::Connection::Quote(issued),
                     cancelled.isEmpty() ? QStringLiteral("NULL") : dataset::Connection::Quote(cancelled)));
    }
    QStringList Items()
    {
        dataset::Query query;
        query.SetConnection(&world.connection());
        query.SetSQL({"SELECT sort, productname, quantity, price, itemvalue FROM documentitem ORDER BY sort"});
        query.Open();
        QStringList rows;
        for (query.First(); !query.Eof(); query.Next())
            rows << QStringLiteral("%1|%2|%3|%4|%5")
                        .arg(query.Fields(0).AsString(), query.Fields(1).AsString(), query.Fields(2).AsString(),
                             query.Fields(3).AsString(), query.Fields(4).AsString());
        return rows;
    }
    // Clicks "Kreiraj dokument" and picks 'day' in the date picker; a product picker that
    // opens is closed without a choice.
    bool Create(const QDate &day)
    {
        world.dialogs.QueueDate(day);
        auto *form = new TParkingTicketForm(*ParkingDM);
        const WhenModalShown closePicker([](QWidget *picker) { QTest::keyClick(picker, Qt::Key_Escape); });
        Child<QPushButton>(*form, "CreateButton")->click();
        QCoreApplication::processEvents();
        form->close();
        return closePicker.Ran();
    }
};

} // namespace

class TestParkingTicketForm : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void importFillsTheGrid();
    void enterAndEscapeClose_data();
    void enterAndEscapeClose();
    void documentOfADay_data();
    void documentOfADay();
    void refusedDocumentGetsNoItemsNorNotice();
    void secondDocumentAskedFirst();
    void dayDocumentOfAnotherDeskMeanwhile_data();
    void dayDocumentOfAnotherDeskMeanwhile();
};

void TestParkingTicketForm::importFillsTheGrid()
{
    DocumentsFixture fixture;
    QTemporaryDir dir;
    fixture.dialogs.QueueFile(WriteExport(
        dir, "2024-05-01 10:00:00,DK1,1,BG123AA,300,1,,0,,1,Đorđe Čačić,Glavna,1,Šabac,1,1,,K\r\n"
             "2024-05-01 11:00:00,DK2,2,NS44BB,400,5,,0,,1,Ana,,,,,1,,K\r\n"
             "2024-05-02 09:30:00,DK3,3,KG5CC,500,2,,0,,1,Žika Žikić,,,,,1,,K\r\n"));
    auto *form = new TParkingTicketForm(*ParkingDM);
    form->show();
    QCOMPARE(Child<dataset::DBGrid>(*form, "DBGrid")->model()->rowCount(), 0);
    QSignalSpy finished(form, &imports::TParkingImportForm::importFinished);
    form->LoadButtonClick();
    // The document reads the tables being replaced: its button waits for the import.
    QVERIFY(!Child<QPushButton>(*form, "CreateButton")->isEnabled());
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY(Child<QPushButton>(*form, "CreateButton")->isEnabled());
    QCOMPARE(Child<dataset::DBGrid>(*form, "DBGrid")->model()->rowCount(), 2);
    QCOMPARE(Child<QLabel>(*form, "LoadingInfoLabel")->text(), QStringLiteral("Svi podaci su učitani."));
    QVERIFY(fixture.dialogs.Errors().isEmpty());
    QDir().mkpath("/tmp/i10a");
    form->grab().save("/tmp/i10a/ticketform.png");
    form->close();
}

// "&Zatvori" is the default and the cancel button: Enter on the grid closes the form
// rather than starting an import, and so does Esc.
void TestParkingTicketForm::enterAndEscapeClose_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("enter") << int(Qt::Key_Return);
    QTest::newRow("escape") << int(Qt::Key_Escape);
}

void TestParkingTicketForm::enterAndEscapeClose()
{
    QFETCH(int, key);
    DocumentsFixture fixture;
    QPointer<TParkingTicketForm> form = new TParkingTicketForm(*ParkingDM);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    Child<dataset::DBGrid>(*form, "DBGrid")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QTRY_VERIFY(form.isNull());
    QVERIFY(fixture.dialogs.ShownDialogs().empty());
}

void TestParkingTicketForm::documentOfADay_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<bool>("written");
    // Tickets: A1 issued on the 5th (300), B2 issued on the 4th and cancelled on the 5th
    // (300), C3 issued on the 5th at a price without a product (999), D4 issued on the 5th (500).
    QTest::addColumn<QString>("report");
    QTest::newRow("issued and cancelled")
        << QStringList{"1|A1 - ident. Doplatna karta 300|1|250|250", "2|D4 - ident. Doplatna karta 500|1|400|400",
                       "3|B2 - ident. Doplatna karta 300|-1|250|-250"}
        << true
        << "Izdatih karata: 3\nStorniranih karata: 1\nDokument M-1 sa 3 stavki\nIzostavljeno karata: 1\n"
           "  C3: nema proizvoda za DK999";
    QTest::newRow("only cancellations")
        << QStringList{} << false
        << "Izdatih karata: 0\nStorniranih karata: 0\n"
           "Za 05.12.2026 nije izdata nijedna karta; dokument nije napravljen.\nIzostavljeno karata: 0";
}

void TestParkingTicketForm::documentOfADay()
{
    QFETCH(QStringList, items);
    QFETCH(bool, written);
    QFETCH(QString, report);
    DocumentHost host;
    if (written) {
        host.Ticket("A1", 300, "2026-12-05 00:00:00");
        host.Ticket("C3", 999, "2026-12-05 12:00:00");
        host.Ticket("D4", 500, "2026-12-05 23:59:59");
        host.Ticket("E5", 300, "2026-12-06 00:00:00");
    }
    host.Ticket("B2", 300, "2026-12-04 10:00:00", "2026-12-05");
    // C3's price has no product: it is left out without a picker and named in the report.
    QVERIFY(!host.Create(QDate(2026, 12, 5)));
    QCOMPARE(host.Items(), items);
    QCOMPARE(host.world.dialogs.ShownDialogs().back().text, report);
    QVERIFY(TestApplication::instance()->errors.isEmpty());
    if (written)
        QCOMPARE(host.service->calls.last().left(7), QStringLiteral("notice "));
    else
        QVERIFY(host.service->calls.isEmpty());
}

void TestParkingTicketForm::refusedDocumentGetsNoItemsNorNotice()
{
    DocumentHost host;
    host.Ticket("A1", 300, "2026-12-05 10:00:00");
    host.world.connection().Execute(
        "CREATE TRIGGER refuse_document BEFORE INSERT ON document FOR EACH ROW "
        "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'odbijeno'");
    host.Create(QDate(2026, 12, 5));
    QCOMPARE(host.world.dialogs.Errors(), QStringList{"Dokument M-1 nije moguće snimiti."});
    QCOMPARE(host.Items(), QStringList{});
    QCOMPARE(host.service->calls, QStringList{"number M n 2026-12-05 0"});
}

// A second document for a day is asked first; the default answer writes nothing, a picker
// opens only where several products share the bar code.
void TestParkingTicketForm::secondDocumentAskedFirst()
{
    DocumentHost host;
    host.products->products.push_back(MakeProduct(13, "P500B", "DK500", "Doplatna karta 500 b", 400.0, 20.0));
    host.Ticket("A1", 300, "2026-12-05 08:00:00");
    host.Ticket("D4", 500, "2026-12-05 09:00:00");
    QVERIFY(host.Create(QDate(2026, 12, 5))); // D4's picker, closed without a choice
    QCOMPARE(host.Items(), QStringList{"1|A1 - ident. Doplatna karta 300|1|250|250"});
    host.world.dialogs.Clear();
    QVERIFY(!host.Create(QDate(2026, 12, 5)));
    const auto asked = host.world.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation);
    QCOMPARE(asked.size(), std::size_t(1));
    QCOMPARE(asked.front().text, QStringLiteral("Dokument za 05.12.2026 je već napravljen. Napraviti još jedan?"));
    QCOMPARE(host.Items(), QStringList{"1|A1 - ident. Doplatna karta 300|1|250|250"});
}

void TestParkingTicketForm::dayDocumentOfAnotherDeskMeanwhile_data()
{
    QTest::addColumn<bool>("makeAnother");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("Ne") << false << QStringList{};
    QTest::newRow("Da") << true << QStringList{"1|A1 - ident. Doplatna karta 300|1|250|250"};
}

// Another desk makes the day's document while this one runs (its record not committed
// yet when this run looked): the run waits for it in the database, is refused, and asks
// outside any transaction; "Ne" (the default) leaves the day with the other desk's one.
void TestParkingTicketForm::dayDocumentOfAnotherDeskMeanwhile()
{
    QFETCH(bool, makeAnother);
    DocumentHost host;
    host.Ticket("A1", 300, "2026-12-05 08:00:00");
    dataset::Connection other;
    other.Connect(host.world.db.params());
    other.Execute("START TRANSACTION");
    other.Execute("INSERT INTO parkingimporthistory (kind, startedat, outcome, documentday, document, daycopy) "
                  "VALUES ('ticket-document', NOW(), 'uspeh', '2026-12-05', 'M-9', 0)");
    std::thread commit([&other] {
        QThread::msleep(500);
        other.Execute("COMMIT");
    });
    std::vector<bool> inTransaction;
    host.world.dialogs.WhileShown([&inTransaction](const ScriptedDialogService::Shown &shown) {
        if (shown.kind == ScriptedDialogService::Kind::Confirmation)
            inTransaction.push_back(ParkingDM->Connection()->InTransaction());
    });
    host.world.dialogs.QueueConfirm(makeAnother);
    host.Create(QDate(2026, 12, 5));
    commit.join();
    const auto asked = host.world.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation);
    QCOMPARE(asked.size(), std::size_t(1));
    QCOMPARE(asked.front().text, QStringLiteral("Dokument za 05.12.2026 je već napravljen. Napraviti još jedan?"));
    QCOMPARE(inTransaction, std::vector<bool>{false});
    QTEST(host.Items(), "items");
    QCOMPARE(host.world
                 .Scalar("SELECT GROUP_CONCAT(daycopy ORDER BY daycopy) FROM parkingimporthistory "
                         "WHERE kind = 'ticket-document'")
                 .toString(),
             makeAnother ? QStringLiteral("0,1") : QStringLiteral("0"));
}

PARKING_TEST_MAIN(TestParkingTicketForm)
#include "tst_ParkingTicketForm.moc"
