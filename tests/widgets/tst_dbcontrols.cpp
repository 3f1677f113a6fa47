#include "WidgetFixture.h"
#include <dataset/Error.h>
#include <dataset/widgets/DBComboBox.h>
#include <dataset/widgets/DBDateEdit.h>
#include <dataset/widgets/DBEdit.h>
#include <dataset/widgets/DBMemo.h>
#include <dataset/widgets/DBNavigator.h>
#include <dataset/widgets/FieldText.h>

#include <QTest>
#include <QToolButton>

using dataset::DataSetState;
using dataset::DBNavigator;
using Button = DBNavigator::Button;

class TestDBControls : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dateText_data();
    void dateText();
    void editFollowsCursorAndWritesOnTyping();
    void editReadOnlyWhenQueryIsNot();
    void editReportsBadNumberOnLeave();
    void dateEdit_data();
    void dateEdit();
    void comboAcceptsValuesOutsideList();
    void memoFollowsCursorAndWritesOnTyping();
    void controlsFollowTheSourcesQuery();
    void navigatorEnabling_data();
    void navigatorEnabling();
    void navigatorButtons();
};

void TestDBControls::dateText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("withTime");
    QTest::addColumn<QString>("parsed");   // yyyy-MM-dd HH:mm:ss; "-" unreadable; "" empty
    QTest::newRow("full") << "05.01.2026" << false << "2026-01-05 00:00:00";
    QTest::newRow("short digits") << "5.1.2026" << false << "2026-01-05 00:00:00";
    QTest::newRow("two-digit year") << "5.1.26" << false << "2026-01-05 00:00:00";
    QTest::newRow("trailing dot") << "5.1.2026." << false << "2026-01-05 00:00:00";
    QTest::newRow("with time") << "31.12.2026 23:59" << true << "2026-12-31 23:59:00";
    QTest::newRow("date only for date-time") << "31.12.2026" << true << "2026-12-31 00:00:00";
    QTest::newRow("time on a date field") << "31.12.2026 10:00" << false << "-";
    QTest::newRow("no such day") << "30.02.2026" << false << "-";
    QTest::newRow("bad hour") << "1.1.2026 25:00" << true << "-";
    QTest::newRow("half typed") << "12.0" << false << "-";
    QTest::newRow("empty") << "  " << false << "";
}

void TestDBControls::dateText()
{
    QFETCH(QString, text);
    QFETCH(bool, withTime);
    QFETCH(QString, parsed);
    const auto value = dataset::ParseDateText(text, withTime);
    if (parsed == QStringLiteral("-")) {
        QVERIFY(!value);
        return;
    }
    QVERIFY(value);
    QCOMPARE(value->isValid() ? value->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString(), parsed);
    if (value->isValid())   // what is shown reads back as the same value
        QCOMPARE(dataset::ParseDateText(dataset::FormatDateText(*value, withTime), withTime), value);
}

void TestDBControls::editFollowsCursorAndWritesOnTyping()
{
    WidgetFixture f;
    auto *edit = new dataset::DBEdit;
    edit->SetDataSource(&f.source);
    edit->SetDataField(QStringLiteral("name"));
    FocusWindow w(edit);
    QCOMPARE(edit->text(), QStringLiteral("Alfa"));
    // 20 characters as the server counts them: a character outside the basic plane counts
    // once and is never split.
    const QString smiles = QString(20, QChar(u'x')).replace(QStringLiteral("x"), QStringLiteral("😀"));
    QString typed = smiles + QStringLiteral("😀a");
    int at = int(typed.size());
    QVERIFY(edit->validator());
    edit->validator()->validate(typed, at);
    QCOMPARE(typed, smiles);
    QCOMPARE(at, int(smiles.size()));
    f.query.Next();
    QCOMPARE(edit->text(), QStringLiteral("Beta"));
    QVERIFY(w.Active());
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("Bravo"));
    QCOMPARE(f.query.State(), DataSetState::Edit);
    QCOMPARE(f.query.FieldByName(QStringLiteral("name")).AsString(), QStringLiteral("Bravo"));
    f.query.Post();
    QCOMPARE(f.Stored(QStringLiteral("SELECT name FROM widgetrow WHERE widgetrowid = 2")).toString(), QStringLiteral("Bravo"));
    f.query.Last();
    QCOMPARE(edit->text(), QStringLiteral("Delta"));

    // A number field shows its display format until it gets the focus.
    auto *price = new dataset::DBEdit(&w.window);
    price->SetDataSource(&f.source);
    price->SetDataField(QStringLiteral("price"));
    f.query.First();
    QCOMPARE(price->text(), QStringLiteral("1,50"));
    price->show();
    price->setFocus();
    QCOMPARE(price->text(), QStringLiteral("1.5"));
}

void TestDBControls::editReadOnlyWhenQueryIsNot()
{
    WidgetFixture f(false);
    dataset::DBEdit edit;
    edit.SetDataSource(&f.source);
    edit.SetDataField(QStringLiteral("name"));
    QVERIFY(edit.isReadOnly());
    QTest::keyClicks(&edit, QStringLiteral("x"));
    QCOMPARE(f.query.State(), DataSetState::Browse);
    QCOMPARE(edit.text(), QStringLiteral("Alfa"));
    f.query.Close();
    QCOMPARE(edit.text(), QString());
}

void TestDBControls::editReportsBadNumberOnLeave()
{
    WidgetFixture f;
    auto *edit = new dataset::DBEdit;
    edit->SetDataSource(&f.source);
    edit->SetDataField(QStringLiteral("price"));
    FocusWindow w(edit);
    QVERIFY(w.Active());
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("12"));
    QCOMPARE(f.query.FieldByName(QStringLiteral("price")).AsFloat(), 12.0);
    QTest::keyClicks(edit, QStringLiteral("x"));   // not a number: the field keeps 12
    QCOMPARE(f.query.FieldByName(QStringLiteral("price")).AsFloat(), 12.0);
    bool reported = false;
    const ScopedErrorReporter reporter([&](const QString &message) { reported = message.contains(QStringLiteral("12x")); });
    w.other->setFocus();
    QCOMPARE(QApplication::focusWidget(), w.other);   // the focus change itself completes
    QVERIFY(!reported);
    QCoreApplication::sendPostedEvents();
    QVERIFY(reported);
}

void TestDBControls::dateEdit_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("recNo");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("date-time") << "issued" << 1 << "05.01.2026 08:30" << "6.2.2026 9:15"
                               << "2026-02-06 09:15";
    QTest::newRow("date") << "day" << 3 << "31.12.2026" << "01.03.2026" << "2026-03-01 00:00";
    QTest::newRow("null shows empty") << "day" << 2 << "" << "2.3.26" << "2026-03-02 00:00";
}

void TestDBControls::dateEdit()
{
    QFETCH(QString, field);
    QFETCH(int, recNo);
    QFETCH(QString, shown);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    WidgetFixture f;
    auto *edit = new dataset::DBDateEdit;
    edit->SetDataSource(&f.source);
    edit->SetDataField(field);
    FocusWindow w(edit);
    f.query.SetRecNo(recNo);
    QCOMPARE(edit->text(), shown);
    QVERIFY(w.Active());
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, typed);
    w.other->setFocus();
    QCOMPARE(f.query.FieldByName(field).AsDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")), stored);
    QCOMPARE(edit->text(), dataset::FormatDateText(f.query.FieldByName(field).AsDateTime(), field == QStringLiteral("issued")));
}

void TestDBControls::comboAcceptsValuesOutsideList()
{
    WidgetFixture f;
    auto *combo = new dataset::DBComboBox;
    combo->SetDataSource(&f.source);
    combo->SetDataField(QStringLiteral("name"));
    combo->SetItems({QStringLiteral("A1"), QStringLiteral("B2")});
    FocusWindow w(combo);
    QCOMPARE(combo->currentText(), QStringLiteral("Alfa"));
    QCOMPARE(combo->Items(), (QStringList{QStringLiteral("A1"), QStringLiteral("B2")}));
    QVERIFY(w.Active());
    combo->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("Z9"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QCOMPARE(f.query.FieldByName(QStringLiteral("name")).AsString(), QStringLiteral("Z9"));
    QCOMPARE(combo->count(), 2);   // the typed value is not added to the list
    f.query.Post();
    f.query.Next();
    QCOMPARE(combo->currentText(), QStringLiteral("Beta"));
}

void TestDBControls::memoFollowsCursorAndWritesOnTyping()
{
    WidgetFixture f;
    auto *memo = new dataset::DBMemo;
    memo->SetDataSource(&f.source);
    memo->SetDataField(QStringLiteral("name"));
    FocusWindow w(memo);
    QCOMPARE(memo->toPlainText(), QStringLiteral("Alfa"));
    QVERIFY(!memo->isReadOnly());
    f.query.Next();
    QCOMPARE(memo->toPlainText(), QStringLiteral("Beta"));
    QCOMPARE(f.query.State(), DataSetState::Browse); // loading the text is no edit
    QVERIFY(w.Active());
    memo->setFocus();
    memo->selectAll();
    QTest::keyClicks(memo, QStringLiteral("Bravo"));
    QCOMPARE(f.query.State(), DataSetState::Edit);
    QCOMPARE(f.query.FieldByName(QStringLiteral("name")).AsString(), QStringLiteral("Bravo"));
    QCOMPARE(memo->toPlainText(), QStringLiteral("Bravo")); // the write did not reload over the typing
    f.query.Cancel();
    QCOMPARE(memo->toPlainText(), QStringLiteral("Beta"));

    WidgetFixture readOnly(false);
    dataset::DBMemo fixed;
    fixed.SetDataSource(&readOnly.source);
    fixed.SetDataField(QStringLiteral("name"));
    QVERIFY(fixed.isReadOnly());
    QTest::keyClicks(&fixed, QStringLiteral("x"));
    QCOMPARE(readOnly.query.State(), DataSetState::Browse);
    QCOMPARE(fixed.toPlainText(), QStringLiteral("Alfa"));
}

// A source given another query (or none) takes its bound controls along.
void TestDBControls::controlsFollowTheSourcesQuery()
{
    WidgetFixture f;
    dataset::DBEdit edit;
    edit.SetDataSource(&f.source);
    edit.SetDataField(QStringLiteral("name"));
    dataset::DBNavigator navigator;
    navigator.SetDataSource(&f.source);
    QCOMPARE(edit.GetDataSource(), &f.source);
    QCOMPARE(edit.GetDataField(), QStringLiteral("name"));
    QCOMPARE(edit.GetField(), &f.query.FieldByName(QStringLiteral("name")));
    QCOMPARE(navigator.GetDataSet(), &f.query);

    f.source.SetDataSet(nullptr);
    QCOMPARE(edit.text(), QString());
    QVERIFY(edit.isReadOnly());
    QCOMPARE(edit.GetField(), nullptr);
    QCOMPARE(navigator.GetDataSet(), nullptr);
    f.query.Next(); // the old query no longer moves the control
    QCOMPARE(edit.text(), QString());

    f.source.SetDataSet(&f.query);
    QCOMPARE(edit.text(), QStringLiteral("Beta"));
    QVERIFY(!edit.isReadOnly());
    QCOMPARE(navigator.GetDataSet(), &f.query);
}

void TestDBControls::navigatorEnabling_data()
{
    QTest::addColumn<bool>("live");
    QTest::addColumn<int>("recNo");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<QString>("enabled");   // initials of the enabled buttons, F P N L I D E S C R
    QTest::newRow("first row") << true << 1 << false << "NLIDER";
    QTest::newRow("middle row") << true << 2 << false << "FPNLIDER";
    QTest::newRow("last row") << true << 4 << false << "FPIDER";
    QTest::newRow("editing") << true << 2 << true << "FPNLIDSCR";
    QTest::newRow("read-only query") << false << 2 << false << "FPNLR";
}

void TestDBControls::navigatorEnabling()
{
    QFETCH(bool, live);
    QFETCH(int, recNo);
    QFETCH(bool, edit);
    QFETCH(QString, enabled);
    WidgetFixture f(live);
    DBNavigator navigator;
    navigator.SetDataSource(&f.source);
    f.query.SetRecNo(recNo);
    if (edit)
        f.query.Edit();
    const QList<QPair<QChar, Button>> buttons{
        {u'F', Button::First}, {u'P', Button::Prior}, {u'N', Button::Next}, {u'L', Button::Last},
        {u'I', Button::Insert}, {u'D', Button::Delete}, {u'E', Button::Edit}, {u'S', Button::Post},
        {u'C', Button::Cancel}, {u'R', Button::Refresh}};
    QString actual;
    for (const auto &[initial, button] : buttons)
        if (navigator.ButtonWidget(button)->isEnabled())
            actual += initial;
    QCOMPARE(actual, enabled);
    f.query.Close();
    for (const auto &entry : buttons)
        QVERIFY(!navigator.ButtonWidget(entry.second)->isEnabled());
}

void TestDBControls::navigatorButtons()
{
    WidgetFixture f;
    DBNavigator navigator;
    navigator.SetDataSource(&f.source);
    navigator.SetVisibleButtons(Button::First | Button::Next | Button::Delete | Button::Insert | Button::Cancel);
    QVERIFY(navigator.ButtonWidget(Button::Next)->isVisibleTo(&navigator));
    QVERIFY(!navigator.ButtonWidget(Button::Edit)->isVisibleTo(&navigator));
    QTest::mouseClick(navigator.ButtonWidget(Button::Next), Qt::LeftButton);
    QCOMPARE(f.query.RecNo(), 2);
    // With confirmation on, a "no" keeps the row; with it off nothing is asked.
    int asked = 0;
    navigator.OnConfirmDelete = [&] { ++asked; return false; };
    navigator.SetConfirmDelete(true);
    QTest::mouseClick(navigator.ButtonWidget(Button::Delete), Qt::LeftButton);
    QCOMPARE(asked, 1);
    QCOMPARE(f.Stored(QStringLiteral("SELECT COUNT(*) FROM widgetrow")).toInt(), 4);
    navigator.SetConfirmDelete(false);
    QTest::mouseClick(navigator.ButtonWidget(Button::Delete), Qt::LeftButton);
    QCOMPARE(asked, 1);
    QCOMPARE(f.Stored(QStringLiteral("SELECT COUNT(*) FROM widgetrow")).toInt(), 3);
    QTest::mouseClick(navigator.ButtonWidget(Button::Insert), Qt::LeftButton);
    QCOMPARE(f.query.State(), DataSetState::Insert);
    QVERIFY(navigator.ButtonWidget(Button::Cancel)->isEnabled());
    // Leaving an untouched inserted row drops it.
    QTest::mouseClick(navigator.ButtonWidget(Button::First), Qt::LeftButton);
    QCOMPARE(f.query.State(), DataSetState::Browse);
    QCOMPARE(f.query.RecordCount(), 3);
}

QTEST_MAIN(TestDBControls)
#include "tst_dbcontrols.moc"
