#include "LookupFixture.h"

#include <framework/common/CommonResourceString.h>
#include <parking/shared/ParkingResourceString.h>
#include <parking/lookups/ParkingSelectProductUnit.h>
#include <parking/lookups/ParkingSelectTicketUnit.h>

#include <QLineEdit>
#include <QListWidget>
#include <QWheelEvent>

using namespace parking;

namespace {

// The lines a picker showed, then 'finish' run on it (it must close the picker).
struct PickerSeen {
    QStringList lines;
    int current = -1;
    bool searchRowVisible = false;
    QString searchText;
    QPoint position;
    bool busyCursor = false;
};

std::unique_ptr<WhenModalShown> OnPicker(PickerSeen &seen, std::function<void(TParkingSelectForm &)> finish)
{
    return std::make_unique<WhenModalShown>([&seen, finish](QWidget *modal) {
        auto *form = qobject_cast<TParkingSelectForm *>(modal);
        QVERIFY(form);
        const QListWidget *const list = Child<QListWidget>(*form, "ListBox");
        for (int i = 0; i < list->count(); ++i)
            seen.lines << list->item(i)->text();
        seen.current = list->currentRow();
        seen.searchRowVisible = Child<QWidget>(*form, "BottomPanel")->isVisible();
        seen.searchText = Child<QLineEdit>(*form, "SearchNameEdit")->text();
        seen.position = form->pos();
        seen.busyCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        finish(*form);
    });
}

} // namespace

class TestParkingLookups : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void padText_data();
    void padText();
    void productLines_data();
    void productLines();
    void searchSequence_data();
    void searchSequence();
    void singleMatch();
    void incrementalSearch();
    void missingProductModule();
    void zoneLabels_data();
    void zoneLabels();
    void ticketLines();
    void ticketOnDocumentShowsIt();
    void subscriptionLines();
    void hostileRegistrations_data();
    void hostileRegistrations();
    void ticketPicker();
    void grab();
};

void TestParkingLookups::padText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("left");
    QTest::addColumn<QString>("expected");
    QTest::newRow("below, left") << "ab" << 5 << true << "ab   ";
    QTest::newRow("below, right") << "ab" << 5 << false << "   ab";
    QTest::newRow("at width") << "abcde" << 5 << false << "abcde";
    QTest::newRow("above, cut") << "abcdefg" << 5 << false << "abcde";
    QTest::newRow("zero width") << "abc" << 0 << true << "";
    QTest::newRow("empty") << "" << 3 << true << "   ";
}

void TestParkingLookups::padText()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(bool, left);
    QFETCH(QString, expected);
    QCOMPARE(PadText(text, width, left ? Align::Left : Align::Right), expected);
}

void TestParkingLookups::productLines_data()
{
    QTest::addColumn<TProductDesc>("product");
    QTest::addColumn<bool>("barCodeForm");
    QTest::addColumn<bool>("withTax");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("price");
    const TProductDesc plain = MakeProduct(1, "P1", "DK1200", "Doplatna", 100, 20);
    const TProductDesc extra = MakeProduct(1, "P1", "DK1200", "Doplatna", 100, 20, "X9");
    QTest::newRow("code, with tax") << plain << false << true << "P1 : DK1200   Doplatna" << "120.00";
    QTest::newRow("code, stored price") << plain << false << false << "P1 : DK1200   Doplatna" << "100.00";
    QTest::newRow("code, additional") << extra << false << true << "P1 : DK1200 : X9   Doplatna" << "120.00";
    QTest::newRow("bar code, additional") << extra << true << true << "DK1200 : X9   Doplatna" << "120.00";
    const TProductDesc longName = MakeProduct(1, "P1", "B", QString(90, QLatin1Char('n')), 1234567.891, 0);
    QTest::newRow("cut at 74") << longName << false << true << ("P1 : B   " + QString(65, QLatin1Char('n')))
                               << "1234567.89";
}

void TestParkingLookups::productLines()
{
    QFETCH(TProductDesc, product);
    QFETCH(bool, barCodeForm);
    QFETCH(bool, withTax);
    QFETCH(QString, first);
    QFETCH(QString, price);
    FormatSettingsGuard formats;
    FormatSettings::Current().DecimalSeparator = QLatin1Char('.');
    const QString line = ProductLine(product, barCodeForm ? ProductLineKind::BarCode : ProductLineKind::Code, withTax);
    QCOMPARE(line.size(), 86);
    QCOMPARE(line.left(74).trimmed(), first);
    QCOMPARE(line.mid(74), PadText(price, 12, Align::Right));
}

void TestParkingLookups::searchSequence_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("searches");
    QTest::addColumn<QString>("found");
    QTest::newRow("name begins") << "parking" << 1 << "SAT1";
    QTest::newRow("code equals") << "sat2" << 2 << "SAT2";
    QTest::newRow("name contains") << "zona II" << 3 << "SAT2";
    QTest::newRow("nothing") << "xyz" << 3 << "";
}

// The three searches stop at the first answer that holds anything.
void TestParkingLookups::searchSequence()
{
    QFETCH(QString, text);
    QFETCH(int, searches);
    QFETCH(QString, found);
    LookupFixture fx;
    fx.products->products = {MakeProduct(1, "SAT1", "111", "Parking sat - zona I", 50, 20),
                             MakeProduct(2, "SAT2", "222", "Sat - zona II", 60, 20)};
    const TProductDescArr answer = SearchProducts(*fx.products, text);
    QCOMPARE(int(fx.products->searches.size()), searches);
    const std::vector<std::tuple<QString, ProductMatch>> order{
        {text, ProductMatch::NamePrefix}, {text, ProductMatch::Code}, {text, ProductMatch::NameContains}};
    for (int i = 0; i < searches; ++i)
        QCOMPARE(fx.products->searches[std::size_t(i)], order[std::size_t(i)]);
    QCOMPARE(answer.empty() ? QString() : answer.front().Code, found);
}

// A bar code with one match needs no window; a code with one match still asks.
void TestParkingLookups::singleMatch()
{
    LookupFixture fx;
    fx.products->products = {MakeProduct(5, "DK-1", "DK1200", "Doplatna karta 1200", 1000, 20)};
    TProductDesc product;
    QVERIFY(ProductByBarCode(fx.host, "DK1200", product, 0, 0));
    QCOMPARE(product.ProductID, 5);
    QCOMPARE(QApplication::overrideCursor(), nullptr);

    PickerSeen seen;
    TProductDesc chosen = MakeProduct(-7, "", "", "caller's", 0, 0);
    {
        const auto picker = OnPicker(seen, [](TParkingSelectForm &form) {
            QTest::keyClick(Child<QListWidget>(form, "ListBox"), Qt::Key_Escape);
        });
        QVERIFY(!ProductByCode(fx.host, "dk-1", chosen, 300, 500));
        QVERIFY(picker->Ran());
    }
    QCOMPARE(chosen.ProductID, -7);   // untouched when nothing was chosen
    QCOMPARE(seen.lines.size(), 1);
    QCOMPARE(seen.current, 0);
    QVERIFY(!seen.searchRowVisible);
    QVERIFY(seen.busyCursor);
    QCOMPARE(seen.position, QPoint(300, 500 - 220));
    QVERIFY(seen.lines.first().endsWith("     1200.00"));

    seen = {};
    {
        const auto picker = OnPicker(seen, [](TParkingSelectForm &form) {
            QTest::keyClick(Child<QListWidget>(form, "ListBox"), Qt::Key_Return);
        });
        QVERIFY(ProductByCode(fx.host, "DK-1", chosen, 0, 300));
    }
    QCOMPARE(chosen.ProductID, 5);
    QCOMPARE(chosen.TaxID, 1);
    QCOMPARE(QApplication::overrideCursor(), nullptr);

    // Nothing found: an empty list where Enter and a double click choose nothing.
    seen = {};
    const auto picker = OnPicker(seen, [](TParkingSelectForm &form) {
        QTest::keyClick(Child<QListWidget>(form, "ListBox"), Qt::Key_Return);
        QTest::mouseDClick(Child<QListWidget>(form, "ListBox")->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
        QVERIFY(form.isVisible());
        QTest::keyClick(Child<QListWidget>(form, "ListBox"), Qt::Key_Escape);
    });
    QVERIFY(!ProductByBarCode(fx.host, "nema", chosen, 0, 300));
    QVERIFY(picker->Ran());
    QVERIFY(seen.lines.isEmpty());
    QVERIFY(!seen.searchRowVisible);
}

// The lookup shows prices with tax; a search typed into the box shows stored prices,
// and any key released there but the four choosing keys searches again.
void TestParkingLookups::incrementalSearch()
{
    LookupFixture fx;
    fx.products->products = {MakeProduct(1, "SAT1", "111", "Sat prvi", 100, 20),
                             MakeProduct(2, "SAT2", "222", "Sat drugi", 50, 20)};
    PickerSeen seen;
    QStringList afterTyping;
    int searchesAfterShift = 0;
    TProductDesc product;
    const auto picker = OnPicker(seen, [&](TParkingSelectForm &form) {
        QLineEdit *const search = Child<QLineEdit>(form, "SearchNameEdit");
        const QListWidget *const list = Child<QListWidget>(form, "ListBox");
        QTest::keyClick(search, Qt::Key_End); // the text shown selected stays
        QTest::keyClick(search, Qt::Key_Backspace); // "Sat" -> "Sa"
        for (int i = 0; i < list->count(); ++i)
            afterTyping << list->item(i)->text();
        const auto before = fx.products->searches.size();
        QTest::keyClick(search, Qt::Key_Shift);
        QTest::keyClick(search, Qt::Key_Left);
        searchesAfterShift = int(fx.products->searches.size() - before);
        QTest::keyClick(search, Qt::Key_Down);
        QTest::keyClick(search, Qt::Key_Down); // stays on the last line
        QTest::keyClick(search, Qt::Key_Return);
    });
    QVERIFY(ProductByPattern(fx.host, "Sat", product, 0, 300));
    QCOMPARE(seen.lines.size(), 2);
    QVERIFY(seen.lines.at(0).endsWith(" 120.00"));
    QVERIFY(seen.lines.at(1).endsWith(" 60.00"));
    QCOMPARE(afterTyping.size(), 2);
    QVERIFY(afterTyping.at(0).endsWith(" 100.00"));
    QVERIFY(afterTyping.at(1).endsWith(" 50.00"));
    QCOMPARE(searchesAfterShift, 2);
    QCOMPARE(product.ProductID, 2);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestParkingLookups::missingProductModule()
{
    LookupFixture fx;
    fx.console->modules.clear();
    TProductDesc product;
    QVERIFY(!ProductByBarCode(fx.host, "DK1200", product, 0, 0));
    QVERIFY(!ProductByPattern(fx.host, "x", product, 0, 0));
    const QString message = NoModuleMessage(u"_CMN_MOD_PRODUCT_NAME");
    QCOMPARE(fx.dialogs.Errors(), (QStringList{message, message}));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestParkingLookups::zoneLabels_data()
{
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QString>("label");
    QTest::newRow("red monthly") << "Pretplatna Crvena zona - mesecna" << "I";
    QTest::newRow("red yearly") << "Pretplatna Crvena zona - godisnja" << "I";
    QTest::newRow("green monthly") << "Pretplatna Zelena zona - mesecna" << "II";
    QTest::newRow("green yearly") << "Pretplatna Zelena zona - godisnja" << "II";
    QTest::newRow("parking lot") << "parkiraliste" << "parkiraliste";
    QTest::newRow("letter case") << "Pretplatna zelena zona - mesecna" << "";
    QTest::newRow("trailing blank") << "parkiraliste " << "";
}

void TestParkingLookups::zoneLabels()
{
    QFETCH(QString, zone);
    QFETCH(QString, label);
    QCOMPARE(SubscriptionZoneLabel(zone), label);
}

// Date then number order, every status by its caption or as unknown; a first column
// over 56 characters is cut on screen while the row keeps the whole number.
void TestParkingLookups::ticketLines()
{
    LookupFixture fx;
    const QString longNumber = QStringLiteral("12345678901234567890");
    fx.InsertTicket("NS1", "2013-03-05 08:00:00", "B2", 4, 1199.6);
    fx.InsertTicket("NS1", "2013-03-04 09:00:00", "B9", 1, 1200);
    fx.InsertTicket("NS1", "2013-03-05 08:00:00", longNumber, 18, 3000);
    fx.InsertTicket("NS1", "2013-03-06 08:00:00", "U6", 6, 1);
    fx.InsertTicket("NS1", "2013-03-06 08:00:00", "U7", -1, 1);
    fx.InsertTicket("NS2", "2013-03-01 08:00:00", "X", 1, 1);
    const std::vector<TicketRow> tickets = FindTickets(fx.connection(), "NS1");
    QStringList lines;
    for (const TicketRow &ticket : tickets)
        lines << TicketLine(ticket);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.at(0).left(56).trimmed(), "04.03.2013 : B9 : Nova");
    QCOMPARE(lines.at(2).left(56).trimmed(), "05.03.2013 : B2 : Opomena pred tužbu");
    QCOMPARE(lines.at(3).left(56).trimmed(), "06.03.2013 : U6 : Nepoznat status");
    QCOMPARE(lines.at(4).left(56).trimmed(), "06.03.2013 : U7 : Nepoznat status");
    for (const QString &line : lines)
        QCOMPARE(line.size(), 68);
    QCOMPARE(tickets.at(0).number, "B9");
    QCOMPARE(tickets.at(1).number, longNumber);
    QCOMPARE(tickets.at(2).number, "B2");
    QCOMPARE(tickets.at(2).status, 4);
    QCOMPARE(tickets.at(2).price, 1199.6);
    QCOMPARE(tickets.at(2).date, QDateTime(QDate(2013, 3, 5), QTime(8, 0)));
    QCOMPARE(lines.at(1).left(56), ("05.03.2013 : " + longNumber + " : Nema podataka u MUP-u").left(56));
    QCOMPARE(lines.at(1).mid(56), "     3000.00");
    QCOMPARE(lines.at(2).mid(56), "     1199.60");
}

// A ticket on a stored document names the first document that took it, whatever the
// export's status; one on no document keeps its status.
void TestParkingLookups::ticketOnDocumentShowsIt()
{
    LookupFixture fx;
    fx.InsertTicket("NS1", "2026-12-01 08:00:00", "1000104", 1, 5000);
    fx.InsertTicket("NS1", "2026-12-02 08:00:00", "1000105", 7, 5000);
    const qint64 later = fx.InsertDocument("4/26", "2026-12-07 10:00:00");
    const qint64 first = fx.InsertDocument("3/26", "2026-12-06 10:00:00");
    fx.InsertItem(later, 5000, 20, "DK5000", "1000104");
    fx.InsertItem(first, 5000, 20, "DK5000", "1000104");
    const std::vector<TicketRow> tickets = FindTickets(fx.connection(), "NS1");
    QCOMPARE(tickets.size(), 2u);
    QCOMPARE(TicketLine(tickets.at(0)).left(56).trimmed(), "01.12.2026 : 1000104 : Plaćena dokumentom 3/26");
    QCOMPARE(TicketLine(tickets.at(1)).left(56).trimmed(), "02.12.2026 : 1000105 : Naplaćena opomenom");
    QCOMPARE(tickets.at(0).number, "1000104");
    QCOMPARE(tickets.at(0).paidOn, "3/26");
    QVERIFY(tickets.at(1).paidOn.isEmpty());
}

// The latest subscription first, then the higher number.
void TestParkingLookups::subscriptionLines()
{
    LookupFixture fx;
    fx.InsertSubscription("NS1", "PR-1", "Pretplatna Crvena zona - mesecna", "2013-01-01", "2013-01-31");
    fx.InsertSubscription("NS1", "PR-3", "nepoznata", "2013-02-01", "2013-02-28");
    fx.InsertSubscription("NS1", "PR-4", "parkiraliste", "2013-02-01", "2013-02-28");
    const std::vector<SubscriptionRow> subscriptions = FindSubscriptions(fx.connection(), "NS1");
    QStringList lines;
    for (const SubscriptionRow &subscription : subscriptions)
        lines << SubscriptionLine(subscription);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0).trimmed(), "PR-4 : parkiraliste : 01.02.2013 : 28.02.2013");
    QCOMPARE(lines.at(1).trimmed(), "PR-3 :  : 01.02.2013 : 28.02.2013");
    QCOMPARE(lines.at(2).trimmed(), "PR-1 : I : 01.01.2013 : 31.01.2013");
    QCOMPARE(lines.at(0).size(), 68);
    QCOMPARE(subscriptions.at(1).number, "PR-3");
    QCOMPARE(subscriptions.at(1).zone, "nepoznata");
}

void TestParkingLookups::hostileRegistrations_data()
{
    QTest::addColumn<QString>("registration");
    QTest::newRow("quote") << "a'b";
    QTest::newRow("backslash at end") << "BG\\";
    QTest::newRow("comment") << "x' OR 1=1--";
}

// Searched literally: each finds its own ticket and subscription and nothing else.
void TestParkingLookups::hostileRegistrations()
{
    QFETCH(QString, registration);
    LookupFixture fx;
    fx.InsertTicket(registration, "2013-03-04 10:00:00", "H1", 1, 10);
    fx.InsertTicket("other", "2013-03-04 10:00:00", "O1", 1, 10);
    fx.InsertSubscription(registration, "S1", "parkiraliste", "2013-01-01", "2013-01-31");
    fx.InsertSubscription("other", "S2", "parkiraliste", "2013-01-01", "2013-01-31");
    const std::vector<TicketRow> tickets = FindTickets(fx.connection(), registration);
    QCOMPARE(tickets.size(), 1u);
    QCOMPARE(tickets.front().number, "H1");
    QCOMPARE(tickets.front().registration, registration);
    const std::vector<SubscriptionRow> subscriptions = FindSubscriptions(fx.connection(), registration);
    QCOMPARE(subscriptions.size(), 1u);
    QCOMPARE(subscriptions.front().number, "S1");
}

// Placed below the button, moved by the wheel, giving back the chosen row; nothing found
// gives none; a failing query releases the picker and the cursor.
void TestParkingLookups::ticketPicker()
{
    LookupFixture fx;
    fx.InsertTicket("BG1", "2013-03-04 10:00:00", "T1", 1, 10);
    fx.InsertTicket("BG1", "2013-03-05 10:00:00", "T2", 2, 10);
    PickerSeen seen;
    std::optional<TicketRow> chosen;
    {
        const auto picker = OnPicker(seen, [](TParkingSelectForm &form) {
            // A wheel notch towards the user is a Down key on the focused list.
            QWheelEvent wheel(QPointF(5, 5), Child<QListWidget>(form, "ListBox")->mapToGlobal(QPointF(5, 5)), {},
                              QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(Child<QListWidget>(form, "ListBox")->viewport(), &wheel);
            QTest::keyClick(Child<QListWidget>(form, "ListBox"), Qt::Key_Return);
        });
        chosen = TicketByReg(fx.dm(), "BG1", 40, 100);
    }
    QVERIFY(chosen);
    QCOMPARE(chosen->number, "T2");
    QCOMPARE(chosen->status, 2);
    QCOMPARE(seen.position, QPoint(40, 121));
    QVERIFY(!seen.searchRowVisible);
    QVERIFY(seen.busyCursor);

    QVERIFY(!TicketByReg(fx.dm(), "none", 0, 0));
    QVERIFY(!SubscriptionByReg(fx.dm(), "none", 0, 0));
    QCOMPARE(QApplication::overrideCursor(), nullptr);

    fx.connection().Execute("DROP TABLE parkingsubscription");
    QVERIFY_THROWS_EXCEPTION(dataset::Error, SubscriptionByReg(fx.dm(), "BG1", 0, 0));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    const QWidgetList windows = QApplication::topLevelWidgets();
    QVERIFY(std::none_of(windows.begin(), windows.end(),
                         [](QWidget *w) { return qobject_cast<TParkingSelectForm *>(w) != nullptr; }));
}

void TestParkingLookups::grab()
{
    LookupFixture fx;
    fx.InsertTicket("BG1", "2013-03-04 10:00:00", "1000105", 2, 1200);
    fx.InsertTicket("BG1", "2013-03-05 11:30:00", "1000231", 4, 2400);
    fx.products->products = {MakeProduct(1, "DK1200", "DK1200", "Doplatna karta 1200", 1000, 20),
                             MakeProduct(2, "DK2400", "DK2400", "Doplatna karta 2400", 2000, 20, "D24")};
    PickerSeen seen;
    {
        const auto picker = OnPicker(seen, [](TParkingSelectForm &form) {
            GrabIfAsked(&form, "ticket-picker");
            form.reject();
        });
        TicketByReg(fx.dm(), "BG1", 0, 0);
    }
    TProductDesc product;
    const auto picker = OnPicker(seen, [](TParkingSelectForm &form) {
        GrabIfAsked(&form, "product-picker");
        form.reject();
    });
    ProductByPattern(fx.host, "Doplatna", product, 0, 300);
    QVERIFY(picker->Ran());
}

PARKING_TEST_MAIN(TestParkingLookups)
#include "tst_ParkingLookups.moc"
