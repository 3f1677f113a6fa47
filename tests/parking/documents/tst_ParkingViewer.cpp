#include "DocumentsFixture.h"

#include <dataset/widgets/DBEdit.h>
#include <dataset/widgets/DBGrid.h>
#include <parking/documents/ParkingDetailUnit.h>
#include <parking/documents/ParkingNavigatorUnit.h>
#include <parking/documents/ParkingViewerUnit.h>

#include <QAction>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QHeaderView>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>

namespace {

QStringList Names(const QList<QAction *> &actions)
{
    QStringList names;
    for (const QAction *action : actions)
        names << (action->isSeparator() ? QStringLiteral("|") : action->objectName());
    return names;
}

// What a modal editor showed: its document number, closed again with Cancel.
struct EditorSeen {
    bool shown = false;
    QString number;
};

std::unique_ptr<WhenModalShown> CancelEditorWhenShown(EditorSeen &seen)
{
    return std::make_unique<WhenModalShown>([&seen](QWidget *modal) {
        auto *editor = qobject_cast<TParkingDetailForm *>(modal);
        seen.shown = editor != nullptr;
        if (editor) {
            seen.number = Child<dataset::DBEdit>(*editor, "NumberEdit")->text();
            editor->CustomCancel->trigger();
        } else {
            modal->close();
        }
    });
}

} // namespace

class TestParkingViewer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void toolbarAndMenu();
    void closedListDoesNothing_data();
    void closedListDoesNothing();
    void addOnClosedList();
    void doubleClick_data();
    void doubleClick();
    void editOnEmptyOpenList();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void plateSearch_data();
    void plateSearch();
    void grab();
};

// The order of the toolbar and the menu; every action is enabled. The import windows are
// the ones the entry's opener offers.
void TestParkingViewer::toolbarAndMenu()
{
    ParkingWindows windows;
    parking::HostServices host;
    host.SetWindows(&windows);
    const auto dm = TCustomDM::Create<TParkingDM>(host);
    TParkingViewerForm form(*dm);
    QCOMPARE(Names(form.ActionTB->actions()),
             (QStringList{"CustomAdd", "CustomEdit", "CustomDelete", "|", "PayDeskAction", "|",
                          "ParkingZoneFrameAction", "|", "ParkingTicketAction", "ParkingSubscriptionAction",
                          "ParkingStartStopAction"}));
    QCOMPARE(Names(form.PopupMenu->actions()),
             (QStringList{"CustomAdd", "CustomEdit", "CustomDelete", "|", "PayDeskAction", "|",
                          "ParkingZoneFrameAction", "|", "ColumnsVisibility"}));
    for (const QAction *action : form.ActionTB->actions()) {
        if (action->isSeparator())
            continue;
        QVERIFY(!action->icon().isNull());
        QVERIFY(action->isEnabled());
    }
}

void TestParkingViewer::closedListDoesNothing_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("edit") << "edit";
    QTest::newRow("double click") << "double click";
    QTest::newRow("delete") << "delete";
}

// Before the first search the list is closed: nothing opens, nothing is asked.
void TestParkingViewer::closedListDoesNothing()
{
    QFETCH(QString, what);
    DocumentsFixture fx;
    fx.InsertDocument("1/13", "2013-05-01 10:00:00");
    TParkingViewerForm form(*ParkingDM);

    EditorSeen seen;
    const auto driver = CancelEditorWhenShown(seen);
    if (what == QLatin1String("edit"))
        form.CustomEditExecute();
    else if (what == QLatin1String("delete"))
        form.CustomDeleteExecute();
    else
        Q_EMIT form.DBG->cellDoubleClicked(0, 0);
    QTest::qWait(50);
    QVERIFY(!seen.shown);
    QVERIFY(!ParkingDM->ParkingDocumentZQ().Active());
    QVERIFY(fx.dialogs.ShownDialogs().empty());
    QCOMPARE(fx.Scalar("SELECT COUNT(*) FROM parkingdocument").toInt(), 1);
}

// The closed list is opened empty and gets the new row, numbered after the existing ones.
void TestParkingViewer::addOnClosedList()
{
    DocumentsFixture fx;
    fx.InsertDocument("1/13", "2013-05-01 10:00:00");
    fx.InsertDocument("2/13", "2013-05-01 11:00:00");
    TParkingViewerForm form(*ParkingDM);

    EditorSeen seen;
    dataset::DataSetState stateInEditor = dataset::DataSetState::Inactive;
    int rowsInEditor = -1;
    const WhenModalShown driver([&](QWidget *modal) {
        const dataset::Query &documents = ParkingDM->ParkingDocumentZQ();
        stateInEditor = documents.State();
        rowsInEditor = documents.RecordCount();
        auto *editor = qobject_cast<TParkingDetailForm *>(modal);
        seen.shown = editor != nullptr;
        seen.number = editor ? Child<dataset::DBEdit>(*editor, "NumberEdit")->text() : QString();
        modal->close();
    });
    fx.dialogs.QueueAnswer(DialogAnswer::No);   // the close question: drop the new document
    Child<QAction>(form, "CustomAdd")->trigger();

    QVERIFY(seen.shown);
    QCOMPARE(seen.number, QStringLiteral("3/") + QDate::currentDate().toString(QStringLiteral("yy")));
    QCOMPARE(stateInEditor, dataset::DataSetState::Insert);
    QCOMPARE(rowsInEditor, 1);
    QVERIFY(ParkingDM->ParkingDocumentZQ().Active());
    QVERIFY(ParkingDM->ParkingDocumentZQ().IsEmpty());
    QCOMPARE(fx.Scalar("SELECT COUNT(*) FROM parkingdocument").toInt(), 2);
}

void TestParkingViewer::doubleClick_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("opens");
    QTest::newRow("title row") << -1 << false;
    QTest::newRow("first row") << 0 << true;
    QTest::newRow("second row") << 1 << true;
    QTest::newRow("below the last row") << 2 << true;
}

void TestParkingViewer::doubleClick()
{
    QFETCH(int, row);
    QFETCH(bool, opens);

    DocumentsFixture fx;
    fx.InsertDocument("1/13", "2013-05-01 10:00:00");
    fx.InsertDocument("2/13", "2013-05-02 10:00:00");
    fx.OpenDocuments();
    TParkingViewerForm form(*ParkingDM);
    form.resize(741, 300);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    EditorSeen seen;
    const auto driver = CancelEditorWhenShown(seen);
    if (row < 0) {
        QHeaderView *header = form.DBG->horizontalHeader();
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {},
                           QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    } else {
        // Below the last row the pointer is on no row and the current one stays.
        const QRect cell = form.DBG->visualRect(form.DBG->model()->index(std::min(row, 1), 0));
        const QPoint at = row < 2 ? cell.center() : cell.center() + QPoint(0, 2 * cell.height());
        QTest::mouseClick(form.DBG->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(form.DBG->viewport(), Qt::LeftButton, {}, at);
    }
    QTest::qWait(50);
    QCOMPARE(seen.shown, opens);
    if (opens)   // the editor opens on the row under the pointer (newest first)
        QCOMPARE(seen.number, row == 1 ? QStringLiteral("1/13") : QStringLiteral("2/13"));
}

// A search that found nothing: a double click opens nothing, Uredi still opens the editor.
void TestParkingViewer::editOnEmptyOpenList()
{
    DocumentsFixture fx;
    ParkingDM->ParkingDocumentZQ().Open();
    TParkingViewerForm form(*ParkingDM);

    EditorSeen seen;
    {
        const auto driver = CancelEditorWhenShown(seen);
        Q_EMIT form.DBG->cellDoubleClicked(0, 0);
        QTest::qWait(50);
        QVERIFY(!seen.shown);
    }
    const auto driver = CancelEditorWhenShown(seen);
    form.CustomEditExecute();
    QVERIFY(seen.shown);
    QVERIFY(TestApplication::instance()->errors.isEmpty());
}

void TestParkingViewer::deleteAsksFirst_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("no keeps everything") << false;
    QTest::newRow("yes deletes with items") << true;
}

void TestParkingViewer::deleteAsksFirst()
{
    QFETCH(bool, yes);
    DocumentsFixture fx;
    const qint64 id = fx.InsertDocument("1/13", "2013-05-01 10:00:00");
    fx.InsertItem(id, 100, 20, "DK1200");
    fx.InsertDocument("2/13", "2013-04-01 10:00:00");
    fx.OpenDocuments(id);
    TParkingViewerForm form(*ParkingDM);

    fx.dialogs.QueueConfirm(yes);
    if (yes)
        form.CustomDeleteExecute();
    else
        QVERIFY_THROWS_EXCEPTION(EAbort, form.CustomDeleteExecute());

    QCOMPARE(fx.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation).size(), std::size_t(1));
    QCOMPARE(ParkingDM->ParkingDocumentZQ().RecordCount(), yes ? 1 : 2);
    QCOMPARE(fx.Scalar(QStringLiteral("SELECT COUNT(*) FROM parkingdocument WHERE parkingdocumentid = %1").arg(id))
                 .toInt(),
             yes ? 0 : 1);
    QCOMPARE(fx.Scalar("SELECT COUNT(*) FROM parkingdocumentitem").toInt(), yes ? 0 : 1);

    // An empty list deletes nothing and asks nothing.
    fx.dialogs.Clear();
    ParkingDM->ParkingDocumentZQ().Close();
    ParkingDM->ParkingDocumentZQ().SetSQL({QStringLiteral("SELECT * FROM parkingdocument WHERE 1 = 0")});
    ParkingDM->ParkingDocumentZQ().Open();
    form.CustomDeleteExecute();
    QVERIFY(fx.dialogs.ShownDialogs().empty());
}

void TestParkingViewer::plateSearch_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("found");
    const QStringList vehicle{"4/13", "3/13", "2/13"};
    QTest::newRow("joined") << "NS7788" << vehicle;
    QTest::newRow("lower case, blank and dash") << "ns 77-88" << vehicle;
    QTest::newRow("dash after the city mark") << "NS-7788" << vehicle;
    QTest::newRow("blanks everywhere") << " N S 7 7 8 8 " << vehicle;
    QTest::newRow("another city") << "BG7788" << QStringList{"6/13"};
    QTest::newRow("part of a plate") << "NS778" << QStringList{};
    QTest::newRow("quote") << "NS' OR '1'='1" << QStringList{};
}

// The whole registration however it was typed or stored: city mark and number together,
// blanks, dashes and case aside; a plate without documents says so in the status line.
void TestParkingViewer::plateSearch()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, found);
    DocumentsFixture fx;
    const IntfPtr<FakeNoticeLog> notices = CreateInterfaced<FakeNoticeLog>();
    fx.console->modules.insert(INoticeLog::IID, IntfPtr<IInterface>(notices));
    const auto insert = [&fx](const char *number, const char *city, const char *registration) {
        const qint64 id =
            fx.InsertDocument(number, QStringLiteral("2013-05-0%1 10:00:00").arg(number[0]), 7, registration);
        fx.connection().Execute(QStringLiteral("UPDATE parkingdocument SET cityreg = %1 WHERE parkingdocumentid = %2")
                                    .arg(dataset::Connection::Quote(city))
                                    .arg(id));
    };
    insert("1/13", "NS", "77889");
    insert("2/13", "NS", "7788");
    insert("3/13", "NS", "77-88");
    insert("4/13", "ns ", "7788");
    insert("5/13", "", "NS7789");
    insert("6/13", "BG", "7788");
    TParkingViewerForm form(*ParkingDM);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *edit = Child<QLineEdit>(form, "PlateSearchEdit");
    QTest::keyClicks(edit, typed);
    QTest::keyClick(edit, Qt::Key_Return);

    dataset::Query &documents = ParkingDM->ParkingDocumentZQ();
    QStringList numbers;
    for (documents.First(); !documents.Eof(); documents.Next())
        numbers << documents.FieldByName(QStringLiteral("number")).AsString();
    QCOMPARE(numbers, found);
    QVERIFY(TestApplication::instance()->errors.isEmpty());
    QCOMPARE(notices->notices.size(), found.isEmpty() ? 1 : 0);
    if (found.isEmpty())
        QVERIFY(notices->notices.first().startsWith(QStringLiteral("Nema dokumenata za tablice")));
}

// Pictures of the list beside its search pane, for a look by eye.
void TestParkingViewer::grab()
{
    DocumentsFixture fx;
    fx.InsertDocument("125/13", "2013-05-01 10:15:00");
    fx.InsertDocument("126/13", "2013-05-01 11:40:00", 7, "4521KŠ");
    QWidget window;
    auto *viewer = new TParkingViewerForm(*ParkingDM, &window);
    auto *navigator = new TParkingNavigatorForm(*ParkingDM, &window);
    auto *layout = new QHBoxLayout(&window);
    layout->addWidget(navigator);
    layout->addWidget(viewer, 1);
    window.resize(1000, 320);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    navigator->FindButtonClick();
    QCOMPARE(ParkingDM->ParkingDocumentZQ().RecordCount(), 2);
    QTest::qWait(20);
    GrabIfAsked(&window, QStringLiteral("viewer"));
    viewer->PopupMenu->resize(viewer->PopupMenu->sizeHint());
    GrabIfAsked(viewer->PopupMenu, QStringLiteral("viewer-menu"));
}

PARKING_TEST_MAIN(TestParkingViewer)
#include "tst_ParkingViewer.moc"
