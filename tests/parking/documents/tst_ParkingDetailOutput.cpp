#include "DocumentsFixture.h"
#include "../host/FakeDocumentHost.h"

#include <parking/data/ParkingDataSetDefs.h>
#include <parking/documents/ParkingDetailUnit.h>

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>

// What the editor sends out of a saved document: the receipt and the ticket with the
// zone's streets, and the host invoices made from the current item.
class TestParkingDetailOutput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ticketStreets_data();
    void ticketStreets();
    void printTitles();
    void invoiceAndReversal();
    void cashInvoiceOfCurrentItem();
    void nothingWrittenWithoutPartner_data();
    void nothingWrittenWithoutPartner();
    void refusedInvoiceEndsRun();
    void secondInvoiceAsks();
    void printedFileOffered();
};

namespace {

dataset::Query &Documents()
{
    return ParkingDM->ParkingDocumentZQ();
}
dataset::Query &Items()
{
    return ParkingDM->ParkingDocumentItemZQ();
}

struct Output {
    DocumentsFixture fx;
    QTemporaryDir reports;
    QString reportDir;
    FakeDocumentHost fakes{*fx.console};
    FakePartnerModule &partners = *fakes.partners;
    FakeDocumentService &service = *fakes.service;
    qint64 id = 0;

    Output()
    {
        // Pictures asked for keep the printouts beside them.
        const QString keep = qEnvironmentVariable("PARKING_GRAB_DIR");
        reportDir = keep.isEmpty() ? reports.path() : keep;
        qputenv("PARKING_REPORT_DIR", reportDir.toUtf8());
        id = fx.InsertDocument(QStringLiteral("15"), QStringLiteral("2026-12-06 14:35:00"));
    }
    ~Output() { qunsetenv("PARKING_REPORT_DIR"); }

    void Open() { fx.OpenDocuments(id); }
    QString Row(const QString &sql) { return fx.Scalar(sql).toString(); }
    // Documents and items written, as "type number partner|name quantity; ...".
    QString Written()
    {
        return Row(QStringLiteral(
            "SELECT GROUP_CONCAT(CONCAT(d.documenttype, ' ', d.number, ' ', IFNULL(d.partnerid, '-'), '|', "
            "di.productname, ' ', di.quantity) ORDER BY d.documentid SEPARATOR '; ') "
            "FROM document AS d LEFT JOIN documentitem AS di ON di.documentid = d.documentid"));
    }
};

} // namespace

// The ticket stores the street list of the zone (and sector) before printing; the
// values go into the street query quoted.
void TestParkingDetailOutput::ticketStreets_data()
{
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QString>("sector");
    QTest::addColumn<QString>("streets");
    QTest::newRow("zone only, database order") << "I" << "" << "Terazije, Obilićev venac, Knez Mihailova, Zmaj Jovina";
    QTest::newRow("zone and sector") << "I" << "2" << "Knez Mihailova, Zmaj Jovina";
    QTest::newRow("no zone clears") << "" << "" << "";
    QTest::newRow("quote in zone") << "O'B" << "\\" << "Ulica pod navodnikom";
    QTest::newRow("zone without streets") << "IX" << "" << "";
}

void TestParkingDetailOutput::ticketStreets()
{
    QFETCH(QString, zone);
    QFETCH(QString, sector);
    QFETCH(QString, streets);
    Output out;
    out.fx.connection().Execute(QStringLiteral(
        "INSERT INTO parkingzoneframe (zone, sector, street) VALUES ('I', '1', 'Terazije'), "
        "('I', '1', 'Obilićev venac'), ('II', '1', 'Bulevar'), ('I', '2', 'Knez Mihailova'), "
        "('I', '2', 'Zmaj Jovina'), ('O''B', '\\\\', 'Ulica pod navodnikom')"));
    out.fx.connection().Execute(QStringLiteral("UPDATE parkingdocument SET parkingstreets = 'stare ulice', "
                                               "parkingzone = %1, parkingsector = %2")
                                    .arg(dataset::Connection::Quote(zone), dataset::Connection::Quote(sector)));
    out.fx.InsertItem(out.id, 100, 20, QStringLiteral("P1"));
    out.Open();
    TParkingDetailForm form(*ParkingDM);
    form.PrintTicketExecute();
    QCOMPARE(out.Row(QStringLiteral("SELECT parkingstreets FROM parkingdocument")), streets);
    QCOMPARE(Documents().FieldByName(QStringLiteral("parkingstreets")).AsString(), streets);
}

// Both printouts reach the report engine under their titles and become files.
void TestParkingDetailOutput::printTitles()
{
    Output out;
    out.fx.connection().Execute(QStringLiteral(
        "UPDATE parkingdocument SET countryreg = 'SRB', firstname = 'Žarko', lastname = 'Čolić', "
        "address = 'Njegoševa 5', zip = '11000', city = 'Beograd', parkingzone = 'I', parkingsector = '1', "
        "parkingfromdate = '2026-12-06', parkingtodate = '2027-01-05'"));
    out.fx.connection().Execute(QStringLiteral("INSERT INTO parkingzoneframe (zone, sector, street) VALUES "
                                               "('I', '1', 'Knez Mihailova'), ('I', '1', 'Čika Ljubina')"));
    out.fx.InsertItem(out.id, 1000, 20, QStringLiteral("DK1200"), QStringLiteral("DK10002"));
    out.fx.InsertItem(out.id, 2500, 20, QStringLiteral("OPN1"), QStringLiteral("PR-77"));
    out.Open();
    TParkingDetailForm form(*ParkingDM);
    QCOMPARE(form.PrintTitle(TParkingDetailForm::Printout::Receipt), QStringLiteral("Priznanica 15"));
    QCOMPARE(form.PrintTitle(TParkingDetailForm::Printout::Ticket), QStringLiteral("Priznanica / Karta 15"));
    // The engine names each file after the title it was given; the editor tells it.
    QStringList told;
    for (const char *print : {"DocumentPrint", "PrintTicket"}) {
        Child<QAction>(form, print)->trigger();
        told << QFileInfo(form.Feedback().section(QLatin1Char(' '), -1).chopped(1))
                    .fileName()
                    .section(QLatin1Char('-'), 0, 0);
    }
    QCOMPARE(told, (QStringList{QStringLiteral("Priznanica_15"), QStringLiteral("Priznanica_Karta_15")}));
    QVERIFY(TestApplication::instance()->errors.isEmpty());
}

void TestParkingDetailOutput::invoiceAndReversal()
{
    Output out;
    out.fx.InsertItem(out.id, 100, 20, QStringLiteral("P1"), QStringLiteral("123"));
    out.Open();
    TParkingDetailForm form(*ParkingDM);
    Child<QAction>(form, "CreateInvoice")->trigger();
    QCOMPARE(out.Written(),
             QStringLiteral("R 1 1|Doplatna karta - ident. 123 1; M 1 -|Doplatna karta - ident. 123 -1"));
    const QString r = out.Row(QStringLiteral("SELECT documentid FROM document WHERE documenttype = 'R'"));
    const QString m = out.Row(QStringLiteral("SELECT documentid FROM document WHERE documenttype = 'M'"));
    QCOMPARE(out.service.calls.filter(QStringLiteral("notice")),
             (QStringList{QStringLiteral("notice %1 1 0").arg(r), QStringLiteral("notice %1 1 1").arg(m)}));
    // Values are taken as stored, not negated or recomputed; the parking document stays.
    QCOMPARE(out.Row(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(itemvalue, '/', price, '/', taxvalue)) "
                                    "FROM documentitem")),
             QStringLiteral("100/100/20,100/100/20"));
    QCOMPARE(out.Row(QStringLiteral("SELECT documentcurrency FROM document WHERE documenttype = 'M'")),
             QStringLiteral("RSD"));
    QVERIFY(out.fx.Scalar(QStringLiteral("SELECT documentid FROM parkingdocument")).isNull());
    QVERIFY(out.fx.dialogs.Errors().isEmpty());
}

void TestParkingDetailOutput::nothingWrittenWithoutPartner_data()
{
    QTest::addColumn<bool>("partnerModule");
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("choice cancelled") << true << QStringList();
    QTest::newRow("no partner module") << false << QStringList{QStringLiteral("Modul „Partneri“ nije dostupan.")};
}

void TestParkingDetailOutput::nothingWrittenWithoutPartner()
{
    QFETCH(bool, partnerModule);
    QFETCH(QStringList, errors);
    Output out;
    out.partners.choose = false;
    if (!partnerModule)
        out.fx.console->modules.remove(IPartnerModule::IID);
    out.fx.InsertItem(out.id, 100, 20, QStringLiteral("P1"));
    out.Open();
    TParkingDetailForm form(*ParkingDM);
    Child<QAction>(form, "CreateInvoice")->trigger();
    QCOMPARE(out.fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM document")).toInt(), 0);
    QCOMPARE(out.fx.dialogs.Errors(), errors);
    QVERIFY(out.service.calls.isEmpty());
}

// A cash invoice is one "H" document carrying only the item the grid stands on.
void TestParkingDetailOutput::cashInvoiceOfCurrentItem()
{
    Output out;
    out.fx.InsertItem(out.id, 100, 20, QStringLiteral("P1"), QStringLiteral("1"));
    out.fx.InsertItem(out.id, 200, 20, QStringLiteral("P2"), QStringLiteral("2"));
    out.fx.InsertItem(out.id, 300, 20, QStringLiteral("P3"), QStringLiteral("3"));
    out.Open();
    TParkingDetailForm form(*ParkingDM);
    Items().First();
    Items().Next();
    out.fx.dialogs.QueueConfirm(true);
    Child<QAction>(form, "CreateCashInvoice")->trigger();
    QCOMPARE(out.fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation).front().text,
             QStringLiteral("Račun se pravi samo za izabranu stavku \"Doplatna karta\" (karta 2); ostale stavke "
                            "dokumenta (2) ne ulaze u njega. Nastaviti?"));
    QCOMPARE(out.Written(), QStringLiteral("H 1 1|Doplatna karta - ident. 2 1"));
    QCOMPARE(out.Row(QStringLiteral("SELECT itemvalue FROM documentitem")), QStringLiteral("200"));
    QCOMPARE(out.service.calls.last(),
             QStringLiteral("cash %1").arg(out.Row(QStringLiteral("SELECT documentid FROM document"))));
}

// Without a currency the invoice cannot be posted: nothing of it, and no "M"
// document, is written and no notice is sent.
void TestParkingDetailOutput::refusedInvoiceEndsRun()
{
    Output out;
    out.service.first = 15;
    out.fx.console->modules.remove(IDocumentModule::IID);
    out.fx.InsertItem(out.id, 100, 20, QStringLiteral("P1"));
    out.Open();
    TParkingDetailForm form(*ParkingDM);
    Child<QAction>(form, "CreateInvoice")->trigger();
    QCOMPARE(out.fx.dialogs.Errors(),
             (QStringList{QStringLiteral("Modul „Dokumenti“ nije dostupan."),
                          QStringLiteral("Dokument R-15 nije moguće snimiti.\n"
                                         "Uzrok: dokument nema valutu jer modul dokumenata nije dostupan.")}));
    QCOMPARE(out.fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM document")).toInt(), 0);
    QCOMPARE(out.fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM documentitem")).toInt(), 0);
    QCOMPARE(out.service.calls.filter(QStringLiteral("notice")), QStringList());
}

// An item invoiced once is invoiced again only when the cashier says so; the list marks
// the document as invoiced and an invoiced item cannot be deleted.
void TestParkingDetailOutput::secondInvoiceAsks()
{
    Output out;
    out.fx.InsertItem(out.id, 100, 20, QStringLiteral("P1"), QStringLiteral("123"));
    out.fx.InsertDocument(QStringLiteral("16"), QStringLiteral("2026-12-06 15:00:00"));
    out.Open();
    TParkingDetailForm form(*ParkingDM);
    Child<QAction>(form, "CreateInvoice")->trigger();
    QCOMPARE(form.Feedback(), QStringLiteral("Napravljeni su dokumenti: R-1, M-1."));
    QVERIFY(out.fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation).empty());

    Child<QAction>(form, "CreateInvoice")->trigger();   // answered "Ne"
    const auto asked = out.fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation);
    QCOMPARE(asked.size(), 1u);
    QCOMPARE(asked.front().text, QStringLiteral("Stavka \"Doplatna karta\" (karta 123) je već fakturisana (R-1, M-1). "
                                                "Napraviti još jedan račun?"));
    QCOMPARE(out.fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM document")).toInt(), 2);
    QCOMPARE(out.fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentiteminvoice")).toInt(), 2);

    QCOMPARE(out.Row(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(number, ':', Fakturisano) ORDER BY parkingdocumentid) "
                                    "FROM (SELECT pd.*, %1 FROM parkingdocument AS pd) AS list")
                         .arg(parkingdata::InvoicedColumn())),
             QStringLiteral("15:da,16:ne"));
    try {
        out.fx.connection().Execute(QStringLiteral("DELETE FROM parkingdocument WHERE number = '15'"));
        QFAIL("an invoiced document was deleted");
    } catch (const dataset::Error &error) {
        QCOMPARE(error.message(), QStringLiteral("Zapis se ne može obrisati jer ga koriste drugi podaci "
                                                 "(računi napravljeni iz stavki parking dokumenata)."));
    }
}

// A printout written to a file is named in the editor with a button that opens it.
void TestParkingDetailOutput::printedFileOffered()
{
    Output out;
    out.fx.InsertUser(7, QStringLiteral("Marko"), QStringLiteral("Marković"));
    out.fx.InsertItem(out.id, 1000, 20, QStringLiteral("DK1200"), QStringLiteral("DK10002"));
    out.Open();
    TParkingDetailForm form(*ParkingDM);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    Child<QAction>(form, "DocumentPrint")->trigger();
    QVERIFY2(form.Feedback().startsWith(QStringLiteral("Izveštaj je sačuvan u datoteci ")), qPrintable(form.Feedback()));
    const QString file = form.Feedback().section(QStringLiteral("datoteci "), 1).chopped(1);
    QVERIFY(QFileInfo::exists(file));
    QVERIFY(Child<QPushButton>(form, "FeedbackOpen")->isVisible());
    // One notice per print: the banner, no box besides it.
    QVERIFY(out.fx.dialogs.ShownOf(ScriptedDialogService::Kind::Information).empty());
    QTest::qWait(20);
    GrabIfAsked(&form, QStringLiteral("editor-printed"));
    // Without a program for PDF files (none offscreen) "Otvori" says where the file is.
    QTest::mouseClick(Child<QPushButton>(form, "FeedbackOpen"), Qt::LeftButton);
    const QFileInfo written(file);
    QCOMPARE(form.Feedback(),
             QStringLiteral("Nijedan program nije otvorio datoteku %1. Nalazi se u folderu %2.")
                 .arg(written.fileName(), QDir::toNativeSeparators(written.absolutePath())));
    QVERIFY(!Child<QPushButton>(form, "FeedbackOpen")->isVisible());
    form.CustomCancel->trigger();
}

PARKING_TEST_MAIN(TestParkingDetailOutput)
#include "tst_ParkingDetailOutput.moc"
