// The detail form's close query, close action and action updates; the navigator's
// search keys and ellipsis rows; the viewer form's actions and double click.

#include <dataset/Error.h>
#include <dataset/MemoryRows.h>
#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>
#include <framework/base/CustomDetailForm.h>
#include <framework/base/CustomNavigatorForm.h>
#include <framework/base/CustomViewerForm.h>
#include <framework/base/DesignPlacement.h>
#include <framework/base/ValueListEditor.h>
#include <framework/base/WheelArrowFilter.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QWheelEvent>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <utility>

namespace {

class TTestDetailForm : public TCustomDetailForm {
public:
    bool AllowClose = true;
    TCloseAction CloseAction = TCloseAction::Hide;
    bool Dirty = false;
    int CloseQueries = 0;
    int Closes = 0;
    int Applies = 0;
    int OKs = 0;

protected:
    void FormCloseQuery(bool &canClose) override
    {
        ++CloseQueries;
        canClose = AllowClose;
    }
    void FormClose(TCloseAction &action) override
    {
        ++Closes;
        TCustomDetailForm::FormClose(action);
        action = CloseAction;
    }
    void CustomApplyUpdate(QAction *sender) override { sender->setEnabled(Dirty); }
    void CustomApplyExecute() override { ++Applies; }
    void CustomOKExecute() override
    {
        ++OKs;
        TCustomDetailForm::CustomOKExecute();
    }
};

class TTestNavigatorForm : public TCustomNavigatorForm {
public:
    TTestNavigatorForm()
    {
        SearchVLE->AddRow(QStringLiteral("number"));
        SearchVLE->AddRow(QStringLiteral("datefrom"));
        SetSearchProps();
    }
    void FindButtonClick() override
    {
        TCustomNavigatorForm::FindButtonClick();
        Searches << SearchValue(QStringLiteral("number"));
    }
    QStringList Searches;
    QStringList EllipsisKeys;
    bool DropDigits = false;

protected:
    void SetSearchProps() override
    {
        SearchVLE->SetCaption(QStringLiteral("number"), QStringLiteral("Broj"));
        SearchVLE->SetCaption(QStringLiteral("datefrom"), QStringLiteral("Od datuma"));
        SearchVLE->SetEllipsis(QStringLiteral("datefrom"), true);
        TCustomNavigatorForm::SetSearchProps();
    }
    void SearchVLEEditButtonClick() override
    {
        EllipsisKeys << CurrentSearchKey();
        SetSearchValue(CurrentSearchKey(), QStringLiteral("2013-05-01"));
    }
    void SearchVLEKeyPress(QString &text) override
    {
        if (DropDigits && text.at(0).isDigit())
            text.clear();
    }
};

class TTestViewerForm : public TCustomViewerForm {
public:
    QList<int> DoubleClickedRows;

protected:
    void DBGDblClick() override
    {
        TCustomViewerForm::DBGDblClick();
        DoubleClickedRows << DblClickRow();
    }
};

void Escape(QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); }

} // namespace

class TestFormBases : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placementFitsTexts_data();
    void placementFitsTexts();
    void placementStretchesAndAnchors();
    void closeQueryOnEveryAttempt_data();
    void closeQueryOnEveryAttempt();
    void closeActionNoneKeepsFormOpen();
    void closeActionFreeDeletesForm();
    void closesAgainAfterThrowingHandler();
    void buttonsRunActions();
    void applyFollowsUpdateHandler();
    void customActionUpdate();
    void bottomButtonsAnchoredRight();

    void enterStartsSearch_data();
    void enterStartsSearch();
    void otherKeysReachValue();
    void ellipsisRowsOnly();
    void valuesByKey();

    void addRowRefusesKey_data();
    void addRowRefusesKey();
    void viewerFormActionsAndDoubleClick();
    void wheelMovesFocusedListOneRow();
};

void TestFormBases::closeQueryOnEveryAttempt_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("allow");
    for (const char *how : {"close", "reject", "accept", "escape", "cancel action"}) {
        QTest::addRow("%s allowed", how) << QString::fromLatin1(how) << true;
        QTest::addRow("%s refused", how) << QString::fromLatin1(how) << false;
    }
}

void TestFormBases::closeQueryOnEveryAttempt()
{
    QFETCH(QString, how);
    QFETCH(bool, allow);
    TTestDetailForm form;
    form.AllowClose = allow;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    if (how == QLatin1String("close"))
        form.close();
    else if (how == QLatin1String("reject"))
        form.reject();
    else if (how == QLatin1String("accept"))
        form.accept();
    else if (how == QLatin1String("escape"))
        Escape(&form);
    else
        form.CustomCancel->trigger();
    QCOMPARE(form.CloseQueries, 1);
    QCOMPARE(form.Closes, allow ? 1 : 0);
    QCOMPARE(form.isVisible(), !allow);
}

void TestFormBases::closeActionNoneKeepsFormOpen()
{
    TTestDetailForm form;
    form.CloseAction = TCloseAction::None;
    form.show();
    form.close();
    QVERIFY(form.isVisible());
    QCOMPARE(form.Closes, 1);
}

void TestFormBases::closeActionFreeDeletesForm()
{
    QPointer<TTestDetailForm> form = new TTestDetailForm;
    form->CloseAction = TCloseAction::Free;
    form->show();
    form->close();
    QTRY_VERIFY(!form);
}

void TestFormBases::closesAgainAfterThrowingHandler()
{
    TTestDetailForm form;
    bool fail = true;
    connect(&form, &QDialog::accepted, &form, [&fail] {
        if (std::exchange(fail, false))
            throw dataset::Error(QStringLiteral("Snimanje nije uspelo."));
    });
    form.show();
    QVERIFY_THROWS_EXCEPTION(dataset::Error, form.accept());
    form.show();
    form.accept();
    QVERIFY(!form.isVisible());
    QCOMPARE(form.CloseQueries, 2);
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

void TestFormBases::buttonsRunActions()
{
    TTestDetailForm form;
    form.Dirty = true;
    form.show();
    form.UpdateActions();
    QCOMPARE(form.ApplyButton->text(), QStringLiteral("Primeni"));
    QCOMPARE(form.CancelButton->text(), QStringLiteral("Otkaži"));
    QTest::mouseClick(form.ApplyButton, Qt::LeftButton);
    QCOMPARE(form.Applies, 1);
    QVERIFY(form.isVisible());
    QTest::mouseClick(form.OKButton, Qt::LeftButton);
    QCOMPARE(form.OKs, 1);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

void TestFormBases::applyFollowsUpdateHandler()
{
    TTestDetailForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(!form.CustomApply->isEnabled());
    QVERIFY(!form.ApplyButton->isEnabled());
    // A disabled action does not run, whatever triggers it.
    form.CustomApply->trigger();
    QCOMPARE(form.Applies, 0);

    // The state changes without any input: a signal of a query the form shows brings
    // the refresh, whether the query's state or one of its values changed.
    dataset::FieldDef name;
    name.name = QStringLiteral("name");
    name.type = dataset::FieldType::String;
    name.size = 10;
    dataset::Query shown;
    shown.OpenInMemory(dataset::MemoryRows({name}));
    form.UpdateActionsOn(shown);
    form.Dirty = true;
    shown.Append();
    QVERIFY(form.ApplyButton->isEnabled());
    form.Dirty = false;
    shown.FieldByName(QStringLiteral("name")).SetAsString(QStringLiteral("Zona 1"));
    QVERIFY(!form.ApplyButton->isEnabled());
    form.Dirty = true;
    shown.Cancel();
    QVERIFY(form.ApplyButton->isEnabled());
}

void TestFormBases::customActionUpdate()
{
    TTestDetailForm form;
    QAction *print = form.CreateAction(QStringLiteral("DocumentPrint"),
                                       QStringLiteral("&Štampaj priznanicu"),
                                       QKeySequence(Qt::CTRL | Qt::Key_P));
    QVERIFY(form.ActionList.contains(print));
    // The print action is offered exactly when Apply is not.
    form.SetActionUpdate(print, [&form](QAction *sender) { sender->setEnabled(!form.Dirty); });
    form.UpdateActions();
    QVERIFY(print->isEnabled());
    form.Dirty = true;
    form.UpdateActions();
    QVERIFY(!print->isEnabled());
    QVERIFY(form.CustomApply->isEnabled());
}

void TestFormBases::bottomButtonsAnchoredRight()
{
    TTestDetailForm form;
    auto *left = new QPushButton(QStringLiteral("Kreiraj račun"), form.BottomPanel);
    left->setGeometry(8, 8, 95, 25);
    auto *print = new QPushButton(QStringLiteral("Štampaj &kartu"), form.BottomPanel);
    print->setGeometry(312, 8, 95, 25);
    form.AnchorRight(print);
    form.resize(976, 510);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.BottomPanel->width(), 976);
    QCOMPARE(form.CancelButton->geometry().right(), 976 - (776 - 692 - 75) - 1);
    QCOMPARE(print->x(), 312 + 200);
    QCOMPARE(left->x(), 8);
}

void TestFormBases::enterStartsSearch_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("searches");
    QTest::newRow("Return") << int(Qt::Key_Return) << 1;
    QTest::newRow("Enter on the keypad") << int(Qt::Key_Enter) << 1;
    QTest::newRow("Tab") << int(Qt::Key_Tab) << 0;
    QTest::newRow("letter") << int(Qt::Key_A) << 0;
}

void TestFormBases::enterStartsSearch()
{
    QFETCH(int, key);
    QFETCH(int, searches);
    TTestNavigatorForm form;
    form.show();
    QLineEdit *number = form.SearchVLE->ValueEditor(QStringLiteral("number"));
    QTest::keyClicks(number, QStringLiteral("12"));
    QTest::keyClick(number, Qt::Key(key));
    QCOMPARE(form.Searches.size(), searches);
    if (searches)
        QCOMPARE(form.Searches.first(), QStringLiteral("12"));
    QCOMPARE(form.CurrentSearchKey(), QStringLiteral("number"));
}

void TestFormBases::otherKeysReachValue()
{
    TTestNavigatorForm form;
    form.show();
    QLineEdit *number = form.SearchVLE->ValueEditor(QStringLiteral("number"));
    QTest::keyClicks(number, QStringLiteral("D'Arc"));
    QCOMPARE(form.SearchValue(QStringLiteral("number")), QStringLiteral("D'Arc"));
    form.DropDigits = true;
    QTest::keyClicks(number, QStringLiteral("1x2"));
    QCOMPARE(form.SearchValue(QStringLiteral("number")), QStringLiteral("D'Arcx"));
    // Down moves to the next row's value.
    QTest::keyClick(number, Qt::Key_Down);
    QCOMPARE(form.CurrentSearchKey(), QStringLiteral("datefrom"));
    QVERIFY(form.Searches.isEmpty());
}

void TestFormBases::ellipsisRowsOnly()
{
    TTestNavigatorForm form;
    form.show();
    QVERIFY(form.SearchVLE->Ellipsis(QStringLiteral("datefrom")));
    QVERIFY(!form.SearchVLE->Ellipsis(QStringLiteral("number")));
    QCOMPARE(form.SearchVLE->Caption(QStringLiteral("datefrom")), QStringLiteral("Od datuma"));

    form.SearchVLE->SetCurrentKey(QStringLiteral("number"));
    const auto buttons = form.SearchVLE->ValueEditor(QStringLiteral("datefrom"))->actions();
    QCOMPARE(buttons.size(), 1);
    buttons.first()->trigger();
    // The click makes its row current before the handler runs.
    QCOMPARE(form.EllipsisKeys, QStringList{QStringLiteral("datefrom")});
    QCOMPARE(form.SearchValue(QStringLiteral("datefrom")), QStringLiteral("2013-05-01"));
}

void TestFormBases::valuesByKey()
{
    TTestNavigatorForm form;
    form.SetSearchValue(QStringLiteral("number"), QStringLiteral("125/13"));
    QCOMPARE(form.SearchValue(QStringLiteral("number")), QStringLiteral("125/13"));
    QCOMPARE(form.SearchValue(QStringLiteral("datefrom")), QString());
    QCOMPARE(form.SearchVLE->Keys(), (QStringList{QStringLiteral("number"), QStringLiteral("datefrom")}));
    QVERIFY_THROWS_EXCEPTION(dataset::Error, form.SearchValue(QStringLiteral("dateto")));
    QVERIFY_THROWS_EXCEPTION(dataset::Error, form.SearchVLE->AddRow(QStringLiteral("number")));
    QCOMPARE(form.ParseSQL(), QString());
}

void TestFormBases::addRowRefusesKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("message");
    QTest::newRow("taken") << "number" << "Ključ 'number' već postoji u listi.";
    QTest::newRow("empty") << "" << "Red liste mora imati ključ.";
}

void TestFormBases::addRowRefusesKey()
{
    QFETCH(QString, key);
    QFETCH(QString, message);
    TTestNavigatorForm form;
    try {
        form.SearchVLE->AddRow(key);
        QFAIL("the row was added");
    } catch (const dataset::Error &e) {
        QCOMPARE(e.message(), message);
    }
    QCOMPARE(form.SearchVLE->rowCount(), 2);
}

void TestFormBases::viewerFormActionsAndDoubleClick()
{
    TTestViewerForm form;
    QPixmap red(16, 16);
    red.fill(Qt::red);
    form.ImageList << QIcon() << QIcon(red);
    QAction *add = form.CreateAction(QStringLiteral("CustomAdd"), QStringLiteral("Dodaj"), 1,
                                     QKeySequence(Qt::CTRL | Qt::Key_Insert));
    QCOMPARE(form.ActionList.size(), 2);
    QVERIFY(form.ActionList.contains(form.ColumnsVisibility));
    QCOMPARE(form.ActionList.last(), add);
    QVERIFY(!add->icon().isNull());
    QVERIFY(form.actions().contains(add));
    QCOMPARE(form.DBG->parentWidget(), form.CenterPanel);

    Q_EMIT form.DBG->cellDoubleClicked(-1, 0);
    Q_EMIT form.DBG->cellDoubleClicked(3, 1);
    QCOMPARE(form.DoubleClickedRows, (QList<int>{-1, 3}));
    QCOMPARE(form.DblClickColumn(), 1);
}

void TestFormBases::wheelMovesFocusedListOneRow()
{
    QWidget window;
    auto *list = new QListWidget(&window);
    list->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    list->setCurrentRow(1);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    list->setFocus();
    auto wheel = [list](int delta) {
        QWheelEvent event(QPointF(5, 5), list->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list->viewport(), &event);
    };
    // Key events the list receives: a notch is one press, never a release too.
    struct KeyCount : QObject {
        int presses = 0, releases = 0;
        bool eventFilter(QObject *, QEvent *e) override
        {
            presses += e->type() == QEvent::KeyPress;
            releases += e->type() == QEvent::KeyRelease;
            return false;
        }
    } keys;
    list->installEventFilter(&keys);
    {
        WheelArrowFilter filter(nullptr);
        wheel(120);
        QCOMPARE(list->currentRow(), 0);
        wheel(-120);
        wheel(-120);
        QCOMPARE(list->currentRow(), 2);
        QCOMPARE(keys.presses, 3);
        QCOMPARE(keys.releases, 0);

        // In a search box the wheel does nothing.
        auto *search = new QLineEdit(&window);
        search->show();
        search->setFocus();
        KeyCount typed;
        search->installEventFilter(&typed);
        wheel(120);
        QCOMPARE(list->currentRow(), 2);
        QCOMPARE(typed.presses + typed.releases, 0);
        list->setFocus();
    }
    // Without the filter the wheel scrolls and leaves the current row alone.
    wheel(120);
    QCOMPARE(list->currentRow(), 2);
}

namespace {

// A row of a design 300 pixels wide: a code field (8, 60) with the label "Ozn. grada*",
// a button "..." right after it, and a name (100, 120) labelled "Prezime".
struct DesignRow {
    QWidget panel;
    QLabel *codeLabel = new QLabel(QStringLiteral("Ozn. grada*"), &panel);
    QLineEdit *code = new QLineEdit(&panel);
    QPushButton *button = new QPushButton(QStringLiteral("..."), &panel);
    QLabel *nameLabel = new QLabel(QStringLiteral("Prezime"), &panel);
    QLineEdit *name = new QLineEdit(&panel);
    QPushButton *print = new QPushButton(QStringLiteral("Štampaj priznanicu"), &panel);
    DesignPlacement *placement = new DesignPlacement(&panel, 300);

    DesignRow()
    {
        code->setPlaceholderText(QStringLiteral("dd.mm.gggg"));
        placement->Add(code, QRect(8, 24, 60, 21), codeLabel);
        placement->Add(button, QRect(69, 24, 21, 21));
        placement->Add(name, QRect(100, 24, 120, 21), nameLabel, DesignPlacement::Kind::Stretch);
        placement->Add(print, QRect(180, 60, 112, 25), nullptr, DesignPlacement::Kind::AnchorRight);
        panel.resize(placement->MinimumWidth(), placement->MinimumHeight());
        placement->Place(); // a hidden panel gets no resize event
    }
    int Advance(const QWidget *widget, const QString &text) const
    {
        return widget->fontMetrics().horizontalAdvance(text);
    }
};

} // namespace

void TestFormBases::placementFitsTexts_data()
{
    QTest::addColumn<qreal>("points");
    QTest::newRow("100 %") << qreal(9);
    QTest::newRow("150 %") << qreal(13.5);
    QTest::newRow("200 %") << qreal(18);
}

// Whatever the font: labels stand over their controls without running into the next, the
// placeholder and the buttons' captions fit, and distances grow with the font.
void TestFormBases::placementFitsTexts()
{
    QFETCH(qreal, points);
    QFont font = QApplication::font();
    font.setPointSizeF(points);
    DesignRow row;
    row.panel.setFont(font);
    row.placement->Place();
    row.panel.resize(row.placement->MinimumWidth(), row.placement->MinimumHeight());

    QCOMPARE(row.codeLabel->x(), row.code->x());
    QVERIFY(row.codeLabel->geometry().bottom() < row.code->y());
    QVERIFY(row.codeLabel->geometry().right() < row.nameLabel->x());
    QVERIFY(row.code->geometry().right() < row.button->x());
    QVERIFY(row.button->geometry().right() < row.name->x());
    QVERIFY(row.code->width() >= row.Advance(row.code, QStringLiteral("dd.mm.gggg")) + 4);
    QVERIFY(row.print->width() >= row.Advance(row.print, QStringLiteral("Štampaj priznanicu")) + 4);
    QVERIFY(row.name->geometry().right() < row.print->x() || row.name->geometry().bottom() < row.print->y());
    QVERIFY(QRect(QPoint(), row.panel.size()).contains(row.print->geometry()));
    QVERIFY(row.code->width() >= qRound(60 * points / 9) - 3);
}

// Extra width goes to the stretching field; what is anchored right keeps its margin.
void TestFormBases::placementStretchesAndAnchors()
{
    DesignRow row;
    const int name = row.name->width();
    const int code = row.code->width();
    const int margin = row.panel.width() - row.print->geometry().right();
    row.panel.resize(row.panel.width() + 200, row.panel.height());
    row.placement->Place();
    QCOMPARE(row.name->width(), name + 200);
    QCOMPARE(row.code->width(), code);
    QCOMPARE(row.panel.width() - row.print->geometry().right(), margin);
}

QTEST_MAIN(TestFormBases)
#include "tst_formbases.moc"
