#include "../lookups/LookupFixture.h"

#include <dataset/widgets/DBEdit.h>
#include <dataset/widgets/DBGrid.h>
#include <framework/base/Abort.h>
#include <framework/base/Validator.h>
#include <framework/common/CommonResourceString.h>
#include <framework/common/QtDialogService.h>
#include <parking/documents/ParkingDetailUnit.h>
#include <parking/lookups/ParkingSelectForm.h>
#include <routines/TextFormat.h>

#include <QAction>
#include <QListWidget>
#include <QMessageBox>
#include <QScopeGuard>
#include <QToolTip>
#include <ctime>

namespace {

dataset::Query &Documents()
{
    return ParkingDM->ParkingDocumentZQ();
}

dataset::Query &Items()
{
    return ParkingDM->ParkingDocumentItemZQ();
}

QString Header(const char *field)
{
    return Documents().FieldByName(QString::fromLatin1(field)).AsString();
}

// The product module holds the ticket products DK1200 and DK2400.
struct SearchFixture : LookupFixture {
    SearchFixture()
    {
        products->products = {MakeProduct(11, "P-1200", "DK1200", "Doplatna karta 1200", 1000, 20),
                              MakeProduct(12, "P-2400", "DK2400", "Doplatna karta 2400", 2000, 20)};
    }
    void InsertTicket(const QString &number, double price, const QString &name)
    {
        LookupFixture::InsertTicket("BG123AB", "2013-03-04 10:00:00", number, 2, price, name);
    }
    void InsertSubscription(const QString &zone, const QString &from, const QString &to)
    {
        LookupFixture::InsertSubscription("BG123AB", "PR-7", zone, from, to);
    }
    // A saved document BG 123AB, with one item of 100 at 20 % when 'withItem'.
    qint64 OpenDocument(bool withItem)
    {
        const qint64 id = InsertDocument("1/13", "2013-05-01 10:00:00");
        if (withItem)
            InsertItem(id, 100, 20, "DK1200");
        OpenDocuments(id);
        return id;
    }
};

// Chooses the first line of each picker that opens (or closes an empty one), for as long
// as it lives.
class ChooseFirstLines {
public:
    ChooseFirstLines()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            if (auto *picker = qobject_cast<TParkingSelectForm *>(QApplication::activeModalWidget())) {
                shown << picker->windowTitle();
                QListWidget *const list = Child<QListWidget>(*picker, "ListBox");
                QTest::keyClick(list, list->count() > 0 ? Qt::Key_Return : Qt::Key_Escape);
            }
        });
        m_timer.start();
    }
    QStringList shown;

private:
    QTimer m_timer;
};

void ShowForm(TParkingDetailForm &form)
{
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
}

// Types 'text' into the grid's current cell key by key, as the cell editor opens.
void TypeIntoCell(dataset::DBGrid *grid, const QString &text)
{
    for (const QChar c : text) {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : grid;
        QTest::keyClick(target, c.toLatin1());
    }
}

// Answers every picker and message box that opens with Enter, as a cashier in haste
// does, for as long as it lives; the boxes are the real ones and their texts are kept.
class EnterOnEverything {
public:
    EnterOnEverything()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal))
                boxes << box->text();
            if (modal)
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : modal, Qt::Key_Return);
        });
        m_timer.start();
    }
    QStringList boxes;

private:
    QtDialogService m_service;
    ScopedDialogService m_scope{m_service};
    QTimer m_timer;
};

// The rows of the item list as productcode/ticketnumber, in the order shown.
QStringList ItemRows()
{
    QStringList rows;
    const int code = Items().FieldByName("productcode").Index();
    const int ticket = Items().FieldByName("ticketnumber").Index();
    for (int row = 0; row < Items().RecordCount(); ++row)
        rows << Items().RowValue(row, code).toString() + "/" + Items().RowValue(row, ticket).toString();
    return rows;
}

// Statements that changed data on the module's connection so far.
int Writes(DocumentsFixture &fx)
{
    return fx.Scalar(QStringLiteral("SELECT SUM(VARIABLE_VALUE) FROM information_schema.SESSION_STATUS "
                                    "WHERE VARIABLE_NAME IN ('COM_INSERT', 'COM_UPDATE', 'COM_DELETE')"))
        .toInt();
}

} // namespace

class TestParkingTicketSearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ticketAddsItemAndPayer_data();
    void ticketAddsItemAndPayer();
    void ticketWithoutProduct();
    void subscriptionFillsHeader_data();
    void subscriptionFillsHeader();
    void periodByCalendarDays_data();
    void periodByCalendarDays();
    void nothingToSearch_data();
    void nothingToSearch();
    void typedCodeReplacedByCtrlSpace();
    void enterKey();
    void severalProductsChosen();
    void chosenProductsSurviveTicketSearch();
    void paidTicketAsks_data();
    void paidTicketAsks();
    void typedPaidTicketAsksAtSave();
    void closedTicketOnlyInExportAsks();
    void sameTicketTwiceAsksEnterSaysNo();
    void typedTicketTwiceAsksAtSave_data();
    void typedTicketTwiceAsksAtSave();
    void downAfterNewItemAppendsRow();
    void ticketColumnShowsWholeNumber_data();
    void ticketColumnShowsWholeNumber();
    void vehicleWithoutTickets();
    void emptyNewDocumentAsks();
    void cutTextTold();
    void missingProductModule();
    void grab();
};

void TestParkingTicketSearch::ticketAddsItemAndPayer_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("presetFirst");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::newRow("three words") << "Petar Pera Perić" << "" << "Petar" << "Pera Perić";
    QTest::newRow("one word") << "Perić" << "" << "" << "Perić";
    QTest::newRow("first name kept") << "Petar Perić" << "Marko" << "Marko" << "Perić";
}

// The ticket priced 1199.60 finds DK1200; the item carries the ticket number, is posted
// and counted, and the payer fills only empty header fields of a document put into editing.
void TestParkingTicketSearch::ticketAddsItemAndPayer()
{
    QFETCH(QString, name);
    QFETCH(QString, presetFirst);
    QFETCH(QString, first);
    QFETCH(QString, last);
    SearchFixture fx;
    const qint64 id = fx.OpenDocument(true);
    if (!presetFirst.isEmpty()) {
        fx.connection().Execute(QStringLiteral("UPDATE parkingdocument SET firstname = %1, city = 'Niš' WHERE "
                                               "parkingdocumentid = %2")
                                    .arg(dataset::Connection::Quote(presetFirst))
                                    .arg(id));
        fx.OpenDocuments(id);
    }
    fx.InsertTicket("T-77", 1199.6, name);
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    const ChooseFirstLines choose;
    Child<QAction>(form, "FindTicketAction")->trigger();

    QCOMPARE(choose.shown, QStringList{"Izaberite kartu"});   // one product: no product picker
    QCOMPARE(std::get<0>(fx.products->searches.at(0)), QStringLiteral("DK1200"));
    QCOMPARE(Items().RecordCount(), 2);
    QCOMPARE(Items().State(), dataset::DataSetState::Browse);
    QCOMPARE(Items().FieldByName("productid").AsInteger(), 11);
    QCOMPARE(Items().FieldByName("ticketnumber").AsString(), "T-77");
    QCOMPARE(Items().FieldByName("price").AsFloat(), 1000.0);
    QCOMPARE(form.NetTotal(), 1100.0);
    QCOMPARE(form.GrossTotal(), 1320.0);
    QCOMPARE(Documents().State(), dataset::DataSetState::Edit);
    QCOMPARE(Header("firstname"), first);
    QCOMPARE(Header("lastname"), last);
    QCOMPARE(Header("city"), presetFirst.isEmpty() ? "Beograd" : "Niš");
    QCOMPARE(Header("address"), "Ulica 1");
    QCOMPARE(Header("zip"), "11000");
    QCOMPARE(Header("personalidentificator"), "0101");

    form.CustomOK->trigger();
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem WHERE ticketnumber = 'T-77' "
                                      "AND parkingdocumentid = %1").arg(id)).toInt(), 1);
}

// No product for the ticket's price: nothing added and the header left as it was.
void TestParkingTicketSearch::ticketWithoutProduct()
{
    SearchFixture fx;
    fx.OpenDocument(true);
    fx.InsertTicket("T-9", 777, "Petar Perić");
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    const ChooseFirstLines choose;
    Child<QAction>(form, "FindTicketAction")->trigger();
    QTRY_COMPARE(choose.shown, (QStringList{"Izaberite kartu", "Izaberite proizvod"}));
    QCOMPARE(Items().RecordCount(), 1);
    QCOMPARE(Documents().State(), dataset::DataSetState::Browse);
    QCOMPARE(Header("lastname"), QString());
    form.CustomCancel->trigger();
}

void TestParkingTicketSearch::subscriptionFillsHeader_data()
{
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("expectedZone");
    QTest::addColumn<int>("days");
    QTest::newRow("green monthly") << "Pretplatna Zelena zona - mesecna" << "2013-03-31" << "II" << 30;
    QTest::newRow("red monthly, part day") << "Pretplatna Crvena zona - mesecna" << "2013-03-30 23:00" << "I" << 29;
    QTest::newRow("green yearly") << "Pretplatna Zelena zona - godisnja" << "2014-02-28" << "III" << 364;
    QTest::newRow("other") << "parkiraliste" << "2013-03-31" << "III" << 30;
}

// No ticket and no items: the subscription gives the payer, a period from today as long
// as its own, and the zone of a monthly subscription.
void TestParkingTicketSearch::subscriptionFillsHeader()
{
    QFETCH(QString, zone);
    QFETCH(QString, to);
    QFETCH(QString, expectedZone);
    QFETCH(int, days);
    SearchFixture fx;
    const qint64 id = fx.OpenDocument(false);
    fx.connection().Execute(QStringLiteral("UPDATE parkingdocument SET parkingzone = 'III', lastname = 'Staro' "
                                           "WHERE parkingdocumentid = %1").arg(id));
    fx.OpenDocuments(id);
    fx.InsertSubscription(zone, "2013-03-01", to);
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    const ChooseFirstLines choose;
    Child<QAction>(form, "FindTicketAction")->trigger();
    QCOMPARE(choose.shown, QStringList{"Izaberite kartu"});   // the empty ticket picker is not waited for
    QCOMPARE(Documents().State(), dataset::DataSetState::Edit);
    QCOMPARE(Header("firstname"), "Ana");
    QCOMPARE(Header("lastname"), "Staro");
    QCOMPARE(Header("personalidentificator"), "0202");
    QCOMPARE(Header("parkingzone"), expectedZone);
    const QDate today = QDate::currentDate();
    QCOMPARE(Documents().FieldByName("parkingfromdate").AsDateTime().date(), today);
    QCOMPARE(Documents().FieldByName("parkingtodate").AsDateTime().date(), today.addDays(days));
    QCOMPARE(Items().RecordCount(), 0);
    form.CustomCancel->trigger();
}

void TestParkingTicketSearch::periodByCalendarDays_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("days");
    QTest::newRow("March, 23-hour day") << "2025-03-01" << "2025-03-31" << 30;
    QTest::newRow("October, 25-hour day") << "2025-10-01" << "2025-10-31" << 30;
    QTest::newRow("across the spring change") << "2025-03-15" << "2025-04-15" << 31;
}

// Where summer time starts or ends the period still counts calendar days.
void TestParkingTicketSearch::periodByCalendarDays()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, days);
    const QByteArray zone = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", "Europe/Belgrade");
    tzset();
    const auto restore = qScopeGuard([&] {
        if (hadZone)
            qputenv("TZ", zone);
        else
            qunsetenv("TZ");
        tzset();
    });
    SearchFixture fx;
    fx.OpenDocument(false);
    fx.InsertSubscription(QStringLiteral("Pretplatna Zelena zona - mesecna"), from, to);
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    const ChooseFirstLines choose;
    Child<QAction>(form, "FindTicketAction")->trigger();
    const QDate start = Documents().FieldByName("parkingfromdate").AsDateTime().date();
    QCOMPARE(start.daysTo(Documents().FieldByName("parkingtodate").AsDateTime().date()), qint64(days));
    form.CustomCancel->trigger();
}

void TestParkingTicketSearch::nothingToSearch_data()
{
    QTest::addColumn<bool>("withItem");
    QTest::addColumn<QString>("registration");
    QTest::newRow("empty registration") << false << "";
    QTest::newRow("items, no ticket") << true << "123AB";
}

// No registration: no search. Items and no ticket: no subscription picker.
void TestParkingTicketSearch::nothingToSearch()
{
    QFETCH(bool, withItem);
    QFETCH(QString, registration);
    SearchFixture fx;
    const qint64 id = fx.OpenDocument(withItem);
    fx.connection().Execute(QStringLiteral("UPDATE parkingdocument SET cityreg = IF(%1 = '', '', cityreg), "
                                           "regnumber = %1 WHERE parkingdocumentid = %2")
                                .arg(dataset::Connection::Quote(registration))
                                .arg(id));
    fx.OpenDocuments(id);
    fx.InsertSubscription("Pretplatna Zelena zona - mesecna", "2013-03-01", "2013-03-31");
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    const ChooseFirstLines choose;
    Child<QAction>(form, "FindTicketAction")->trigger();
    QTest::qWait(30);
    QVERIFY(choose.shown.isEmpty());
    QCOMPARE(Documents().State(), dataset::DataSetState::Browse);
    form.CustomCancel->trigger();
}

// A code typed into a new row and Ctrl+Space: the picker (even for one match) and the
// found product's row instead of the typed one.
void TestParkingTicketSearch::typedCodeReplacedByCtrlSpace()
{
    SearchFixture fx;
    fx.OpenDocument(true);
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    dataset::DBGrid *grid = Child<dataset::DBGrid>(form, "DocumentItemDBG");
    grid->setFocus();
    Items().Append();
    grid->SetSelectedIndex(grid->ColumnByFieldName("productcode"));
    TypeIntoCell(grid, QStringLiteral("p-2400"));
    const ChooseFirstLines choose;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space, Qt::ControlModifier);
    QTRY_COMPARE(choose.shown, QStringList{"Izaberite proizvod"});
    QCOMPARE(Items().RecordCount(), 2);
    QCOMPARE(Items().State(), dataset::DataSetState::Insert);
    QCOMPARE(Items().FieldByName("productid").AsInteger(), 12);
    QCOMPARE(Items().FieldByName("productcode").AsString(), "P-2400");
    QCOMPARE(form.GrossTotal(), 120.0 + 2400.0);
    Items().Cancel();
    form.CustomCancel->trigger();
}

// Enter with a bar code in the name cell adds its product without a picker; Enter in the
// header does nothing and saves nothing.
void TestParkingTicketSearch::enterKey()
{
    SearchFixture fx;
    fx.OpenDocument(true);
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    const int writes = Writes(fx);
    const ChooseFirstLines choose;

    Child<dataset::DBEdit>(form, "LastNameEdit")->setFocus();
    QTest::keyClick(Child<dataset::DBEdit>(form, "LastNameEdit"), Qt::Key_Return);
    QTest::keyClick(Child<dataset::DBEdit>(form, "LastNameEdit"), Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(form.isVisible());
    QCOMPARE(Items().RecordCount(), 1);

    dataset::DBGrid *grid = Child<dataset::DBGrid>(form, "DocumentItemDBG");
    grid->setFocus();
    Items().Append();
    grid->SetSelectedIndex(grid->ColumnByFieldName("productname"));
    TypeIntoCell(grid, QStringLiteral("DK2400"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(Items().RecordCount(), 2);
    QCOMPARE(Items().FieldByName("productid").AsInteger(), 12);
    QVERIFY(choose.shown.isEmpty());
    QVERIFY(form.isVisible());
    QCOMPARE(Writes(fx), writes);
    Items().Cancel();
    form.CustomCancel->trigger();
}

// Every product of a multiple choice becomes a row; saving is refused while one of
// them lacks its ticket number and writes nothing, and succeeds once all have one.
void TestParkingTicketSearch::severalProductsChosen()
{
    SearchFixture fx;
    const qint64 id = fx.OpenDocument(true);
    fx.products->selection = {fx.products->products[0], fx.products->products[1], fx.products->products[0]};
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    Child<QAction>(form, "AddItem")->trigger();
    QCOMPARE(Items().RecordCount(), 4);
    QCOMPARE(Items().State(), dataset::DataSetState::Insert);
    QCOMPARE(form.NetTotal(), 100.0 + 1000 + 2000 + 1000);
    Items().FieldByName("ticketnumber").SetAsString("T-30");
    Items().Post();

    const int writes = Writes(fx);
    try {
        form.CustomApplyExecute();
        QFAIL("saved with a row lacking its ticket number");
    } catch (const EValidationError &error) {
        QCOMPARE(error.message(), FormatResource(CommonResourceString(u"_CMN_FIELD_REQUIRED_ERR"), {"Karta"}));
    }
    QCOMPARE(Writes(fx), writes);
    QVERIFY(Items().FieldByName("ticketnumber").AsString().isEmpty());   // shows the row lacking it

    for (Items().First(); !Items().Eof(); Items().Next()) {
        if (Items().FieldByName("ticketnumber").AsString().isEmpty()) {
            Items().Edit();
            Items().FieldByName("ticketnumber").SetAsString("T-" + QString::number(Items().RecNo()));
            Items().Post();
        }
    }
    form.CustomOKExecute();
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem WHERE parkingdocumentid = %1")
                           .arg(id)).toInt(), 4);
}

// Products chosen together and then a ticket search: each chosen product keeps its row.
void TestParkingTicketSearch::chosenProductsSurviveTicketSearch()
{
    SearchFixture fx;
    fx.OpenDocument(false);
    fx.products->selection = {fx.products->products[0], fx.products->products[1]};
    fx.InsertTicket("T-77", 1200, "Petar Perić");
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    Child<QAction>(form, "AddItem")->trigger();
    const ChooseFirstLines choose;
    Child<QAction>(form, "FindTicketAction")->trigger();
    QCOMPARE(Items().RecordCount(), 3);
    QStringList rows;
    for (Items().First(); !Items().Eof(); Items().Next())
        rows << Items().FieldByName("productid").AsString() + "/" + Items().FieldByName("ticketnumber").AsString();
    QCOMPARE(rows, (QStringList{"11/", "12/", "11/T-77"}));
    QCOMPARE(form.NetTotal(), 1000.0 + 2000 + 1000);
    form.CustomCancel->trigger();
}

void TestParkingTicketSearch::paidTicketAsks_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("onDocument");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("question");
    const QString onDocument = "Karta 1000101 je već plaćena dokumentom 5/26 (07.12.2026). Dodati je ipak?";
    QTest::newRow("on a document, no") << 2 << true << false << onDocument;
    QTest::newRow("on a document, yes") << 2 << true << true << onDocument;
    QTest::newRow("paid, no") << 3 << false << false << "Karta 1000101 ima status \"Naplaćena\". Dodati je ipak?";
    QTest::newRow("cancelled, no") << 5 << false << false << "Karta 1000101 ima status \"Poništena\". Dodati je ipak?";
    QTest::newRow("paid by a reminder, no")
        << 7 << false << false << "Karta 1000101 ima status \"Naplaćena opomenom\". Dodati je ipak?";
    QTest::newRow("paid by a lawsuit, yes")
        << 9 << false << true << "Karta 1000101 ima status \"Naplaćena tužbom\". Dodati je ipak?";
    QTest::newRow("in a lawsuit, unpaid") << 8 << false << true << "";
    QTest::newRow("unpaid") << 2 << false << true << "";
}

// A ticket paid on another document or marked paid or cancelled is added only when the
// cashier says so; "Ne" adds nothing and leaves the header alone.
void TestParkingTicketSearch::paidTicketAsks()
{
    QFETCH(int, status);
    QFETCH(bool, onDocument);
    QFETCH(bool, yes);
    QFETCH(QString, question);
    SearchFixture fx;
    if (onDocument)
        fx.InsertItem(fx.InsertDocument("5/26", "2026-12-07 09:30:00", 7, "999ZZ"), 1000, 20, "DK1200", "1000101");
    fx.OpenDocument(false);
    fx.LookupFixture::InsertTicket("BG123AB", "2026-12-01 10:00:00", "1000101", status, 1200, "Petar Perić");
    fx.dialogs.QueueConfirm(yes);
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    const ChooseFirstLines choose;
    Child<QAction>(form, "FindTicketAction")->trigger();
    const auto asked = fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation);
    QCOMPARE(asked.empty() ? QString() : asked.front().text, question);
    QCOMPARE(Items().RecordCount(), yes ? 1 : 0);
    QCOMPARE(Header("lastname"), yes ? "Perić" : "");
    if (yes)
        form.CustomOKExecute();   // asked once only
    else
        form.CustomCancel->trigger();
    QCOMPARE(fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation).size(), question.isEmpty() ? 0u : 1u);
}

// A paid ticket's number typed into a row is asked about when saving; "Ne" writes nothing.
void TestParkingTicketSearch::typedPaidTicketAsksAtSave()
{
    SearchFixture fx;
    fx.InsertItem(fx.InsertDocument("5/26", "2026-12-07 09:30:00", 7, "999ZZ"), 1000, 20, "DK1200", "1000101");
    const qint64 id = fx.OpenDocument(false);
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    form.AddDocumentItem(fx.products->products[0]);
    Items().FieldByName("ticketnumber").SetAsString("1000101");
    const int writes = Writes(fx);
    try {
        form.CustomApplyExecute();
        QFAIL("saved a paid ticket without a question");
    } catch (const EAbort &) {
    }
    QCOMPARE(fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation).size(), 1u);
    QCOMPARE(Writes(fx), writes);
    fx.dialogs.QueueConfirm(true);
    form.CustomOKExecute();
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem WHERE parkingdocumentid = %1")
                           .arg(id)).toInt(), 1);
}

// A ticket the import left out as paid (only in its staging table) is asked about when its
// typed number is saved.
void TestParkingTicketSearch::closedTicketOnlyInExportAsks()
{
    SearchFixture fx;
    fx.connection().Execute(QStringLiteral("INSERT INTO parkingticketraw (id_DK, status_doplatne) VALUES ('1000107', 7)"));
    fx.OpenDocument(false);
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    form.AddDocumentItem(fx.products->products[0]);
    Items().FieldByName("ticketnumber").SetAsString("1000107");
    QVERIFY_THROWS_EXCEPTION(EAbort, form.CustomApplyExecute());
    const auto asked = fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation);
    QCOMPARE(asked.size(), 1u);
    QCOMPARE(asked.front().text, "Karta 1000107 ima status \"Naplaćena opomenom\". Dodati je ipak?");
    form.CustomCancel->trigger();
}

// The same ticket chosen twice in the picker, each time with Enter: the second time the
// real box asks, Enter answers "Ne" and the document keeps one item for the ticket.
void TestParkingTicketSearch::sameTicketTwiceAsksEnterSaysNo()
{
    SearchFixture fx;
    const qint64 id = fx.OpenDocument(false);
    fx.InsertTicket("1000104", 1200, "Petar Perić");
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    const EnterOnEverything enter;
    Child<QAction>(form, "FindTicketAction")->trigger();
    Child<QAction>(form, "FindTicketAction")->trigger();
    QCOMPARE(enter.boxes, QStringList{"Karta 1000104 je već na ovom dokumentu. Dodati je još jednom?"});
    QCOMPARE(ItemRows(), QStringList{"P-1200/1000104"});
    form.CustomOKExecute();
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem WHERE parkingdocumentid = %1")
                           .arg(id)).toInt(), 1);
}

void TestParkingTicketSearch::typedTicketTwiceAsksAtSave_data()
{
    QTest::addColumn<bool>("storedFirst");
    QTest::addColumn<bool>("yes");
    QTest::newRow("two new rows, no") << false << false;
    QTest::newRow("two new rows, yes") << false << true;
    QTest::newRow("beside a stored row, no") << true << false;
}

// A number typed into a row that another row of the document holds already: the save
// asks once; "Ne" writes nothing and stands on the repeated row.
void TestParkingTicketSearch::typedTicketTwiceAsksAtSave()
{
    QFETCH(bool, storedFirst);
    QFETCH(bool, yes);
    SearchFixture fx;
    const qint64 id = fx.OpenDocument(false);
    if (storedFirst) {
        fx.InsertItem(id, 1000, 20, "P-1200", "1000104");
        fx.OpenDocuments(id);
    }
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    for (int row = storedFirst ? 1 : 0; row < 2; ++row) {
        form.AddDocumentItem(fx.products->products[0]);
        Items().FieldByName("ticketnumber").SetAsString("1000104");
        Items().Post();
    }
    fx.dialogs.QueueConfirm(yes);
    const int writes = Writes(fx);
    if (yes) {
        form.CustomOKExecute();
    } else {
        QVERIFY_THROWS_EXCEPTION(EAbort, form.CustomApplyExecute());
        QCOMPARE(Writes(fx), writes);
        QCOMPARE(Items().RecNo(), 2);
    }
    const auto asked = fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation);
    QCOMPARE(asked.size(), 1u);
    QCOMPARE(asked.front().text, "Karta 1000104 je već na ovom dokumentu. Dodati je još jednom?");
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem WHERE parkingdocumentid = %1")
                           .arg(id)).toInt(), yes ? 2 : (storedFirst ? 1 : 0));
    if (!yes)
        form.CustomCancel->trigger();
}

// "Dodaj stavku" on a saved document, a ticket number typed into the new row and Down at
// typing speed: the row keeps its place, an empty row follows and takes what comes next.
void TestParkingTicketSearch::downAfterNewItemAppendsRow()
{
    SearchFixture fx;
    const qint64 id = fx.OpenDocument(true);
    fx.products->selection = {fx.products->products[0]};
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    dataset::DBGrid *grid = Child<dataset::DBGrid>(form, "DocumentItemDBG");
    Child<QAction>(form, "AddItem")->trigger();
    grid->setFocus();
    grid->SetSelectedIndex(grid->ColumnByFieldName("ticketnumber"));
    TypeIntoCell(grid, QStringLiteral("1000104"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(ItemRows(), (QStringList{"DK1200/K1", "P-1200/1000104", "/"}));
    QCOMPARE(Items().RecNo(), 3);
    QCOMPARE(Items().State(), dataset::DataSetState::Insert);
    QCOMPARE(grid->currentIndex().row(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
    TypeIntoCell(grid, QStringLiteral("SAT2"));
    QCOMPARE(ItemRows(), (QStringList{"DK1200/K1", "P-1200/1000104", "SAT2/"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);   // closes the cell editor
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);   // drops the typed row
    QCOMPARE(ItemRows(), (QStringList{"DK1200/K1", "P-1200/1000104"}));
    form.CustomOKExecute();
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(ticketnumber ORDER BY parkingdocumentitemid) "
                                      "FROM parkingdocumentitem WHERE parkingdocumentid = %1").arg(id)).toString(),
             "K1,1000104");
}

void TestParkingTicketSearch::ticketColumnShowsWholeNumber_data()
{
    QTest::addColumn<qreal>("points");
    QTest::newRow("100 %") << qreal(9);
    QTest::newRow("150 %") << qreal(13.5);
}

// The "Karta" column holds a ten-digit ticket number whole; a longer one is cut in the
// middle and shown whole as the cell's tool tip.
void TestParkingTicketSearch::ticketColumnShowsWholeNumber()
{
    QFETCH(qreal, points);
    const QFont original = QApplication::font();
    const auto restore = qScopeGuard([&] { QApplication::setFont(original); });
    QFont font = original;
    font.setPointSizeF(points);
    QApplication::setFont(font);
    SearchFixture fx;
    const qint64 id = fx.OpenDocument(false);
    fx.InsertItem(id, 1000, 20, "P-1200", "1000104999");
    fx.InsertItem(id, 1000, 20, "P-1200", "12345678901234567890");
    fx.OpenDocuments(id);
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    dataset::DBGrid *grid = Child<dataset::DBGrid>(form, "DocumentItemDBG");
    const int column = grid->ColumnByFieldName("ticketnumber");
    const QString shown = grid->model()->index(0, column).data().toString();
    QCOMPARE(shown, "1000104999");
    const int margins = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
    QVERIFY2(grid->fontMetrics().horizontalAdvance(shown) + margins <= grid->columnWidth(column),
             qPrintable(QString::number(grid->columnWidth(column))));
    QCOMPARE(grid->textElideMode(), Qt::ElideMiddle);
    const QRect cell = grid->visualRect(grid->model()->index(1, column));
    QHelpEvent help(QEvent::ToolTip, cell.center(), grid->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(grid->viewport(), &help);
    QTRY_VERIFY(QToolTip::isVisible());
    QVERIFY2(QToolTip::text().contains("12345678901234567890"), qPrintable(QToolTip::text()));
    QToolTip::hideText();
    form.CustomCancel->trigger();
}

// A vehicle with neither tickets nor subscriptions says so and opens no picker.
void TestParkingTicketSearch::vehicleWithoutTickets()
{
    SearchFixture fx;
    const qint64 id = fx.InsertDocument("1/13", "2013-05-01 10:00:00", 7, "123AB");
    fx.connection().Execute(QStringLiteral("UPDATE parkingdocument SET cityreg = 'NS' WHERE parkingdocumentid = %1").arg(id));
    fx.OpenDocuments(id);
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    const ChooseFirstLines choose;
    Child<QAction>(form, "FindTicketAction")->trigger();
    QVERIFY(choose.shown.isEmpty());
    const auto told = fx.dialogs.ShownOf(ScriptedDialogService::Kind::Information);
    QCOMPARE(told.size(), 1u);
    QCOMPARE(told.front().text, QStringLiteral("Za vozilo NS 123AB nema karata ni pretplata."));
    form.CustomCancel->trigger();
}

// Saving a new document without items asks first; "Ne" writes nothing.
void TestParkingTicketSearch::emptyNewDocumentAsks()
{
    SearchFixture fx;
    Documents().Open();
    Documents().Append();
    Documents().FieldByName("cityreg").SetAsString("BG");
    Documents().FieldByName("regnumber").SetAsString("123AB");
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    try {
        form.CustomApplyExecute();
        QFAIL("saved an empty document without a question");
    } catch (const EAbort &) {
    }
    QCOMPARE(fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation).size(), 1u);
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocument")).toInt(), 0);
    QCOMPARE(Documents().State(), dataset::DataSetState::Insert);
    form.CustomCancel->trigger();
}

// A payer's name longer than the document's field is cut whole characters at a time, and
// the editor says which field was cut.
void TestParkingTicketSearch::cutTextTold()
{
    SearchFixture fx;
    fx.OpenDocument(false);
    fx.InsertTicket("T-5", 1200, QStringLiteral("Ana 😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀🚗"));
    TParkingDetailForm form(*ParkingDM);
    ShowForm(form);
    const ChooseFirstLines choose;
    Child<QAction>(form, "FindTicketAction")->trigger();
    QCOMPARE(Header("lastname"), QString(30, QChar(u'x')).replace(QStringLiteral("x"), QStringLiteral("😀")));
    QCOMPARE(form.Feedback(), QStringLiteral("Polje \"Prezime\" je skraćeno na 30 znakova."));
    form.CustomOKExecute();
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT CHAR_LENGTH(lastname) FROM parkingdocument WHERE number = '1/13'")).toInt(),
             30);
}

void TestParkingTicketSearch::missingProductModule()
{
    SearchFixture fx;
    fx.OpenDocument(true);
    fx.console->modules.clear();
    TParkingDetailForm form(*ParkingDM);
    Child<QAction>(form, "AddItem")->trigger();
    QCOMPARE(fx.dialogs.Errors(), QStringList{NoModuleMessage(u"_CMN_MOD_PRODUCT_NAME")});
    QCOMPARE(Items().RecordCount(), 1);
    form.CustomCancel->trigger();
}

// Pictures of the editor with a ticket added and of the picker over it.
void TestParkingTicketSearch::grab()
{
    SearchFixture fx;
    fx.OpenDocument(false);
    fx.InsertTicket("1000105", 1200, "Petar Perić");
    fx.InsertTicket("1000231", 2400, "Petar Perić");
    TParkingDetailForm form(*ParkingDM);
    form.resize(776, 520);
    ShowForm(form);
    WhenModalShown picker([](QWidget *modal) {
        auto *form = qobject_cast<TParkingSelectForm *>(modal);
        GrabIfAsked(modal, "editor-ticket-picker");
        QTest::keyClick(Child<QListWidget>(*form, "ListBox"), Qt::Key_Return);
    });
    Child<QAction>(form, "FindTicketAction")->trigger();
    QVERIFY(picker.Ran());
    GrabIfAsked(&form, "editor-ticket-added");
    QCOMPARE(Items().RecordCount(), 1);
    form.CustomCancel->trigger();
}

PARKING_TEST_MAIN(TestParkingTicketSearch)
#include "tst_ParkingTicketSearch.moc"
