#include "WidgetFixture.h"
#include <dataset/Error.h>
#include <dataset/widgets/DataSetModel.h>
#include <dataset/widgets/DBGrid.h>

#include <QApplication>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

using dataset::DataSetState;
using dataset::DBGrid;

namespace {

// The grid of the item lists: three columns, the first with an ellipsis button.
DBGrid *ItemGrid(WidgetFixture &f)
{
    auto *grid = new DBGrid;
    grid->SetDataSource(&f.source);
    grid->AddColumn(QStringLiteral("name"), 120);
    grid->AddColumn(QStringLiteral("price"), 80);
    grid->AddColumn(QStringLiteral("day"), 90, true);
    grid->SetColumnButton(0, true);
    return grid;
}

// Appends a row and types 'name' into its name cell, whose editor stays open.
void TypeIntoNewRow(WidgetFixture &f, DBGrid *grid, const QString &name)
{
    grid->setFocus();
    f.query.Append();
    grid->SetSelectedIndex(0);
    Type(name);
}

// The list as an item list is kept: in the cache, sorted by its generated key.
void KeepInCacheByKey(WidgetFixture &f)
{
    f.query.Close();
    f.query.SetCachedUpdates(true);
    f.query.SetSortedFields(QStringLiteral("widgetrowid"));
    f.query.Open();
}

QPoint CellCenter(DBGrid *grid, int row, int column)
{
    return grid->visualRect(grid->model()->index(row, column)).center();
}

} // namespace

class TestDBGrid : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void columns();
    void widthsFollowTheFont();
    void cursorFollowsBothWays();
    void typingEditsCurrentRow();
    void tabAndDownMove_data();
    void tabAndDownMove();
    void typedNewRowKeepsPlace_data();
    void typedNewRowKeepsPlace();
    void cancelWithOpenCellEditor();
    void appendedRowsFollowedOnceEventsRun();
    void untouchedInsertCancelledOnLeave_data();
    void untouchedInsertCancelledOnLeave();
    void ellipsisButton();
    void keyHooksDropKeys();
    void ctrlDeleteDeletesRow();
    void ctrlDeleteAsksWhenConfirming();
    void badCellTextIsReported();
    void titleAndDoubleClickSignals();
};

// At 150 % a designed width grows by half, a title is never cut, and the stretching
// column takes the grid's spare room.
void TestDBGrid::widthsFollowTheFont()
{
    WidgetFixture f;
    QFont font = QApplication::font();
    font.setPointSizeF(13.5);
    DBGrid grid;
    grid.setFont(font);
    grid.horizontalHeader()->setFont(font);
    grid.SetDataSource(&f.source);
    grid.AddColumn(QStringLiteral("name"), 120);
    grid.AddColumn(QStringLiteral("price"), 10);
    grid.AddColumn(QStringLiteral("day"), 90, true);
    grid.SetColumnButton(0, true);
    grid.SetColumnTitle(1, QStringLiteral("Cena sa PDV"));
    f.query.Close();
    f.query.Open();
    QVERIFY(qAbs(grid.columnWidth(0) - 180) <= 3);
    QVERIFY(grid.columnWidth(1)
            >= grid.horizontalHeader()->fontMetrics().horizontalAdvance(QStringLiteral("Cena sa PDV")));

    grid.resize(900, 300);
    grid.SetStretchColumn(QStringLiteral("day"));
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    const int others = grid.columnWidth(0) + grid.columnWidth(1);
    QCOMPARE(grid.columnWidth(2), grid.viewport()->width() - others);
    grid.resize(1100, 300);
    QTRY_COMPARE(grid.columnWidth(2), grid.viewport()->width() - others);
}

void TestDBGrid::columns()
{
    WidgetFixture f;
    DBGrid automatic;
    automatic.SetDataSource(&f.source);
    QCOMPARE(automatic.ColumnCount(), 5);
    QCOMPARE(automatic.ColumnFieldName(1), QStringLiteral("name"));

    DBGrid *grid = ItemGrid(f);
    QCOMPARE(grid->ColumnCount(), 3);
    QCOMPARE(grid->columnWidth(0), 120);
    QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Cena"));
    // Widths and hidden columns survive a reopen of the query.
    grid->setColumnHidden(1, true);
    grid->setColumnWidth(2, 111);
    f.query.Close();
    f.query.Open();
    QCOMPARE(grid->columnWidth(0), 120);
    QCOMPARE(grid->columnWidth(2), 111);
    QVERIFY(grid->isColumnHidden(1));
    QVERIFY(!(grid->model()->flags(grid->model()->index(0, 2)) & Qt::ItemIsEditable));
    delete grid;
}

void TestDBGrid::cursorFollowsBothWays()
{
    WidgetFixture f;
    DBGrid *grid = ItemGrid(f);
    FocusWindow w(grid);
    QCOMPARE(grid->currentIndex().row(), 0);
    f.query.SetRecNo(3);
    QCOMPARE(grid->currentIndex().row(), 2);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCenter(grid, 1, 1));
    QCOMPARE(f.query.RecNo(), 2);
    QCOMPARE(grid->SelectedIndex(), 1);
    QCOMPARE(grid->SelectedField()->FieldName(), QStringLiteral("price"));
    grid->SetSelectedIndex(0);
    QCOMPARE(grid->currentIndex().column(), 0);
    QCOMPARE(grid->SelectedField()->FieldName(), QStringLiteral("name"));
    // Moving off an edited row posts it.
    f.query.Edit();
    f.query.FieldByName(QStringLiteral("name")).SetAsString(QStringLiteral("Beta 2"));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCenter(grid, 3, 0));
    QCOMPARE(f.query.RecNo(), 4);
    QCOMPARE(f.query.State(), DataSetState::Browse);
    QCOMPARE(f.Stored(QStringLiteral("SELECT name FROM widgetrow WHERE widgetrowid = 2")).toString(), QStringLiteral("Beta 2"));
}

void TestDBGrid::typingEditsCurrentRow()
{
    WidgetFixture f;
    DBGrid *grid = ItemGrid(f);
    FocusWindow w(grid);
    QVERIFY(w.Active());
    grid->setFocus();
    f.query.SetRecNo(2);
    Type(QStringLiteral("Zeta"));
    QVERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()));   // the cell editor
    // The first key opens the cell editor with that key; the query edits from the first key on.
    QCOMPARE(f.query.State(), DataSetState::Edit);
    QCOMPARE(f.query.FieldByName(QStringLiteral("name")).AsString(), QStringLiteral("Zeta"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(QApplication::focusWidget(), grid);   // the editor closed
    QCOMPARE(f.query.FieldByName(QStringLiteral("name")).AsString(), QStringLiteral("Zeta"));
    QCOMPARE(grid->model()->index(1, 0).data().toString(), QStringLiteral("Zeta"));
    // Posting resets the rows; the view must not move the cursor while it rebuilds.
    f.query.Post();
    QCOMPARE(f.query.RecNo(), 2);
    QCOMPARE(grid->currentIndex().row(), 1);
}

void TestDBGrid::tabAndDownMove_data()
{
    QTest::addColumn<int>("startRow");
    QTest::addColumn<int>("startColumn");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("records");
    QTest::newRow("tab to the next cell") << 0 << 0 << int(Qt::Key_Tab) << 0 << 0 << 1 << 4;
    QTest::newRow("tab wraps to the next row") << 0 << 2 << int(Qt::Key_Tab) << 0 << 1 << 0 << 4;
    QTest::newRow("tab on the last cell appends") << 3 << 2 << int(Qt::Key_Tab) << 0 << 4 << 0 << 5;
    QTest::newRow("shift+tab back a row") << 1 << 0 << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << 0 << 2 << 4;
    QTest::newRow("down on the last row appends") << 3 << 1 << int(Qt::Key_Down) << 0 << 4 << 1 << 5;
    QTest::newRow("down in the middle moves") << 1 << 1 << int(Qt::Key_Down) << 0 << 2 << 1 << 4;
}

void TestDBGrid::tabAndDownMove()
{
    QFETCH(int, startRow);
    QFETCH(int, startColumn);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, records);
    WidgetFixture f;
    DBGrid *grid = ItemGrid(f);
    FocusWindow w(grid);
    QVERIFY(w.Active());
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(startRow, startColumn));
    QTest::keyClick(grid, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(grid->currentIndex().row(), row);
    QCOMPARE(grid->currentIndex().column(), column);
    QCOMPARE(f.query.RecordCount(), records);
    QCOMPARE(f.query.RecNo(), row + 1);
    // On a fresh appended row a second Down does not append another.
    if (records == 5) {
        QCOMPARE(f.query.State(), DataSetState::Insert);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(f.query.RecordCount(), 5);
    }
}

void TestDBGrid::typedNewRowKeepsPlace_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("down") << int(Qt::Key_Down);
    QTest::newRow("tab on the last cell") << int(Qt::Key_Tab);
}

// A list sorted by its generated key, kept in the cache: a row appended, a name typed into
// its open cell editor and Down (or Tab) leaves it: it keeps its place at the end, a fresh
// row follows it and what is typed next goes there.
void TestDBGrid::typedNewRowKeepsPlace()
{
    QFETCH(int, key);
    WidgetFixture f;
    KeepInCacheByKey(f);
    DBGrid *grid = ItemGrid(f);
    FocusWindow w(grid);
    QVERIFY(w.Active());
    TypeIntoNewRow(f, grid, QStringLiteral("Novi"));
    if (key == Qt::Key_Tab) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);   // to "price"
        Type(QStringLiteral("3"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);   // "day" is read-only
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    const auto names = [&f] {
        QStringList list;
        for (int row = 0; row < f.query.RecordCount(); ++row)
            list << f.query.RowValue(row, f.query.FieldByName(QStringLiteral("name")).Index()).toString();
        return list;
    };
    QCOMPARE(names(), (QStringList{"Alfa", "Beta", "Gama", "Delta", "Novi", ""}));
    QCOMPARE(f.query.RecNo(), 6);
    QCOMPARE(f.query.State(), DataSetState::Insert);
    QCOMPARE(grid->currentIndex().row(), 5);
    grid->SetSelectedIndex(0);
    Type(QStringLiteral("Sledeci"));
    QCOMPARE(names(), (QStringList{"Alfa", "Beta", "Gama", "Delta", "Novi", "Sledeci"}));
}

// A new row cancelled from code while its cell editor holds typed text (a form replacing
// the row): the row goes, nothing is written and the editor's text goes nowhere.
void TestDBGrid::cancelWithOpenCellEditor()
{
    WidgetFixture f;
    DBGrid *grid = ItemGrid(f);
    FocusWindow w(grid);
    QVERIFY(w.Active());
    TypeIntoNewRow(f, grid, QStringLiteral("Novi"));
    QVERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()));   // the cell editor is open
    try {
        f.query.Cancel();
    } catch (const dataset::Error &error) {
        QFAIL(qPrintable(error.message()));
    }
    QCOMPARE(f.query.State(), DataSetState::Browse);
    QCOMPARE(f.query.RecordCount(), 4);
    QCOMPARE(grid->currentIndex().row(), f.query.RecNo() - 1);
    QCOMPARE(f.Stored(QStringLiteral("SELECT COUNT(*) FROM widgetrow")).toInt(), 4);
    QCOMPARE(f.Stored(QStringLiteral("SELECT COUNT(*) FROM widgetrow WHERE name = 'Novi'")).toInt(), 0);
}

// Rows appended and posted from code (a list being filled) are followed by the view once
// the event loop runs: the current cell is the last row's, in the selected column.
void TestDBGrid::appendedRowsFollowedOnceEventsRun()
{
    WidgetFixture f;
    KeepInCacheByKey(f);
    DBGrid *grid = ItemGrid(f);
    FocusWindow w(grid);
    QVERIFY(w.Active());
    grid->SetSelectedIndex(2);
    for (int i = 0; i < 3; ++i) {
        f.query.Append();
        f.query.FieldByName(QStringLiteral("name")).SetAsString(QStringLiteral("Novi %1").arg(i));
        f.query.Post();
    }
    QCoreApplication::processEvents();
    QCOMPARE(f.query.RecNo(), 7);
    QCOMPARE(grid->currentIndex().row(), 6);
    QCOMPARE(grid->currentIndex().column(), 2);
    QCOMPARE(grid->model()->rowCount(), 7);
}

void TestDBGrid::untouchedInsertCancelledOnLeave_data()
{
    QTest::addColumn<bool>("typed");
    QTest::addColumn<bool>("byFocus");
    QTest::newRow("untouched, focus leaves") << false << true;
    QTest::newRow("untouched, cursor moves up") << false << false;
    QTest::newRow("typed, focus leaves") << true << true;
}

void TestDBGrid::untouchedInsertCancelledOnLeave()
{
    QFETCH(bool, typed);
    QFETCH(bool, byFocus);
    WidgetFixture f;
    DBGrid *grid = ItemGrid(f);
    FocusWindow w(grid);
    QVERIFY(w.Active());
    grid->setFocus();
    f.query.Last();
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(f.query.State(), DataSetState::Insert);
    if (typed)
        Type(QStringLiteral("Novi"));
    if (byFocus)
        w.other->setFocus();
    else
        QTest::keyClick(grid, Qt::Key_Up);
    QTRY_VERIFY(QApplication::focusWidget() == (byFocus ? static_cast<QWidget *>(w.other) : grid));
    if (typed) {
        QCOMPARE(f.query.State(), DataSetState::Insert);
        QCOMPARE(f.query.RecordCount(), 5);
        QCOMPARE(f.query.FieldByName(QStringLiteral("name")).AsString(), QStringLiteral("Novi"));
    } else {
        QCOMPARE(f.query.State(), DataSetState::Browse);
        QCOMPARE(f.query.RecordCount(), 4);
        QCOMPARE(grid->model()->rowCount(), 4);
    }
}

void TestDBGrid::ellipsisButton()
{
    WidgetFixture f;
    DBGrid *grid = ItemGrid(f);
    FocusWindow w(grid);
    QVERIFY(w.Active());
    grid->setFocus();
    QSignalSpy clicked(grid, &DBGrid::editButtonClicked);
    const QRect cell = grid->visualRect(grid->model()->index(0, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(cell.right() - 4, cell.center().y()));
    QCOMPARE(clicked.count(), 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 4, cell.center().y()));
    QCOMPARE(clicked.count(), 1);
    QTest::keyClick(grid, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(clicked.count(), 2);
    // Only the chosen column has the button.
    grid->SetSelectedIndex(1);
    const QRect price = grid->visualRect(grid->model()->index(0, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(price.right() - 4, price.center().y()));
    QCOMPARE(clicked.count(), 2);
}

void TestDBGrid::keyHooksDropKeys()
{
    WidgetFixture f;
    DBGrid *grid = ItemGrid(f);
    FocusWindow w(grid);
    QVERIFY(w.Active());
    grid->setFocus();
    QList<int> seen;
    grid->OnKeyDown = [&](int &key, Qt::KeyboardModifiers mods) {
        seen << key;
        if (key == Qt::Key_Delete && mods != Qt::ControlModifier)
            key = 0;
    };
    // A set name cannot be typed over: the character is dropped.
    grid->OnKeyPress = [&](QString &text) {
        if (grid->SelectedField()->FieldName() == QStringLiteral("name") && !grid->SelectedField()->AsString().isEmpty())
            text.clear();
    };
    QTest::keyClick(grid, Qt::Key_X);
    QCOMPARE(f.query.State(), DataSetState::Browse);
    QCOMPARE(f.query.FieldByName(QStringLiteral("name")).AsString(), QStringLiteral("Alfa"));
    QTest::keyClick(grid, Qt::Key_Delete);
    QCOMPARE(f.query.RecordCount(), 4);
    QVERIFY(seen.contains(Qt::Key_Delete));
    // In the open cell editor the same hooks hold.
    grid->SetSelectedIndex(1);
    Type(QStringLiteral("7"));
    QCOMPARE(f.query.State(), DataSetState::Edit);
    grid->OnKeyPress = [](QString &text) { if (text == QStringLiteral("5")) text.clear(); };
    Type(QStringLiteral("565"));
    QCOMPARE(f.query.FieldByName(QStringLiteral("price")).AsFloat(), 76.0);
}

void TestDBGrid::ctrlDeleteDeletesRow()
{
    WidgetFixture f;
    DBGrid *grid = ItemGrid(f);
    FocusWindow w(grid);
    QVERIFY(w.Active());
    grid->setFocus();
    f.query.SetRecNo(2);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(f.query.RecordCount(), 3);
    QCOMPARE(f.Stored(QStringLiteral("SELECT COUNT(*) FROM widgetrow")).toInt(), 3);
    grid->SetReadOnly(true);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(f.query.RecordCount(), 3);
}

void TestDBGrid::ctrlDeleteAsksWhenConfirming()
{
    WidgetFixture f;
    DBGrid *grid = ItemGrid(f);
    FocusWindow w(grid);
    QVERIFY(w.Active());
    grid->setFocus();
    grid->SetOption(DBGrid::Option::ConfirmDelete, true);
    bool answer = false;
    int asked = 0;
    grid->OnConfirmDelete = [&] { ++asked; return answer; };
    f.query.SetRecNo(2);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(asked, 1);
    QCOMPARE(f.query.RecordCount(), 4);
    answer = true;
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(asked, 2);
    QCOMPARE(f.query.RecordCount(), 3);
    QCOMPARE(f.Stored(QStringLiteral("SELECT COUNT(*) FROM widgetrow")).toInt(), 3);
}

void TestDBGrid::badCellTextIsReported()
{
    WidgetFixture f;
    DBGrid *grid = ItemGrid(f);
    FocusWindow w(grid);
    QVERIFY(w.Active());
    grid->setFocus();
    grid->SetSelectedIndex(1);
    Type(QStringLiteral("1x"));
    QCOMPARE(f.query.FieldByName(QStringLiteral("price")).AsFloat(), 1.0);
    QString message;
    const ScopedErrorReporter reporter([&](const QString &text) { message = text; });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    // Return commits the cell through a queued call; the error follows as an event.
    QCoreApplication::sendPostedEvents(grid->itemDelegate(), QEvent::MetaCall);
    QCoreApplication::sendPostedEvents();
    QVERIFY2(message.contains(QStringLiteral("1x")), qPrintable(message));
    QCOMPARE(f.query.State(), DataSetState::Edit);
}

void TestDBGrid::titleAndDoubleClickSignals()
{
    WidgetFixture f;
    DBGrid *grid = ItemGrid(f);
    grid->SetReadOnly(true);
    FocusWindow w(grid);
    QSignalSpy titles(grid, &DBGrid::titleClicked);
    QSignalSpy doubles(grid, &DBGrid::cellDoubleClicked);
    QHeaderView *header = grid->horizontalHeader();
    const QPoint title(header->sectionViewportPosition(1) + 10, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
    QCOMPARE(titles.count(), 1);
    QCOMPARE(titles.last().at(0).toInt(), 1);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, CellCenter(grid, 2, 1));
    QCOMPARE(doubles.last().at(0).toInt(), 2);
    QCOMPARE(doubles.last().at(1).toInt(), 1);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, title);
    QCOMPARE(doubles.last().at(0).toInt(), -1);
    // The empty space below the last row stands for the row after it.
    const int rows = grid->model()->rowCount();
    const QPoint below(CellCenter(grid, 0, 1).x(), grid->rowViewportPosition(rows - 1) + grid->rowHeight(0) + 5);
    QVERIFY(below.y() < grid->viewport()->height());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(doubles.last().at(0).toInt(), rows);
    QCOMPARE(doubles.last().at(1).toInt(), 1);
}

QTEST_MAIN(TestDBGrid)
#include "tst_dbgrid.moc"
