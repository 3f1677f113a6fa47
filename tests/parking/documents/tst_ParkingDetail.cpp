#include "DocumentsFixture.h"

#include <framework/common/CommonResourceString.h>

#include <dataset/widgets/DBComboBox.h>
#include <dataset/widgets/DBEdit.h>
#include <dataset/widgets/DBGrid.h>
#include <dataset/widgets/DBNavigator.h>
#include <framework/Interfaces.h>
#include <parking/documents/ParkingDetailUnit.h>

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>

namespace {

dataset::Query &Documents()
{
    return ParkingDM->ParkingDocumentZQ();
}

dataset::Query &Items()
{
    return ParkingDM->ParkingDocumentItemZQ();
}

TProductDesc Product(int id, const QString &code, double price, double tax)
{
    TProductDesc product;
    product.ProductID = id;
    product.Code = code;
    product.Name = QStringLiteral("Doplatna karta ") + code;
    product.Price = price;
    product.TaxValue = tax;
    product.TaxID = 1;
    return product;
}

// Statements that changed data on the module's connection so far.
int Writes(DocumentsFixture &fx)
{
    return fx.Scalar(QStringLiteral("SELECT SUM(VARIABLE_VALUE) FROM information_schema.SESSION_STATUS "
                                    "WHERE VARIABLE_NAME IN ('COM_INSERT', 'COM_UPDATE', 'COM_DELETE')"))
        .toInt();
}

// Types 'text' into the item grid's cell as the operator would commit it.
void TypeIntoGrid(TParkingDetailForm &form, const QString &field, const QString &text)
{
    dataset::DBGrid *grid = Child<dataset::DBGrid>(form, "DocumentItemDBG");
    const int column = grid->ColumnByFieldName(field);
    const int row = Items().RecNo() - 1;
    QVERIFY(grid->model()->setData(grid->model()->index(row, column), text));
}

// A new document in the list with a valid header, as Dodaj leaves it.
void AppendDocument()
{
    dataset::Query &documents = Documents();
    if (!documents.Active())
        documents.Open();
    documents.Append();
    documents.FieldByName(QStringLiteral("cityreg")).SetAsString(QStringLiteral("BG"));
    documents.FieldByName(QStringLiteral("regnumber")).SetAsString(QStringLiteral("123AB"));
}

// A saved document 1/13 with one item of 100 at 20 % tax, the current row of the list.
qint64 OpenSavedDocument(DocumentsFixture &fx)
{
    const qint64 id = fx.InsertDocument("1/13", "2013-05-01 10:00:00");
    fx.InsertItem(id, 100, 20, "DK1200");
    fx.OpenDocuments(id);
    return id;
}

} // namespace

class TestParkingDetail : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openedEditor();
    void headerShowsDocument_data();
    void headerShowsDocument();
    void totals_data();
    void totals();
    void newDocumentOpensEmpty();
    void closeQuestion_data();
    void closeQuestion();
    void okOnUnchangedWritesNothing();
    void cancelDropsNewDocument();
    void itemsBoundToNewKey_data();
    void itemsBoundToNewKey();
    void applyAndPrintEnabling();
    void deleteKeys_data();
    void deleteKeys();
    void typingOverCode();
    void keysTypedAtOnceStayInNewRow();
    void datePickers();
    void itemQueryReleasedOnClose();
    void numberGivenAtSave_data();
    void numberGivenAtSave();
    void failedSaveKeepsEverything_data();
    void failedSaveKeepsEverything();
    void enterSavesNothing_data();
    void enterSavesNothing();
    void savedTotalFollowsItems();
    void grab();
};

// What the layout does rather than where it puts things (the pictures show that):
// focus, the anchored print buttons, which cells can be typed, which actions work.
void TestParkingDetail::openedEditor()
{
    DocumentsFixture fx;
    OpenSavedDocument(fx);
    TParkingDetailForm form(*ParkingDM);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.UpdateActions();
    QCOMPARE(form.windowTitle(), QStringLiteral("Račun / Karta"));
    QCOMPARE(form.focusWidget(), Child<dataset::DBEdit>(form, "CityRegEdit"));

    // The print buttons keep their distance from the right edge, the invoice buttons
    // their place at the left.
    const int printAt = Child<QPushButton>(form, "DocumentPrintButton")->x();
    const int invoiceAt = Child<QPushButton>(form, "CreateInvoiceButton")->x();
    form.resize(form.width() + 100, 510);
    QTest::qWait(20);
    QCOMPARE(Child<QPushButton>(form, "DocumentPrintButton")->x(), printAt + 100);
    QCOMPARE(Child<QPushButton>(form, "CreateInvoiceButton")->x(), invoiceAt);
    QCOMPARE(invoiceAt, 8);

    const QAbstractItemModel *items = Child<dataset::DBGrid>(form, "DocumentItemDBG")->model();
    QStringList typed;
    for (int column = 0; column < items->columnCount(); ++column) {
        if (items->flags(items->index(0, column)) & Qt::ItemIsEditable)
            typed << Child<dataset::DBGrid>(form, "DocumentItemDBG")->ColumnFieldName(column);
    }
    QCOMPARE(typed, (QStringList{"productcode", "productname", "ticketnumber"}));

    // A saved document prints and makes invoices; every action has its handler.
    for (const char *name :
         {"DateTimeAction", "FromDateAction", "ToDateAction", "AddItem", "AddItemX", "AddItemBarcode",
          "FindTicketAction", "DocumentPrint", "PrintTicket", "CreateInvoice", "CreateCashInvoice"})
        QVERIFY2(Child<QAction>(form, name)->isEnabled(), name);
    form.CustomCancel->trigger();
}

void TestParkingDetail::headerShowsDocument_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("caption");
    QTest::newRow("number") << "NumberEdit" << "number" << "125/13" << "Broj*";
    QTest::newRow("country") << "CountryRegEdit" << "countryreg" << "SRB" << "Ozn. države";
    QTest::newRow("city mark") << "CityRegEdit" << "cityreg" << "NS" << "Ozn. grada*";
    QTest::newRow("registration") << "RegNumberEdit" << "regnumber" << "456CD" << "Reg. broj*";
    QTest::newRow("license") << "LicenseNumberEdit" << "licensenumber" << "D-778" << "Br. dozvole";
    QTest::newRow("first name") << "FirstNameEdit" << "firstname" << "Petar" << "Ime";
    QTest::newRow("last name") << "LastNameEdit" << "lastname" << "Petrović" << "Prezime";
    QTest::newRow("id number") << "PersonalIdentificatorEdit" << "personalidentificator" << "0101990710001"
                               << "JMBG";
    QTest::newRow("address") << "AddressEdit" << "address" << "Njegoševa 5" << "Adresa";
    QTest::newRow("zip") << "ZipEdit" << "zip" << "21000" << "Poštanski br.";
    QTest::newRow("city") << "CityEdit" << "city" << "Novi Sad" << "Grad";
    QTest::newRow("zone") << "ParkingZoneCB" << "parkingzone" << "II" << "Zona";
    QTest::newRow("sector") << "ParkingSectorCB" << "parkingsector" << "2" << "Sektor";
    QTest::newRow("comment") << "CommentEdit" << "comment" << "plaćeno gotovinom" << "Komentar";
}

// Each header control shows its own column of the document under its own caption.
void TestParkingDetail::headerShowsDocument()
{
    QFETCH(QString, control);
    QFETCH(QString, column);
    QFETCH(QString, value);
    QFETCH(QString, caption);

    DocumentsFixture fx;
    const qint64 id = fx.InsertDocument("1/13", "2013-05-01 10:00:00");
    fx.connection().Execute(QStringLiteral("UPDATE parkingdocument SET %1 = %2 WHERE parkingdocumentid = %3")
                                .arg(column, dataset::Connection::Quote(value), QString::number(id)));
    fx.OpenDocuments(id);
    TParkingDetailForm form(*ParkingDM);
    auto *shown = Child<QWidget>(form, "HeaderPanel")->findChild<QWidget *>(control);
    QVERIFY(shown);
    if (const auto *edit = qobject_cast<QLineEdit *>(shown))
        QCOMPARE(edit->text(), value);
    else
        QCOMPARE(qobject_cast<QComboBox *>(shown)->currentText(), value);

    QStringList captions;
    for (const QLabel *label : Child<QWidget>(form, "HeaderPanel")->findChildren<QLabel *>()) {
        if (label->x() == shown->x() && label->y() < shown->y() && shown->y() - label->y() <= 20)
            captions << label->text();
    }
    QCOMPARE(captions, QStringList{caption});
    form.CustomCancel->trigger();
}

void TestParkingDetail::totals_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QList<double>>("taxes");
    QTest::addColumn<QString>("net");
    QTest::addColumn<QString>("gross");

    QTest::newRow("no items") << QList<double>{} << QList<double>{} << "0.00" << "0.00";
    // Net summed unrounded (2.008), gross from rows each rounded to 1.00 first.
    QTest::newRow("rounded per row") << QList<double>{1.004, 1.004} << QList<double>{0, 0} << "2.01" << "2.00";
    QTest::newRow("with tax") << QList<double>{100, 50} << QList<double>{20, 10} << "150.00" << "175.00";
    QTest::newRow("grouping") << QList<double>{1234.5} << QList<double>{20} << "1,234.50" << "1,481.40";
}

void TestParkingDetail::totals()
{
    QFETCH(QList<double>, values);
    QFETCH(QList<double>, taxes);
    QFETCH(QString, net);
    QFETCH(QString, gross);

    DocumentsFixture fx;
    const qint64 id = fx.InsertDocument("1/13", "2013-05-01 10:00:00");
    for (int i = 0; i < values.size(); ++i)
        fx.InsertItem(id, values.at(i), taxes.at(i), QStringLiteral("P%1").arg(i));
    fx.OpenDocuments(id);
    TParkingDetailForm form(*ParkingDM);
    QCOMPARE(Child<QLabel>(form, "StatusPanel0")->text(), QStringLiteral("Ukupno:"));
    QCOMPARE(Child<QLabel>(form, "StatusPanel1")->text(), net);
    QCOMPARE(Child<QLabel>(form, "StatusPanel2")->text(), QStringLiteral("Ukupno sa PDV:"));
    QCOMPARE(Child<QLabel>(form, "StatusPanel3")->text(), gross);
    QCOMPARE(Child<QLabel>(form, "StatusPanel4")->text(), QStringLiteral("Petar Petrović"));
    QCOMPARE(Items().RecNo(), values.isEmpty() ? 0 : 1);

    // A recount after a post keeps the current row and gives the same totals.
    if (!values.isEmpty()) {
        Items().Last();
        const int last = Items().RecNo();
        form.RecalculateTotals();
        QCOMPARE(Items().RecNo(), last);
        QCOMPARE(Child<QLabel>(form, "StatusPanel1")->text(), net);
        QCOMPARE(Child<QLabel>(form, "StatusPanel3")->text(), gross);
    }
}

void TestParkingDetail::newDocumentOpensEmpty()
{
    DocumentsFixture fx;
    OpenSavedDocument(fx);
    Documents().Append();
    TParkingDetailForm form(*ParkingDM);
    QVERIFY(Items().Active());
    QVERIFY(Items().IsEmpty());
    QCOMPARE(Child<QLabel>(form, "StatusPanel1")->text(), QStringLiteral("0.00"));
    QCOMPARE(Child<QLabel>(form, "StatusPanel3")->text(), QStringLiteral("0.00"));
    QCOMPARE(Child<QLabel>(form, "StatusPanel4")->text(), QStringLiteral("Petar Petrović"));
    QCOMPARE(Child<dataset::DBEdit>(form, "NumberEdit")->text(),
             QStringLiteral("2/") + QDate::currentDate().toString(QStringLiteral("yy")));
}

void TestParkingDetail::closeQuestion_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("answer");   // -1: no question expected
    QTest::addColumn<bool>("staysOpen");
    QTest::addColumn<int>("itemsAfter");
    QTest::addColumn<QString>("commentAfter");

    const int yes = int(DialogAnswer::Yes), no = int(DialogAnswer::No), cancel = int(DialogAnswer::Cancel);
    QTest::newRow("unchanged asks nothing") << "none" << -1 << false << 1 << "";
    QTest::newRow("item added, cancel keeps editor") << "item" << cancel << true << 1 << "";
    QTest::newRow("item added, no drops it") << "item" << no << false << 1 << "";
    QTest::newRow("item added, yes saves it") << "item" << yes << false << 2 << "";
    QTest::newRow("header edited, cancel keeps editor") << "header" << cancel << true << 1 << "";
    QTest::newRow("header edited, no undoes it") << "header" << no << false << 1 << "";
    QTest::newRow("header edited, yes saves it") << "header" << yes << false << 1 << "placeno";
}

void TestParkingDetail::closeQuestion()
{
    QFETCH(QString, change);
    QFETCH(int, answer);
    QFETCH(bool, staysOpen);
    QFETCH(int, itemsAfter);
    QFETCH(QString, commentAfter);

    DocumentsFixture fx;
    const qint64 id = OpenSavedDocument(fx);
    TParkingDetailForm form(*ParkingDM);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    if (change == QLatin1String("item")) {
        form.AddDocumentItem(Product(2, QStringLiteral("DK600"), 500, 20));
        TypeIntoGrid(form, QStringLiteral("ticketnumber"), QStringLiteral("K77"));
        Child<dataset::DBNavigator>(form, "ItemNavigator")->BtnClick(dataset::DBNavigator::Button::Post);
    } else if (change == QLatin1String("header")) {
        Child<dataset::DBEdit>(form, "CommentEdit")->setFocus();
        QTest::keyClicks(Child<dataset::DBEdit>(form, "CommentEdit"), QStringLiteral("placeno"));
    }
    if (answer >= 0)
        fx.dialogs.QueueAnswer(DialogAnswer(answer));
    form.close();

    const auto questions = fx.dialogs.ShownOf(ScriptedDialogService::Kind::Question);
    QCOMPARE(int(questions.size()), answer >= 0 ? 1 : 0);
    if (answer >= 0)
        QCOMPARE(questions.front().text, CommonResourceString(u"_CMN_SAVE_CHANGES_PROMT"));
    QCOMPARE(form.isVisible(), staysOpen);
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem WHERE parkingdocumentid = %1")
                           .arg(id)).toInt(), itemsAfter);
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT comment FROM parkingdocument")).toString(), commentAfter);
    if (staysOpen) {   // nothing was thrown away
        if (change == QLatin1String("item"))
            QVERIFY(Items().UpdatesPending());
        else
            QCOMPARE(Documents().State(), dataset::DataSetState::Edit);
        QCOMPARE(Child<QLabel>(form, "StatusPanel1")->text(), change == QLatin1String("item") ? "600.00" : "100.00");
    } else if (answer == int(DialogAnswer::No)) {
        QVERIFY(!Items().UpdatesPending());
        QCOMPARE(Documents().State(), dataset::DataSetState::Browse);
        QCOMPARE(Documents().FieldByName(QStringLiteral("comment")).AsString(), QString());
    }
    QVERIFY(TestApplication::instance()->errors.isEmpty());
}

void TestParkingDetail::okOnUnchangedWritesNothing()
{
    DocumentsFixture fx;
    OpenSavedDocument(fx);
    TParkingDetailForm form(*ParkingDM);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const int before = Writes(fx);
    form.CustomOK->trigger();
    QCOMPARE(Writes(fx), before);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QVERIFY(fx.dialogs.ShownDialogs().empty());
}

void TestParkingDetail::cancelDropsNewDocument()
{
    DocumentsFixture fx;
    AppendDocument();
    TParkingDetailForm form(*ParkingDM);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.AddDocumentItem(Product(2, QStringLiteral("DK600"), 500, 20));
    const int before = Writes(fx);
    form.CustomCancel->trigger();
    QVERIFY(!form.isVisible());
    QVERIFY(fx.dialogs.ShownDialogs().empty());
    QVERIFY(Documents().IsEmpty());
    QVERIFY(Items().IsEmpty());
    QCOMPARE(Writes(fx), before);
}

void TestParkingDetail::itemsBoundToNewKey_data()
{
    QTest::addColumn<bool>("closeWithYes");
    QTest::newRow("apply") << false;
    QTest::newRow("close question, yes") << true;
}

// Items of a new document end up on the key the server gave the document, on both paths.
void TestParkingDetail::itemsBoundToNewKey()
{
    QFETCH(bool, closeWithYes);
    DocumentsFixture fx;
    fx.InsertDocument("1/13", "2013-05-01 10:00:00");
    fx.connection().Execute(QStringLiteral("ALTER TABLE parkingdocument AUTO_INCREMENT = 40"));
    fx.OpenDocuments();
    AppendDocument();
    TParkingDetailForm form(*ParkingDM);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    form.AddDocumentItem(Product(2, QStringLiteral("DK600"), 500, 20));
    TypeIntoGrid(form, QStringLiteral("ticketnumber"), QStringLiteral("K1"));
    Child<dataset::DBNavigator>(form, "ItemNavigator")->BtnClick(dataset::DBNavigator::Button::Post);
    form.AddDocumentItem(Product(3, QStringLiteral("DK1200"), 1000, 20));
    TypeIntoGrid(form, QStringLiteral("ticketnumber"), QStringLiteral("K2"));   // left unposted
    QCOMPARE(Child<QLabel>(form, "StatusPanel1")->text(), QStringLiteral("1,500.00"));

    if (closeWithYes) {
        fx.dialogs.QueueAnswer(DialogAnswer::Yes);
        form.close();
        QVERIFY(!form.isVisible());
    } else {
        form.UpdateActions();
        form.CustomApply->trigger();
        QVERIFY(form.isVisible());
        QCOMPARE(Documents().State(), dataset::DataSetState::Browse);
        QVERIFY(!Items().UpdatesPending());
    }
    QVERIFY2(TestApplication::instance()->errors.isEmpty(), qPrintable(TestApplication::instance()->errors.join('\n')));
    const qint64 key = fx.Scalar(QStringLiteral("SELECT MAX(parkingdocumentid) FROM parkingdocument")).toLongLong();
    QCOMPARE(key, qint64(40));
    QCOMPARE(Documents().FieldByName(QStringLiteral("parkingdocumentid")).AsLargeInt(), key);
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(ticketnumber ORDER BY ticketnumber) "
                                      "FROM parkingdocumentitem WHERE parkingdocumentid = 40")).toString(),
             QStringLiteral("K1,K2"));
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem")).toInt(), 2);
}

void TestParkingDetail::applyAndPrintEnabling()
{
    DocumentsFixture fx;
    AppendDocument();
    TParkingDetailForm form(*ParkingDM);
    const auto applyEnabled = [&form] {
        form.CustomApplyUpdate(form.CustomApply);
        return form.CustomApply->isEnabled();
    };
    QVERIFY(applyEnabled());   // a new document is unsaved
    fx.dialogs.QueueConfirm(true);   // saved without items
    form.CustomApplyExecute();
    QVERIFY(!applyEnabled());
    form.AddDocumentItem(Product(2, QStringLiteral("DK600"), 500, 20));
    QVERIFY(applyEnabled());   // an unposted item row
    TypeIntoGrid(form, QStringLiteral("ticketnumber"), QStringLiteral("K1"));
    Items().Post();
    QVERIFY(applyEnabled());   // a cached item not yet written
    form.CustomApplyExecute();
    QVERIFY(!applyEnabled());
    form.DocumentPrintUpdate(Child<QAction>(form, "DocumentPrint"));
    QVERIFY(Child<QAction>(form, "DocumentPrint")->isEnabled());
    form.AddDocumentItem(Product(3, QStringLiteral("DK700"), 500, 20));
    form.DocumentPrintUpdate(Child<QAction>(form, "CreateInvoice"));
    QVERIFY(!Child<QAction>(form, "CreateInvoice")->isEnabled()); // not while anything is unsaved
}

void TestParkingDetail::deleteKeys_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<int>("rowsLeft");
    QTest::addColumn<int>("confirmations");
    QTest::addColumn<QString>("net");

    QTest::newRow("Delete on a filled code") << "Delete" << true << 2 << 0 << "150.00";
    QTest::newRow("Shift+Delete on a filled code") << "Shift+Delete" << true << 2 << 0 << "150.00";
    QTest::newRow("Ctrl+Delete, confirmed") << "Ctrl+Delete" << true << 1 << 1 << "50.00";
    QTest::newRow("Ctrl+Delete, declined") << "Ctrl+Delete" << false << 2 << 1 << "150.00";
    QTest::newRow("navigator, confirmed") << "navigator" << true << 1 << 1 << "50.00";
    QTest::newRow("navigator, declined") << "navigator" << false << 2 << 1 << "150.00";
}

void TestParkingDetail::deleteKeys()
{
    QFETCH(QString, how);
    QFETCH(bool, confirm);
    QFETCH(int, rowsLeft);
    QFETCH(int, confirmations);
    QFETCH(QString, net);

    DocumentsFixture fx;
    const qint64 id = fx.InsertDocument("1/13", "2013-05-01 10:00:00");
    fx.InsertItem(id, 100, 20, "DK1200");
    fx.InsertItem(id, 50, 0, "DK50");
    fx.OpenDocuments(id);
    TParkingDetailForm form(*ParkingDM);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    dataset::DBGrid *grid = Child<dataset::DBGrid>(form, "DocumentItemDBG");
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QCOMPARE(grid->SelectedField()->FieldName(), QStringLiteral("productcode"));

    fx.dialogs.QueueConfirm(confirm);
    dataset::DBNavigator *navigator = Child<dataset::DBNavigator>(form, "ItemNavigator");
    if (how == QLatin1String("navigator") && confirm)
        navigator->BtnClick(dataset::DBNavigator::Button::Delete);
    else if (how == QLatin1String("navigator"))
        QVERIFY_THROWS_EXCEPTION(EAbort, navigator->BtnClick(dataset::DBNavigator::Button::Delete));
    else
        QTest::keyClick(grid, Qt::Key_Delete,
                        how.startsWith(QLatin1String("Ctrl")) ? Qt::ControlModifier
                        : how.startsWith(QLatin1String("Shift")) ? Qt::ShiftModifier : Qt::NoModifier);

    QCOMPARE(Items().RecordCount(), rowsLeft);
    QCOMPARE(int(fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation).size()), confirmations);
    QCOMPARE(Child<QLabel>(form, "StatusPanel1")->text(), net);
    Items().First();
    QCOMPARE(Items().FieldByName(QStringLiteral("productcode")).AsString(),
             rowsLeft == 2 ? QStringLiteral("DK1200") : QStringLiteral("DK50"));
    QCOMPARE(Items().UpdatesPending(), rowsLeft == 1);
    QCOMPARE(fx.Scalar("SELECT COUNT(*) FROM parkingdocumentitem").toInt(), 2);   // until saved
}

// A set product code cannot be typed over; an empty one (a new row) can.
void TestParkingDetail::typingOverCode()
{
    DocumentsFixture fx;
    OpenSavedDocument(fx);
    TParkingDetailForm form(*ParkingDM);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    dataset::DBGrid *grid = Child<dataset::DBGrid>(form, "DocumentItemDBG");
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));

    QString typed = QStringLiteral("X");
    form.DocumentItemDBGKeyPress(typed);
    QCOMPARE(typed, QString());
    QTest::keyClicks(grid, QStringLiteral("XY"));
    QCOMPARE(Items().FieldByName(QStringLiteral("productcode")).AsString(), QStringLiteral("DK1200"));
    QCOMPARE(Items().State(), dataset::DataSetState::Browse);

    Items().Append();
    typed = QStringLiteral("D");
    form.DocumentItemDBGKeyPress(typed);
    QCOMPARE(typed, QStringLiteral("D"));
    int key = Qt::Key_Delete;
    form.DocumentItemDBGKeyDown(key, Qt::NoModifier);
    QCOMPARE(key, int(Qt::Key_Delete));
    // On another column the keys pass.
    Items().Cancel();
    grid->setCurrentIndex(grid->model()->index(0, 7));
    typed = QStringLiteral("9");
    form.DocumentItemDBGKeyPress(typed);
    QCOMPARE(typed, QStringLiteral("9"));
}

// A click on the new item row's cell and keys typed at once all land in that row.
void TestParkingDetail::keysTypedAtOnceStayInNewRow()
{
    DocumentsFixture fx;
    OpenSavedDocument(fx);
    TParkingDetailForm form(*ParkingDM);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    dataset::DBGrid *grid = Child<dataset::DBGrid>(form, "DocumentItemDBG");
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, grid->ColumnByFieldName(QStringLiteral("ticketnumber"))));
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(Items().State(), dataset::DataSetState::Insert);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->currentIndex()).center());
    QTest::keyClicks(grid, QStringLiteral("K1-7"));
    QCOMPARE(Items().State(), dataset::DataSetState::Insert);
    QCOMPARE(Items().RecNo(), 2);
    QCOMPARE(Items().FieldByName(QStringLiteral("ticketnumber")).AsString(), QStringLiteral("K1-7"));
    QCOMPARE(Items().RowValue(0, Items().FieldByName(QStringLiteral("ticketnumber")).Index()).toString(),
             QStringLiteral("K1"));
    form.CustomCancel->trigger();
}

void TestParkingDetail::datePickers()
{
    DocumentsFixture fx;
    const qint64 id = fx.InsertDocument("1/13", "2013-05-01 10:00:00");
    fx.OpenDocuments(id);
    TParkingDetailForm form(*ParkingDM);
    const auto date = [](const char *field) { return Documents().FieldByName(QString::fromLatin1(field)).AsDate(); };

    // Cancelled pickers change nothing and leave the document browsing.
    form.FromDateActionExecute();
    form.DateTimeActionExecute();
    QCOMPARE(Documents().State(), dataset::DataSetState::Browse);
    const auto shown = fx.dialogs.ShownDialogs();
    QCOMPARE(shown.at(0).preset.toDate(), QDate::currentDate());   // "from" starts today
    QCOMPARE(shown.at(1).preset.toDateTime(), QDateTime(QDate(2013, 5, 1), QTime(10, 0)));

    fx.dialogs.QueueDate(QDate(2014, 3, 1));
    form.FromDateActionExecute();
    QCOMPARE(Documents().State(), dataset::DataSetState::Edit);
    QCOMPARE(date("parkingfromdate"), QDate(2014, 3, 1));
    QCOMPARE(date("parkingtodate"), QDate(2014, 3, 1));

    fx.dialogs.QueueDate(QDate(2014, 3, 31));
    form.ToDateActionExecute();
    QCOMPARE(date("parkingfromdate"), QDate(2014, 3, 1));
    QCOMPARE(date("parkingtodate"), QDate(2014, 3, 31));

    fx.dialogs.QueueDateTime(QDateTime(QDate(2014, 3, 2), QTime(8, 30)));
    form.DateTimeActionExecute();
    QCOMPARE(Documents().FieldByName(QStringLiteral("documentdatetime")).AsDateTime(),
             QDateTime(QDate(2014, 3, 2), QTime(8, 30)));
    form.CustomApplyExecute();
    QCOMPARE(fx.Scalar("SELECT CONCAT(documentdatetime, ' ', parkingfromdate, ' ', parkingtodate) "
                       "FROM parkingdocument").toString(),
             QStringLiteral("2014-03-02 08:30:00 2014-03-01 2014-03-31"));
}

// While open the editor follows the item query's posts, cancels and deletes for its
// totals; once closed they no longer reach it, and the query keeps its own rules: the
// data module still asks before a delete and the document key is required again.
void TestParkingDetail::itemQueryReleasedOnClose()
{
    DocumentsFixture fx;
    OpenSavedDocument(fx); // one item of 100
    TParkingDetailForm form(*ParkingDM);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const auto post = [](double value) {
        Items().Edit();
        Items().FieldByName(QStringLiteral("itemvalue")).SetAsFloat(value);
        Items().Post();
    };
    post(250);
    QCOMPARE(form.NetTotal(), 250.0);
    form.AddDocumentItem(Product(2, QStringLiteral("DK600"), 500, 20));
    QCOMPARE(form.NetTotal(), 750.0);
    Items().Cancel();
    QCOMPARE(form.NetTotal(), 250.0);
    fx.dialogs.QueueConfirm(true);
    Items().Delete();
    QCOMPARE(form.NetTotal(), 0.0);

    fx.dialogs.QueueAnswer(DialogAnswer::No);
    form.close();
    QVERIFY(!form.isVisible());
    const double shown = form.NetTotal();
    post(400);
    Items().Append();
    Items().Cancel();
    QCOMPARE(form.NetTotal(), shown);

    fx.dialogs.QueueConfirm(false);
    QVERIFY_THROWS_EXCEPTION(EAbort, Items().Delete());
    QCOMPARE(fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation).size(), std::size_t(2));
    QVERIFY(Items().FieldByName(QStringLiteral("parkingdocumentid")).Required());
}

void TestParkingDetail::numberGivenAtSave_data()
{
    QTest::addColumn<QString>("typed");       // empty: the number the editor showed
    QTest::addColumn<QString>("stored");      // empty: refused
    QTest::addColumn<QString>("notice");
    const QString year = QDate::currentDate().toString(QStringLiteral("yy"));
    QTest::newRow("shown number taken meanwhile")
        << QString() << QStringLiteral("3/") + year << QStringLiteral("Dokument je snimljen pod brojem 3/%1.").arg(year);
    QTest::newRow("typed number free") << QStringLiteral("77/X") << QStringLiteral("77/X") << QString();
    QTest::newRow("typed number taken") << QStringLiteral("1/13") << QString() << QString();
}

// Two cashiers open new documents at once and see the same number; the one who saves
// second gets the next free number and is told so. A number typed by hand is kept, and
// refused by the field's rule when it is taken.
void TestParkingDetail::numberGivenAtSave()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(QString, notice);
    DocumentsFixture fx;
    const IntfPtr<FakeNoticeLog> notices = CreateInterfaced<FakeNoticeLog>();
    fx.console->modules.insert(INoticeLog::IID, IntfPtr<IInterface>(notices));
    fx.InsertDocument("1/13", "2013-05-01 10:00:00");
    fx.OpenDocuments();
    AppendDocument();
    TParkingDetailForm form(*ParkingDM);
    const QString year = QDate::currentDate().toString(QStringLiteral("yy"));
    QCOMPARE(Child<dataset::DBEdit>(form, "NumberEdit")->text(), QStringLiteral("2/") + year);
    // The other cashier's document, saved while this editor is open.
    fx.InsertDocument(QStringLiteral("2/") + year, "2026-01-01 10:00:00");
    if (!typed.isEmpty())
        Documents().FieldByName(QStringLiteral("number")).SetAsString(typed);
    form.AddDocumentItem(Product(2, QStringLiteral("DK600"), 500, 20));
    TypeIntoGrid(form, QStringLiteral("ticketnumber"), QStringLiteral("K1"));

    if (stored.isEmpty()) {
        QVERIFY_THROWS_EXCEPTION(dataset::Error, form.CustomApplyExecute());
        QCOMPARE(Documents().State(), dataset::DataSetState::Insert);
        QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocument")).toInt(), 2);
        return;
    }
    form.CustomApplyExecute();
    QCOMPARE(Child<dataset::DBEdit>(form, "NumberEdit")->text(), stored);
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(number ORDER BY parkingdocumentid) FROM parkingdocument")).toString(),
             QStringLiteral("1/13,2/%1,%2").arg(year, stored));
    QCOMPARE(notices->notices, notice.isEmpty() ? QStringList() : QStringList{notice});
    // The editor itself says under which number it saved, and why that is not the one shown.
    QCOMPARE(form.Feedback(), notice.isEmpty()
                                  ? QStringLiteral("Dokument je snimljen pod brojem %1.").arg(stored)
                                  : notice + QStringLiteral(" Broj 2/%1 je u međuvremenu dobio drugi dokument.").arg(year));
    if (!notice.isEmpty()) {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::qWait(20);
        GrabIfAsked(&form, QStringLiteral("editor-renumbered"));
    }
}

// The document's row keeps what its items come to with tax, through every save: a
// deleted item leaves it, an added one joins it, a new document starts from its own.
void TestParkingDetail::savedTotalFollowsItems()
{
    DocumentsFixture fx;
    const qint64 id = fx.InsertDocument("1/13", "2013-05-01 10:00:00");
    fx.InsertItem(id, 100, 20, "DK1200");
    fx.InsertItem(id, 50.25, 0, "DK50");
    const auto stored = [&fx](qint64 document) {
        return fx.Scalar(QStringLiteral("SELECT itemtotal FROM parkingdocument WHERE parkingdocumentid = %1")
                             .arg(document))
            .toDouble();
    };
    QCOMPARE(stored(id), 170.25);
    fx.OpenDocuments(id);
    {
        TParkingDetailForm form(*ParkingDM);
        Items().First();
        fx.dialogs.QueueConfirm(true);
        Child<dataset::DBNavigator>(form, "ItemNavigator")->BtnClick(dataset::DBNavigator::Button::Delete);
        form.AddDocumentItem(Product(2, QStringLiteral("DK600"), 500, 20));
        TypeIntoGrid(form, QStringLiteral("ticketnumber"), QStringLiteral("K7"));
        form.CustomApplyExecute();
    }
    QCOMPARE(stored(id), 650.25);

    AppendDocument();
    TParkingDetailForm form(*ParkingDM);
    form.AddDocumentItem(Product(2, QStringLiteral("DK600"), 500, 20));
    TypeIntoGrid(form, QStringLiteral("ticketnumber"), QStringLiteral("K8"));
    form.CustomApplyExecute();
    const qint64 created = fx.Scalar(QStringLiteral("SELECT MAX(parkingdocumentid) FROM parkingdocument")).toLongLong();
    QVERIFY(created != id);
    QCOMPARE(stored(created), 600.0);
    QCOMPARE(stored(id), 650.25);
}

void TestParkingDetail::failedSaveKeepsEverything_data()
{
    QTest::addColumn<bool>("newDocument");
    QTest::addColumn<bool>("lostServer");
    QTest::newRow("new document, second item refused") << true << false;
    QTest::newRow("saved document, second item refused") << false << false;
    QTest::newRow("new document, server lost") << true << true;
}

// The header and the items are one save: the second item refused (by a trigger standing
// for any server-side refusal) or the server lost in the middle leaves nothing of the
// document stored, the editor holding it all, and another Apply stores it whole.
void TestParkingDetail::failedSaveKeepsEverything()
{
    QFETCH(bool, newDocument);
    QFETCH(bool, lostServer);
    DocumentsFixture fx;
    const qint64 saved = fx.InsertDocument("1/13", "2013-05-01 10:00:00");
    fx.OpenDocuments(saved);
    if (newDocument)
        AppendDocument();
    fx.connection().Execute(QStringLiteral(
        "CREATE TRIGGER refuse_k2 BEFORE INSERT ON parkingdocumentitem FOR EACH ROW "
        "BEGIN IF NEW.ticketnumber = 'K2' THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'K2 odbijena'; END IF; END"));
    TParkingDetailForm form(*ParkingDM);
    Documents().Edit();
    Documents().FieldByName(QStringLiteral("firstname")).SetAsString(QStringLiteral("Ana"));
    form.AddDocumentItem(Product(2, QStringLiteral("DK600"), 500, 20));
    TypeIntoGrid(form, QStringLiteral("ticketnumber"), QStringLiteral("K1"));
    Items().Post();
    form.AddDocumentItem(Product(3, QStringLiteral("DK1200"), 1000, 20));
    TypeIntoGrid(form, QStringLiteral("ticketnumber"), QStringLiteral("K2"));
    const QString stored = QStringLiteral(
        "SELECT CONCAT((SELECT COUNT(*) FROM parkingdocument), ':', "
        "(SELECT COALESCE(GROUP_CONCAT(firstname), '') FROM parkingdocument), '/', "
        "(SELECT COUNT(*) FROM parkingdocumentitem))");
    const QString before = fx.Scalar(stored).toString();
    // The session ends right after the header is written, before any item.
    dataset::Connection killer;
    killer.Connect(fx.db.params());
    if (lostServer) {
        QObject::connect(
            &Documents(), &dataset::Query::afterPost, &Documents(),
            [&] { killer.Execute(QStringLiteral("KILL %1").arg(fx.connection().ThreadId())); },
            Qt::SingleShotConnection);
    }
    QVERIFY_THROWS_EXCEPTION(dataset::Error, form.CustomApplyExecute());
    dataset::Query check;
    check.SetConnection(&killer);
    check.SetSQL({stored});
    check.Open();
    QCOMPARE(check.Fields(0).AsString(), before);
    QCOMPARE(Documents().State(), newDocument ? dataset::DataSetState::Insert : dataset::DataSetState::Edit);
    QCOMPARE(Documents().FieldByName(QStringLiteral("firstname")).AsString(), QStringLiteral("Ana"));
    QCOMPARE(Items().RecordCount(), 2);
    QVERIFY(Items().UpdatesPending());
    QCOMPARE(Child<QLabel>(form, "StatusPanel1")->text(), QStringLiteral("1,500.00"));

    fx.connection().Execute(QStringLiteral("DROP TRIGGER refuse_k2"));
    form.CustomApplyExecute();
    QCOMPARE(Documents().State(), dataset::DataSetState::Browse);
    QVERIFY(!Items().UpdatesPending());
    const qint64 key = Documents().FieldByName(QStringLiteral("parkingdocumentid")).AsLargeInt();
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT GROUP_CONCAT(ticketnumber ORDER BY ticketnumber) FROM parkingdocumentitem "
                                      "WHERE parkingdocumentid = %1").arg(key)).toString(),
             QStringLiteral("K1,K2"));
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT firstname FROM parkingdocument WHERE parkingdocumentid = %1").arg(key))
                 .toString(), QStringLiteral("Ana"));
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem")).toInt(), 2);
}

void TestParkingDetail::enterSavesNothing_data()
{
    QTest::addColumn<QString>("field");
    for (const char *name : {"NumberEdit", "DocumentDateTimeEdit", "CountryRegEdit", "CityRegEdit", "RegNumberEdit",
                             "LicenseNumberEdit", "FirstNameEdit", "LastNameEdit", "PersonalIdentificatorEdit",
                             "AddressEdit", "ZipEdit", "CityEdit", "ParkingZoneCB", "ParkingSectorCB",
                             "ParkingFromDateEdit", "ParkingToDateEdit", "CommentEdit"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// Enter in the header never saves: no button of the editor is a default button.
void TestParkingDetail::enterSavesNothing()
{
    QFETCH(QString, field);
    DocumentsFixture fx;
    AppendDocument();
    TParkingDetailForm form(*ParkingDM);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto *widget = form.findChild<QWidget *>(field);
    QVERIFY(widget);
    widget->setFocus();
    const int writes = Writes(fx);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QApplication::processEvents();
    QVERIFY(form.isVisible());
    QCOMPARE(Writes(fx), writes);
    QCOMPARE(Documents().State(), dataset::DataSetState::Insert);
    for (auto *button : form.findChildren<QPushButton *>())
        QVERIFY2(!button->autoDefault() && !button->isDefault(), qPrintable(button->objectName()));
}

void TestParkingDetail::grab()
{
    DocumentsFixture fx;
    fx.connection().Execute(QStringLiteral("INSERT INTO parkingzoneframe (zone, sector, street) VALUES "
                                           "('I', '1', 'Knez Mihailova'), ('II', '2', 'Njegoševa')"));
    const qint64 id = fx.InsertDocument("125/13", "2013-05-01 10:15:00");
    fx.InsertItem(id, 1000, 20, "DK1200", "K-000123");
    fx.InsertItem(id, 500, 20, "DK600", "K-000124");
    fx.OpenDocuments(id);
    TParkingDetailForm form(*ParkingDM);
    QCOMPARE(Child<dataset::DBComboBox>(form, "ParkingZoneCB")->Items(), (QStringList{"I", "II"}));
    QCOMPARE(Child<dataset::DBComboBox>(form, "ParkingSectorCB")->Items(), (QStringList{"1", "2"}));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.UpdateActions();
    QTest::qWait(20);
    GrabIfAsked(&form, QStringLiteral("editor"));
    form.CustomCancel->trigger();
}

PARKING_TEST_MAIN(TestParkingDetail)
#include "tst_ParkingDetail.moc"
