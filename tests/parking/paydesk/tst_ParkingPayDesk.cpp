#include "../documents/DocumentsFixture.h"
#include "../host/FakeDocumentHost.h"

#include <dataset/widgets/DBGrid.h>
#include <parking/documents/ParkingViewerUnit.h>
#include <framework/report/GridPrint.h>
#include <parking/paydesk/ParkingPayDeskUnit.h>

#include <QAction>

#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QThread>

#include <thread>

// The pay desk: the day's two summaries, the "M" document made from the product
// summary and the prints through the console's wizard.
class TestParkingPayDesk : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void summariesCoverWholeDay();
    void cashierSumsFollowTheItems();
    void datePickerStartsToday();
    void documentFromSummary();
    void nothingWritten_data();
    void nothingWritten();
    void onlyTicketsAndSubscriptionsWriteNothing();
    void refusedItemShownWithLockFree();
    void deadlockedRunWrittenAgainOnce();
    void newsReachesEitherPage();
    void dayDocumentOfAnotherDeskMeanwhile_data();
    void dayDocumentOfAnotherDeskMeanwhile();
    void printParameters();
    void typedDateReloads();
    void printoutCarriesTotalOperatorTime();
    void keys();
    void openedFromList();
    void grab();
};

namespace {

const QString kDay = QStringLiteral("2026-12-06");

struct PayDesk {
    DocumentsFixture fx;
    FakeDocumentHost fakes{*fx.console};
    QPointer<TParkingPayDeskForm> form = new TParkingPayDeskForm(*ParkingDM);

    ~PayDesk() { delete form; }

    // One document at 'time' with one item of 'code' (product id 'productId').
    qint64 Sale(const QString &time, const QString &code, int productId, double value, int userId = 7)
    {
        static int number = 0;
        const qint64 id = fx.InsertDocument(QString::number(++number), time, userId);
        fx.connection().Execute(
            QStringLiteral("INSERT INTO parkingdocumentitem (quantity, price, itemvalue, taxid, taxvalue, "
                           "productid, productcode, productname, parkingdocumentid, ticketnumber) "
                           "VALUES (1, %1, %1, 2, 20, %2, %3, %4, %5, 'K')")
                .arg(value)
                .arg(productId)
                .arg(dataset::Connection::Quote(code), dataset::Connection::Quote(QStringLiteral("Naziv ") + code))
                .arg(id));
        // As the document's save does.
        parking::StoreDocumentTotal(fx.connection(), id);
        return id;
    }
    QString Rows(dataset::Query &query, const QStringList &fields)
    {
        QStringList rows;
        for (query.First(); !query.Eof(); query.Next()) {
            QStringList values;
            for (const QString &field : fields)
                values << query.FieldByName(field).DisplayText();
            rows << values.join(QLatin1Char(' '));
        }
        return rows.join(QStringLiteral("; "));
    }
    QString Scalar(const QString &sql) { return fx.Scalar(sql).toString(); }
    void Load(const QString &day)
    {
        Child<QLineEdit>(*form, "DateEdit")->setText(day);
        TParkingPayDeskForm::LoadSummaries(*ParkingDM, day);
    }
};

} // namespace

// From 00:00:00 to 23:59:59 of the day, both included; items of one product merge;
// a user without a row in the user table is summed without a name.
void TestParkingPayDesk::summariesCoverWholeDay()
{
    PayDesk desk;
    desk.fx.InsertUser(7, QStringLiteral("Petar"), QStringLiteral("Petrović"));
    desk.Sale(QStringLiteral("2026-12-05 23:59:59"), QStringLiteral("P1"), 1, 1000);
    desk.Sale(QStringLiteral("2026-12-06 00:00:00"), QStringLiteral("P1"), 1, 100);
    desk.Sale(QStringLiteral("2026-12-06 12:00:00"), QStringLiteral("A2"), 2, 10.01, 99);
    desk.Sale(QStringLiteral("2026-12-06 23:59:59"), QStringLiteral("P1"), 1, 50);
    desk.Sale(QStringLiteral("2026-12-07 00:00:00"), QStringLiteral("P1"), 1, 1000);
    desk.Load(kDay);
    QCOMPARE(desk.Rows(ParkingDM->ParkingPayDeskProductZQ(), {"productcode", "SumQuantity", "SumItemTotal"}),
             QStringLiteral("A2 1 12.01; P1 2 180.00"));
    QCOMPARE(desk.Rows(ParkingDM->ParkingPayDeskUserZQ(), {"UserName", "SumItemTotal"}),
             QStringLiteral(" 12.01; Petar Petrović 180.00"));
    QCOMPARE(Child<dataset::DBGrid>(*desk.form, "ParkingPayDeskProductDBG")->model()->rowCount(), 2);
}

// The cashiers' sums are those of their items: a document without items names no
// cashier, an item worth nothing does, and a deleted document's items leave the sums.
void TestParkingPayDesk::cashierSumsFollowTheItems()
{
    PayDesk desk;
    desk.fx.InsertUser(7, QStringLiteral("Petar"), QStringLiteral("Petrović"));
    desk.fx.InsertUser(8, QStringLiteral("Ana"), QStringLiteral("Ilić"));
    desk.fx.InsertUser(9, QStringLiteral("Zoran"), QStringLiteral("Bač"));
    desk.Sale(QStringLiteral("2026-12-06 08:00:00"), QStringLiteral("P1"), 1, 100);
    const qint64 second = desk.Sale(QStringLiteral("2026-12-06 09:00:00"), QStringLiteral("P1"), 1, 50);
    desk.fx.InsertDocument(QStringLiteral("bez stavki"), QStringLiteral("2026-12-06 10:00:00"), 8);
    desk.Sale(QStringLiteral("2026-12-06 11:00:00"), QStringLiteral("P0"), 2, 0, 9);
    desk.Load(kDay);
    QCOMPARE(desk.Rows(ParkingDM->ParkingPayDeskUserZQ(), {"UserName", "SumItemTotal"}),
             QStringLiteral("Petar Petrović 180.00; Zoran Bač 0.00"));

    desk.fx.connection().Execute(QStringLiteral("DELETE FROM parkingdocument WHERE parkingdocumentid = %1").arg(second));
    desk.Load(kDay);
    QCOMPARE(desk.Rows(ParkingDM->ParkingPayDeskUserZQ(), {"UserName", "SumItemTotal"}),
             QStringLiteral("Petar Petrović 120.00; Zoran Bač 0.00"));
    QCOMPARE(desk.Rows(ParkingDM->ParkingPayDeskProductZQ(), {"productcode", "SumItemTotal"}),
             QStringLiteral("P0 0.00; P1 120.00"));
}

void TestParkingPayDesk::datePickerStartsToday()
{
    PayDesk desk;
    QCOMPARE(Child<QLineEdit>(*desk.form, "DateEdit")->text(), QDate::currentDate().toString(Qt::ISODate));
    desk.Sale(QStringLiteral("2026-01-05 10:00:00"), QStringLiteral("P1"), 1, 100);
    Child<QLineEdit>(*desk.form, "DateEdit")->setText(QStringLiteral("2025-03-03"));
    desk.fx.dialogs.QueueDate(QDate(2026, 1, 5));
    Child<QPushButton>(*desk.form, "DateButton")->click();
    QCOMPARE(desk.fx.dialogs.ShownDialogs().front().preset.toDate(), QDate::currentDate());
    QCOMPARE(Child<QLineEdit>(*desk.form, "DateEdit")->text(), QStringLiteral("2026-01-05"));
    QCOMPARE(ParkingDM->ParkingPayDeskProductZQ().RecordCount(), 1);
    Child<QPushButton>(*desk.form, "DateButton")->click(); // cancelled: nothing changes
    QCOMPARE(Child<QLineEdit>(*desk.form, "DateEdit")->text(), QStringLiteral("2026-01-05"));
}

// Codes beginning DK or OPN are shown and counted but not written; sort numbers run
// over the written rows only. The document takes the day typed into the box, and its
// items are that day's: a typed day the grids did not show yet is loaded first.
void TestParkingPayDesk::documentFromSummary()
{
    PayDesk desk;
    desk.Sale(QStringLiteral("2026-01-05 08:00:00"), QStringLiteral("DK123"), 1, 100);
    desk.Sale(QStringLiteral("2026-01-05 09:00:00"), QStringLiteral("OPNX"), 2, 200);
    desk.Sale(QStringLiteral("2026-01-05 10:00:00"), QStringLiteral("XDK1"), 3, 300);
    desk.Sale(QStringLiteral("2026-01-05 11:00:00"), QStringLiteral("P4"), 4, 40);
    desk.Sale(QStringLiteral("2026-01-05 11:30:00"), QStringLiteral("P4"), 4, 60);
    desk.Sale(kDay + QStringLiteral(" 11:00:00"), QStringLiteral("P9"), 9, 999);
    desk.Load(kDay);
    Child<QLineEdit>(*desk.form, "DateEdit")->setText(QStringLiteral("2026-01-05"));
    desk.fx.dialogs.QueueConfirm(true);
    Child<QPushButton>(*desk.form, "CreateButton")->click();
    QCOMPARE(desk.fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation).front().text,
             QStringLiteral("Kreirati dokument za 05.01.2026? Stavki: 2, ukupno 480.00 RSD."));
    QCOMPARE(desk.Scalar(QStringLiteral("SELECT CONCAT(documenttype, ' ', number, ' ', documentdate, ' ', "
                                        "IFNULL(partnerid, '-')) FROM document")),
             QStringLiteral("M 1 2026-01-05 -"));
    QCOMPARE(desk.Scalar(QStringLiteral(
                 "SELECT GROUP_CONCAT(CONCAT(sort, ':', productname, ':', quantity, ':', itemvalue, ':', productid) "
                 "ORDER BY sort SEPARATOR ', ') FROM documentitem")),
             QStringLiteral("1:Naziv P4:2:100:4, 2:Naziv XDK1:1:300:3"));
    QCOMPARE(Child<QProgressBar>(*desk.form, "ProgressBar")->maximum(), 4);
    QCOMPARE(Child<QProgressBar>(*desk.form, "ProgressBar")->value(), 4);
    const QString id = desk.Scalar(QStringLiteral("SELECT documentid FROM document"));
    QCOMPARE(desk.fakes.service->calls.last(), QStringLiteral("notice %1 1 0").arg(id));
    QVERIFY(!ParkingDM->ParkingPayDeskProductZQ().ControlsDisabled());
    // A second run for the day is asked first: "Ne" (the default) writes nothing, "Da" a
    // second document.
    Child<QPushButton>(*desk.form, "CreateButton")->click();
    QCOMPARE(desk.fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation).back().text,
             QStringLiteral("Dokument za 05.01.2026 je već napravljen. Napraviti još jedan?"));
    QCOMPARE(desk.Scalar(QStringLiteral("SELECT COUNT(*) FROM document")), QStringLiteral("1"));
    desk.fx.dialogs.QueueConfirm(true);
    desk.fx.dialogs.QueueConfirm(true);
    Child<QPushButton>(*desk.form, "CreateButton")->click();
    QCOMPARE(desk.Scalar(QStringLiteral("SELECT GROUP_CONCAT(number ORDER BY documentid) FROM document")),
             QStringLiteral("1,2"));
}

// An empty day, an unreadable date and a document that cannot be posted write nothing.
void TestParkingPayDesk::nothingWritten_data()
{
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("documentService");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("empty day") << "2026-12-07" << "2026-12-07" << true << QStringList() << QStringList();
    QTest::newRow("unreadable date") << kDay << "2026-13-45" << true
                                     << QStringList{"„2026-13-45“ nije ispravan datum."} << QStringList();
    QTest::newRow("no number") << kDay << kDay << false << QStringList()
                               << QStringList{"Dokument M- nije moguće snimiti."};
    QTest::newRow("answered no") << kDay << kDay << true << QStringList() << QStringList();
}

void TestParkingPayDesk::nothingWritten()
{
    QFETCH(QString, day);
    QFETCH(QString, typed);
    QFETCH(bool, documentService);
    QFETCH(QStringList, errors);
    QFETCH(QStringList, boxes);
    PayDesk desk;
    if (!documentService)
        desk.fx.console->modules.remove(IDocumentService::IID);
    desk.Sale(kDay + QStringLiteral(" 08:00:00"), QStringLiteral("P1"), 1, 100);
    desk.Load(day);
    Child<QLineEdit>(*desk.form, "DateEdit")->setText(typed);
    desk.fx.dialogs.QueueConfirm(QString::fromUtf8(QTest::currentDataTag()) != QLatin1String("answered no"));
    Child<QProgressBar>(*desk.form, "ProgressBar")->setValue(50);
    Child<QPushButton>(*desk.form, "CreateButton")->click();
    QCoreApplication::processEvents();
    QCOMPARE(Child<QProgressBar>(*desk.form, "ProgressBar")->value(), 0);   // each run starts empty
    QCOMPARE(TestApplication::instance()->errors.size(), errors.size());
    if (!errors.isEmpty())
        QCOMPARE(TestApplication::instance()->errors, errors);
    QCOMPARE(desk.fx.dialogs.Errors(), boxes);
    QCOMPARE(desk.Scalar(QStringLiteral("SELECT COUNT(*) FROM document")), QStringLiteral("0"));
    QCOMPARE(desk.Scalar(QStringLiteral("SELECT COUNT(*) FROM documentitem")), QStringLiteral("0"));
    QVERIFY(!ParkingDM->ParkingPayDeskProductZQ().ControlsDisabled());
}

// A day whose sales are all tickets (DK) and subscriptions (OPN) gives no item: no empty
// document, no number drawn, no notice, and the cashier is told why.
void TestParkingPayDesk::onlyTicketsAndSubscriptionsWriteNothing()
{
    PayDesk desk;
    desk.Sale(kDay + QStringLiteral(" 08:00:00"), QStringLiteral("DK123"), 1, 100);
    desk.Sale(kDay + QStringLiteral(" 09:00:00"), QStringLiteral("OPNX"), 2, 200);
    desk.Load(kDay);
    Child<QPushButton>(*desk.form, "CreateButton")->click();
    QCoreApplication::processEvents();
    QCOMPARE(desk.Scalar(QStringLiteral("SELECT COUNT(*) FROM document")), QStringLiteral("0"));
    QVERIFY(desk.fakes.service->calls.isEmpty());
    const auto shown = desk.fx.dialogs.ShownOf(ScriptedDialogService::Kind::Information);
    QCOMPARE(shown.size(), std::size_t(1));
    QCOMPARE(shown.front().text, QStringLiteral("Za 06.12.2026 nema stavki za dokument."));
}

// A refused item is reported once the document is committed: while its box waits for the
// cashier, nothing of the document is locked (another cashier's connection locks its
// rows at once) and the pay desk's session has no transaction open.
void TestParkingPayDesk::refusedItemShownWithLockFree()
{
    PayDesk desk;
    desk.fx.connection().Execute(
        QStringLiteral("CREATE TRIGGER refuse_item BEFORE INSERT ON documentitem FOR EACH ROW "
                       "IF NEW.productname = 'Naziv P2' THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'odbijeno'; "
                       "END IF"));
    desk.Sale(kDay + QStringLiteral(" 08:00:00"), QStringLiteral("P1"), 1, 100);
    desk.Sale(kDay + QStringLiteral(" 09:00:00"), QStringLiteral("P2"), 2, 200);
    desk.Load(kDay);
    dataset::Connection other;
    other.Connect(desk.fx.db.params());
    QStringList whileShown;
    const auto ask = [](dataset::Connection &connection, const QString &sql) {
        dataset::Query query;
        query.SetConnection(&connection);
        query.SetSQL({sql});
        query.Open();
        return query.Fields(0).AsString();
    };
    desk.fx.dialogs.QueueConfirm(true);
    desk.fx.dialogs.WhileShown([&](const ScriptedDialogService::Shown &shown) {
        if (shown.kind == ScriptedDialogService::Kind::Confirmation)
            return;
        whileShown << ask(other,
                          QStringLiteral("SELECT COUNT(*) FROM (SELECT documentid FROM document "
                                         "FOR UPDATE NOWAIT) AS locked"))
                   << QString::number(desk.fx.connection().InTransaction())
                   << ask(desk.fx.connection(), QStringLiteral("SELECT @@in_transaction"));
    });
    Child<QPushButton>(*desk.form, "CreateButton")->click();
    QCOMPARE(desk.fx.dialogs.Errors(), QStringList{QStringLiteral("Proizvod Naziv P2 nije snimljen u dokumentu M-1.")});
    QCOMPARE(whileShown, (QStringList{QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0")}));
    QCOMPARE(desk.Scalar(QStringLiteral("SELECT GROUP_CONCAT(productname) FROM documentitem")),
             QStringLiteral("Naziv P1"));
}

// The server undoes the run as a deadlock's victim at its second item (a trigger raises
// 1213 once per session): the whole document is written again, with no message, and
// stored once with every item once.
void TestParkingPayDesk::deadlockedRunWrittenAgainOnce()
{
    PayDesk desk;
    desk.fx.connection().Execute(
        QStringLiteral("CREATE TRIGGER item_victim BEFORE INSERT ON documentitem FOR EACH ROW BEGIN "
                       "SET @items = COALESCE(@items, 0) + 1; "
                       "IF @items = 2 THEN SIGNAL SQLSTATE '40001' SET MYSQL_ERRNO = 1213, "
                       "MESSAGE_TEXT = 'Deadlock found when trying to get lock'; END IF; END"));
    desk.Sale(kDay + QStringLiteral(" 08:00:00"), QStringLiteral("P1"), 1, 100);
    desk.Sale(kDay + QStringLiteral(" 09:00:00"), QStringLiteral("P2"), 2, 200);
    desk.Load(kDay);
    const qsizetype reported = TestApplication::instance()->errors.size();
    desk.fx.dialogs.QueueConfirm(true);
    Child<QPushButton>(*desk.form, "CreateButton")->click();
    QCOMPARE(desk.fx.dialogs.Errors(), QStringList{});
    QCOMPARE(TestApplication::instance()->errors.size(), reported);
    // The host's numbering ran for each try; one document stays.
    QCOMPARE(desk.fakes.service->calls.filter(QStringLiteral("number M")).size(), 2);
    QCOMPARE(desk.Scalar(QStringLiteral("SELECT COUNT(*) FROM document")), QStringLiteral("1"));
    QCOMPARE(desk.Scalar(QStringLiteral("SELECT GROUP_CONCAT(productname ORDER BY sort) FROM documentitem")),
             QStringLiteral("Naziv P1,Naziv P2"));
    QCOMPARE(desk.Scalar(QStringLiteral("SELECT @items")), QStringLiteral("4"));
    QCOMPARE(Child<QProgressBar>(*desk.form, "ProgressBar")->value(), 2);
}

void TestParkingPayDesk::dayDocumentOfAnotherDeskMeanwhile_data()
{
    QTest::addColumn<bool>("makeAnother");
    QTest::addColumn<QString>("copies");
    QTest::newRow("Ne") << false << "0";
    QTest::newRow("Da") << true << "0,1";
}

// Two desks make the day's document at the same moment: the other desk's record is not
// committed yet when this desk looks, so nothing is asked before the run; the run waits
// for that record in the database, is refused, and asks outside any transaction.
void TestParkingPayDesk::dayDocumentOfAnotherDeskMeanwhile()
{
    QFETCH(bool, makeAnother);
    PayDesk desk;
    desk.Sale(kDay + QStringLiteral(" 08:00:00"), QStringLiteral("P1"), 1, 100);
    desk.Load(kDay);
    dataset::Connection other;
    other.Connect(desk.fx.db.params());
    other.Execute(QStringLiteral("START TRANSACTION"));
    other.Execute(QStringLiteral("INSERT INTO parkingimporthistory (kind, startedat, outcome, documentday, document, "
                                 "daycopy) VALUES ('paydesk-document', NOW(), 'uspeh', %1, 'M-9', 0)")
                      .arg(dataset::Connection::Quote(kDay)));
    std::thread commit([&other] {
        QThread::msleep(500);
        other.Execute(QStringLiteral("COMMIT"));
    });
    std::vector<bool> inTransaction;
    desk.fx.dialogs.WhileShown([&inTransaction](const ScriptedDialogService::Shown &shown) {
        if (shown.kind == ScriptedDialogService::Kind::Confirmation)
            inTransaction.push_back(ParkingDM->Connection()->InTransaction());
    });
    desk.fx.dialogs.QueueConfirm(true); // the run with its items and total
    desk.fx.dialogs.QueueConfirm(makeAnother);
    Child<QPushButton>(*desk.form, "CreateButton")->click();
    commit.join();
    const auto asked = desk.fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation);
    QCOMPARE(asked.size(), std::size_t(2));
    QCOMPARE(asked.back().text, QStringLiteral("Dokument za 06.12.2026 je već napravljen. Napraviti još jedan?"));
    QCOMPARE(inTransaction, (std::vector<bool>{false, false}));
    QCOMPARE(desk.Scalar(QStringLiteral("SELECT COUNT(*) FROM document")), makeAnother ? QStringLiteral("1") : QStringLiteral("0"));
    QTEST(desk.Scalar(QStringLiteral("SELECT GROUP_CONCAT(daycopy ORDER BY daycopy) FROM parkingimporthistory "
                                     "WHERE kind = 'paydesk-document'")),
          "copies");
}

// The document made from the page "Grafikoni" is told there, and stays told on "Tabele";
// the news covers neither page's print button.
void TestParkingPayDesk::newsReachesEitherPage()
{
    PayDesk desk;
    desk.Sale(kDay + QStringLiteral(" 10:00:00"), QStringLiteral("P4"), 4, 40);
    desk.Load(kDay);
    desk.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(desk.form));
    auto *pages = Child<QTabWidget>(*desk.form, "PayDeskPages");
    pages->setCurrentIndex(1);
    desk.fx.dialogs.QueueConfirm(true);
    Child<QPushButton>(*desk.form, "CreateButton")->click();
    QCoreApplication::processEvents();
    const auto *banner = Child<QWidget>(*desk.form, "FeedbackBanner");
    QVERIFY2(Child<QLabel>(*desk.form, "FeedbackText")->text().startsWith(QStringLiteral("Napravljen je dokument")),
             qPrintable(Child<QLabel>(*desk.form, "FeedbackText")->text()));
    for (const int page : {1, 0}) {
        pages->setCurrentIndex(page);
        QCoreApplication::processEvents();
        QVERIFY2(banner->isVisible(), qPrintable(pages->tabText(page)));
        for (const char *name : {"PrintChartsButton", "PrintProdButton"}) {
            const auto *button = Child<QWidget>(*desk.form, name);
            if (!button->isVisible())
                continue;
            const QRect shown(button->mapTo(desk.form, QPoint(0, 0)), button->size());
            QVERIFY2(!shown.intersects(banner->geometry()), name);
        }
    }
}

// The parameter carries the box's text as it stands; the console's print grid is the
// printed one during the run and the earlier one afterwards.
void TestParkingPayDesk::printParameters()
{
    PayDesk desk;
    dataset::DBGrid earlier;
    desk.fx.console->printGrid = &earlier;
    Child<QLineEdit>(*desk.form, "DateEdit")->setText(kDay);
    Child<QPushButton>(*desk.form, "PrintProdButton")->click();
    Child<QLineEdit>(*desk.form, "DateEdit")->setText(QStringLiteral("5.1.2026"));
    Child<QAction>(*desk.form, "PrintUser")->trigger();
    QCOMPARE(desk.fx.console->wizardRuns.size(), 2);
    QVERIFY(desk.fx.console->wizardRuns[0].startsWith(
        QStringLiteral("Štampa|title:Blagajna 2026-12-06 - Proizvodi;header:")));
    QVERIFY(desk.fx.console->wizardRuns[1].startsWith(
        QStringLiteral("Štampa|title:Blagajna 5.1.2026 - Korisnici;header:")));
    QCOMPARE(desk.fx.console->wizardGrids,
             (QList<dataset::DBGrid *>{Child<dataset::DBGrid>(*desk.form, "ParkingPayDeskProductDBG"),
                                       Child<dataset::DBGrid>(*desk.form, "ParkingPayDeskUserDBG")}));
    QCOMPARE(desk.fx.console->printGrid, &earlier);
}

// A day typed into the box is shown once Enter is pressed or the box is left.
void TestParkingPayDesk::typedDateReloads()
{
    PayDesk desk;
    desk.Sale(QStringLiteral("2026-11-06 08:00:00"), QStringLiteral("P6"), 6, 60);
    desk.Sale(QStringLiteral("2026-11-07 08:00:00"), QStringLiteral("P7"), 7, 70);
    desk.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(desk.form));
    auto *box = Child<QLineEdit>(*desk.form, "DateEdit");
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("2026-11-07"));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(desk.Rows(ParkingDM->ParkingPayDeskProductZQ(), {"productcode"}), QStringLiteral("P7"));
    QCOMPARE(desk.form->ShownDay(), QDate(2026, 11, 7));
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("2026-11-06"));
    Child<dataset::DBGrid>(*desk.form, "ParkingPayDeskUserDBG")->setFocus();
    QTRY_COMPARE(desk.form->ShownDay(), QDate(2026, 11, 6));
    QCOMPARE(desk.Rows(ParkingDM->ParkingPayDeskProductZQ(), {"productcode"}), QStringLiteral("P6"));
    QCOMPARE(desk.Scalar(QStringLiteral("SELECT COUNT(*) FROM document")), QStringLiteral("0"));
}

// Each printout names its grand total, who printed it and when.
void TestParkingPayDesk::printoutCarriesTotalOperatorTime()
{
    PayDesk desk;
    desk.fx.InsertUser(7, QStringLiteral("Petar"), QStringLiteral("Petrović"));
    desk.Sale(kDay + QStringLiteral(" 08:00:00"), QStringLiteral("P1"), 1, 1000);
    desk.Sale(kDay + QStringLiteral(" 09:00:00"), QStringLiteral("P2"), 2, 50);
    desk.Load(kDay);
    const QDateTime before = QDateTime::currentDateTime();
    Child<QPushButton>(*desk.form, "PrintProdButton")->click();
    Child<QAction>(*desk.form, "PrintUser")->trigger();
    QCOMPARE(desk.fx.console->wizardRuns.size(), 2);
    for (const QString &run : desk.fx.console->wizardRuns) {
        const QString header = run.section(QStringLiteral(";header:"), 1);
        QVERIFY2(header.startsWith(QStringLiteral("Ukupno: 1,260.00 RSD · Štampao: Petar Petrović · Vreme štampe: ")),
                 qPrintable(header));
        const QDateTime printed = QDateTime::fromString(header.section(QStringLiteral("Vreme štampe: "), 1),
                                                        QStringLiteral("dd.MM.yyyy HH:mm"));
        QVERIFY(qAbs(printed.secsTo(before)) < 120);
    }
    const PrintWizardParams parsed = ParsePrintWizardParams(desk.fx.console->wizardRuns[0].section(u'|', 1));
    QTextBrowser page;
    page.setHtml(GridHtml(*Child<dataset::DBGrid>(*desk.form, "ParkingPayDeskProductDBG"), parsed.title, parsed.header));
    page.resize(794, 360);
    GrabIfAsked(&page, QStringLiteral("blagajna-printout"));
}

// Enter in the date box starts no run; Escape closes the form, which frees itself.
void TestParkingPayDesk::keys()
{
    PayDesk desk;
    desk.Sale(QDate::currentDate().toString(Qt::ISODate) + QStringLiteral(" 08:00:00"), QStringLiteral("P1"), 1, 100);
    Child<QPushButton>(*desk.form, "DateButton")->setEnabled(true);
    TParkingPayDeskForm::LoadSummaries(*ParkingDM, Child<QLineEdit>(*desk.form, "DateEdit")->text());
    desk.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(desk.form));
    Child<QLineEdit>(*desk.form, "DateEdit")->setFocus();
    QTest::keyClick(Child<QLineEdit>(*desk.form, "DateEdit"), Qt::Key_Return);
    QCOMPARE(desk.Scalar(QStringLiteral("SELECT COUNT(*) FROM document")), QStringLiteral("0"));
    QTest::keyClick(Child<QLineEdit>(*desk.form, "DateEdit"), Qt::Key_Escape);
    QTRY_VERIFY(desk.form.isNull());
}

// The list opens the pay desk and the zone frame modally; each frees itself when closed.
void TestParkingPayDesk::openedFromList()
{
    DocumentsFixture fx;
    TParkingViewerForm list(*ParkingDM);
    for (QAction *action : {Child<QAction>(list, "PayDeskAction"), Child<QAction>(list, "ParkingZoneFrameAction")}) {
        QPointer<QWidget> shown;
        QWidget *owner = nullptr;
        WhenModalShown step([&](QWidget *modal) {
            shown = modal;
            owner = modal->parentWidget();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        action->trigger();
        QVERIFY(step.Ran());
        QCOMPARE(owner, &list);
        QTRY_VERIFY(shown.isNull());
    }
}

void TestParkingPayDesk::grab()
{
    PayDesk desk;
    desk.fx.InsertUser(7, QStringLiteral("Petar"), QStringLiteral("Petrović"));
    desk.Sale(kDay + QStringLiteral(" 08:00:00"), QStringLiteral("DK1200"), 1, 1000);
    desk.Sale(kDay + QStringLiteral(" 09:00:00"), QStringLiteral("P60"), 2, 50);
    desk.Load(kDay);
    desk.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(desk.form));
    GrabIfAsked(desk.form, QStringLiteral("blagajna"));
    desk.fx.dialogs.QueueConfirm(true);
    Child<QPushButton>(*desk.form, "CreateButton")->click();
    QCOMPARE(Child<QProgressBar>(*desk.form, "ProgressBar")->value(), 2);
    QTest::qWait(20);
    GrabIfAsked(desk.form, QStringLiteral("blagajna-run"));
}

PARKING_TEST_MAIN(TestParkingPayDesk)
#include "tst_ParkingPayDesk.moc"
