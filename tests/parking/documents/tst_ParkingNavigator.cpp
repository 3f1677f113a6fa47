#include "DocumentsFixture.h"

#include <framework/base/ValueListEditor.h>
#include <parking/documents/ParkingNavigatorUnit.h>

namespace {

const QString kSelect =
    QStringLiteral("SELECT pd.* FROM parkingdocument AS pd LEFT JOIN user AS u ON pd.userid = u.userid ");

using Values = QHash<QString, QString>;

QStringList ListedNumbers()
{
    QStringList numbers;
    dataset::Query &documents = ParkingDM->ParkingDocumentZQ();
    for (documents.First(); !documents.Eof(); documents.Next())
        numbers << documents.FieldByName(QStringLiteral("number")).AsString();
    documents.First();
    return numbers;
}

} // namespace

class TestParkingNavigator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void searchRows();
    void parseSQL_data();
    void parseSQL();
    void findNewestFirst();
    void findByValues_data();
    void findByValues();
    void typedTextStaysText();
    void datePicker_data();
    void datePicker();
    void grab();
};

// Keys stay the rows' identities; the user sees the catalogue's captions.
void TestParkingNavigator::searchRows()
{
    const auto dm = TCustomDM::Create<TParkingDM>(); // a module without a connection
    TParkingNavigatorForm form(*dm);
    QCOMPARE(form.SearchVLE->Keys(), (QStringList{"number", "datefrom", "dateto", "regnumber",
                                                  "userfirstname", "userlastname"}));
    QCOMPARE(form.SearchVLE->Caption("userlastname"), QStringLiteral("Prezime korisnika"));
    QCOMPARE(form.SearchVLE->Ellipsis("dateto"), true);
    QCOMPARE(form.SearchVLE->Ellipsis("regnumber"), false);
}

void TestParkingNavigator::parseSQL_data()
{
    QTest::addColumn<Values>("values");
    QTest::addColumn<QString>("where");

    QTest::newRow("all empty") << Values{} << QString();
    QTest::newRow("number") << Values{{"number", "12"}} << "WHERE pd.number LIKE '12%'";
    QTest::newRow("date from") << Values{{"datefrom", "2013-05-01"}}
                               << "WHERE pd.documentdatetime >= '2013-05-01 00:00:00'";
    QTest::newRow("date to") << Values{{"dateto", "2013-12-31"}}
                             << "WHERE pd.documentdatetime <= '2013-12-31 23:59:59'";
    QTest::newRow("registration") << Values{{"regnumber", "123"}} << "WHERE pd.regnumber LIKE '123%'";
    QTest::newRow("first name") << Values{{"userfirstname", "Pe"}} << "WHERE u.firstname LIKE 'Pe%'";
    QTest::newRow("last name with quote") << Values{{"userlastname", "D'Arc"}}
                                          << "WHERE u.lastname LIKE 'D''Arc%'";
    QTest::newRow("trailing backslash") << Values{{"number", "12\\"}} << "WHERE pd.number LIKE '12\\\\%'";
    QTest::newRow("backslash before quote")
        << Values{{"regnumber", "\\' OR 1=1 -- "}} << "WHERE pd.regnumber LIKE '\\\\'' OR 1=1 -- %'";
    QTest::newRow("blanks are a value") << Values{{"number", "  "}} << "WHERE pd.number LIKE '  %'";
    QTest::newRow("two values in row order")
        << Values{{"datefrom", "2013-05-01"}, {"number", "12"}}
        << "WHERE pd.number LIKE '12%' AND pd.documentdatetime >= '2013-05-01 00:00:00'";
    QTest::newRow("all six")
        << Values{{"number", "1"}, {"datefrom", "2013-01-01"}, {"dateto", "2013-01-31"},
                  {"regnumber", "2"}, {"userfirstname", "A"}, {"userlastname", "B"}}
        << "WHERE pd.number LIKE '1%' AND pd.documentdatetime >= '2013-01-01 00:00:00' AND "
           "pd.documentdatetime <= '2013-01-31 23:59:59' AND pd.regnumber LIKE '2%' AND "
           "u.firstname LIKE 'A%' AND u.lastname LIKE 'B%'";
}

void TestParkingNavigator::parseSQL()
{
    QFETCH(Values, values);
    QFETCH(QString, where);

    const auto dm = TCustomDM::Create<TParkingDM>(); // a module without a connection
    TParkingNavigatorForm form(*dm);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        form.SetSearchValue(it.key(), it.value());
    QCOMPARE(form.ParseSQL(), kSelect + where);
}

// Newest first; equal times list the higher key first; the list stands on the first row.
void TestParkingNavigator::findNewestFirst()
{
    DocumentsFixture fx;
    fx.InsertDocument("1/13", "2013-05-01 10:00:00");
    fx.InsertDocument("2/13", "2013-05-02 09:00:00");
    fx.InsertDocument("3/13", "2013-05-01 10:00:00");
    fx.InsertDocument("4/13", "2013-04-30 23:59:59");

    TParkingNavigatorForm form(*ParkingDM);
    form.FindButtonClick();
    QCOMPARE(ListedNumbers(), (QStringList{"2/13", "3/13", "1/13", "4/13"}));
    QCOMPARE(ParkingDM->ParkingDocumentZQ().RecNo(), 1);
}

void TestParkingNavigator::findByValues_data()
{
    QTest::addColumn<Values>("values");
    QTest::addColumn<QStringList>("found");

    // Documents: 125/13 by user 7 (Petar Petrović) on 2013-05-01, 12/13 by user 9 on
    // 2013-05-31 late, 7/13 with user 0 (no such user) on 2013-06-01.
    QTest::newRow("nothing filled finds all, orphan user too")
        << Values{} << QStringList{"7/13", "12/13", "125/13"};
    QTest::newRow("number is a prefix") << Values{{"number", "12"}} << QStringList{"12/13", "125/13"};
    QTest::newRow("whole last day") << Values{{"datefrom", "2013-05-01"}, {"dateto", "2013-05-31"}}
                                    << QStringList{"12/13", "125/13"};
    QTest::newRow("registration prefix") << Values{{"regnumber", "NS"}} << QStringList{"12/13"};
    QTest::newRow("first name") << Values{{"userfirstname", "Pet"}} << QStringList{"125/13"};
    QTest::newRow("last name with diacritics") << Values{{"userlastname", "Đok"}} << QStringList{"12/13"};
    QTest::newRow("user filled never finds the orphan") << Values{{"userlastname", " "}} << QStringList{};
    QTest::newRow("quote in a value is data") << Values{{"userlastname", "O'B"}} << QStringList{};
}

void TestParkingNavigator::findByValues()
{
    QFETCH(Values, values);
    QFETCH(QStringList, found);

    DocumentsFixture fx;
    fx.InsertUser(7, "Petar", "Petrović");
    fx.InsertUser(9, "Ana", "Đokić");
    fx.InsertDocument("125/13", "2013-05-01 00:00:00", 7, "123AB");
    fx.InsertDocument("12/13", "2013-05-31 23:59:59", 9, "NS456");
    fx.InsertDocument("7/13", "2013-06-01 00:00:00", 0, "999");

    TParkingNavigatorForm form(*ParkingDM);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        form.SetSearchValue(it.key(), it.value());
    form.FindButtonClick();
    QCOMPARE(ListedNumbers(), found);
}

// A value built to close the literal early stays part of the searched text.
void TestParkingNavigator::typedTextStaysText()
{
    DocumentsFixture fx;
    fx.InsertDocument("1/13", "2013-05-01 10:00:00");
    fx.InsertDocument("x\\", "2013-05-02 10:00:00");

    TParkingNavigatorForm form(*ParkingDM);
    form.SetSearchValue("number", "x\\' OR 1=1 OR pd.number LIKE '");
    form.FindButtonClick();
    QCOMPARE(ListedNumbers(), QStringList{});
    QCOMPARE(fx.Scalar("SELECT COUNT(*) FROM parkingdocument").toInt(), 2);
}

void TestParkingNavigator::datePicker_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QDate>("answer");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("pickers");

    QTest::newRow("from accepted") << "datefrom" << QDate(2013, 5, 1) << "2013-05-01" << 1;
    QTest::newRow("to accepted") << "dateto" << QDate(2014, 12, 31) << "2014-12-31" << 1;
    QTest::newRow("cancelled keeps the value") << "datefrom" << QDate() << "keep" << 1;
    QTest::newRow("not a date row") << "number" << QDate(2013, 5, 1) << "keep" << 0;
}

void TestParkingNavigator::datePicker()
{
    QFETCH(QString, key);
    QFETCH(QDate, answer);
    QFETCH(QString, value);
    QFETCH(int, pickers);

    ScriptedDialogService dialogs;
    const ScopedDialogService scope(dialogs);
    dialogs.QueueDate(answer);
    const auto dm = TCustomDM::Create<TParkingDM>(); // a module without a connection
    TParkingNavigatorForm form(*dm);
    form.SetSearchValue(key, QStringLiteral("keep"));
    form.SearchVLE->SetCurrentKey(key);
    Q_EMIT form.SearchVLE->editButtonClicked();

    QCOMPARE(form.SearchValue(key), value);
    const auto shown = dialogs.ShownOf(ScriptedDialogService::Kind::Date);
    QCOMPARE(int(shown.size()), pickers);
    if (pickers)   // the picker starts at today, not at the row's value
        QCOMPARE(shown.front().preset.toDate(), QDate::currentDate());
}

void TestParkingNavigator::grab()
{
    const auto dm = TCustomDM::Create<TParkingDM>(); // a module without a connection
    TParkingNavigatorForm form(*dm);
    form.SetSearchValue("number", "12");
    form.SetSearchValue("datefrom", "2013-05-01");
    form.resize(260, 260);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    GrabIfAsked(&form, QStringLiteral("navigator"));
}

PARKING_TEST_MAIN(TestParkingNavigator)
#include "tst_ParkingNavigator.moc"
