#include "ImportTestFiles.h"
#include "ReportedAsBoxes.h"
#include <dataset/Query.h>
#include <dataset/widgets/DataSetModel.h>
#include <dataset/widgets/DBGrid.h>
#include <framework/common/ScriptedDialogService.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/imports/ImportHistory.h>
#include <parking/imports/ParkingImportHistoryUnit.h>
#include <parking/imports/ParkingStartStopUnit.h>
#include <parking/imports/ParkingSubscriptionUnit.h>
#include <parking/imports/SubscriptionImportJob.h>
#include <routines/CodePages.h>
#include <routines/FormatFloat.h>
#include <tests/support/FindChild.h>
#include <tests/support/TestDatabase.h>

#include <QApplication>
#include <QHeaderView>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// The subscription and start-stop forms end to end: the file chosen, the import run off
// the window thread, the grid showing the result, a failure keeping what was shown.
class TestParkingImportForms : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void subscriptionForm();
    void undoRefusedAfterAnotherImport();
    void startStopForm();
    void startStopDatePicker();
    void historyWindowShowsTextEscaped();
    void historyWindowSortsKindsByCaption();

private:
    ReportedAsBoxes m_reported; // the forms report their failures
};

namespace {

struct Fixture {
    TestDatabase db{true};
    ScriptedDialogService dialogs;
    ScopedDialogService dialogScope{dialogs};
    QTemporaryDir dir;

    Fixture()
    {
        ParkingDM = TCustomDM::Create<TParkingDM>();
        ParkingDM->SetZConnection(&db.connection());
    }
    ~Fixture() { ParkingDM.reset(); }

    void Queue(const QString &name, const QByteArray &bytes) { dialogs.QueueFile(WriteTestFile(dir, name, bytes)); }
};

// Clicks "Učitaj" and waits for the import to end; true when it succeeded.
bool Load(imports::TParkingImportForm &form)
{
    QSignalSpy finished(&form, &imports::TParkingImportForm::importFinished);
    QTest::mouseClick(Child<QPushButton>(form, "LoadButton"), Qt::LeftButton);
    if (!finished.wait(20000))
        return false;
    return finished.first().first().toBool();
}

QStringList Column(dataset::DBGrid *grid, int column)
{
    QStringList values;
    for (int row = 0; row < grid->Model()->rowCount(); ++row)
        values << grid->Model()->data(grid->Model()->index(row, column)).toString();
    return values;
}

void Grab(QWidget *widget, const QString &name)
{
    const QString dir = qEnvironmentVariable("PARKING_GRAB_DIR");
    if (!dir.isEmpty() && QDir().mkpath(dir))
        widget->grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

} // namespace

void TestParkingImportForms::subscriptionForm()
{
    Fixture fixture;
    TParkingSubscriptionForm form(*ParkingDM);
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    form.show();
    QCOMPARE(form.windowTitle(), QStringLiteral("Parking pretplate"));
    QCOMPARE(Child<dataset::DBGrid>(form, "DBGrid")->Model()->rowCount(), 4); // the table as it is
    QCOMPARE(Child<dataset::DBGrid>(form, "DBGrid")->Model()->columnCount(), 10);

    fixture.Queue(QStringLiteral("pretplate.csv"),
                  "broj,reg,od,do,ime,prezime,jmbg,zona,lista,x,status\r\n"
                  + ToWin1250(QStringLiteral("P-1,bg 123-šđ,2024-01-01,2024-01-31,Ana,Ilić,1,Z1,L,,aktivna\r\n"
                                             "P-2,,2024-01-01,2024-01-31,,,,,,,\r\n"))
                  + QStringLiteral("P-3,ni-55,2024-02-01,2024-02-29,Јован,Јовић,2,Z2,L,,\r\n").toUtf8());
    QVERIFY(Load(form));
    QCOMPARE(Child<QLabel>(form, "LoadingInfoLabel")->text(), QStringLiteral("Svi podaci su učitani."));
    QCOMPARE(Column(Child<dataset::DBGrid>(form, "DBGrid"), 1), QStringList({"BG 123-ŠĐ", "NI-55"}));
    QCOMPARE(Column(Child<dataset::DBGrid>(form, "DBGrid"), 4), QStringList({"Ana", "Jovan"}));
    QVERIFY(fixture.dialogs.Errors().isEmpty());
    Grab(&form, QStringLiteral("subscriptions"));

    fixture.Queue(QStringLiteral("losa.csv"), "h\nP-9,BG9,2024-01-01,2024-01-31,,,,,,,\nP-8,BG8,nije datum,,,,,,,,\n");
    QVERIFY(!Load(form));
    QCOMPARE(fixture.dialogs.Errors().size(), 1);
    const QStringList message = fixture.dialogs.Errors().first().split(QLatin1Char('\n'));
    QCOMPARE(message.first(), QStringLiteral("Pogrešan format datoteke!"));
    QVERIFY2(message.at(1).startsWith(QStringLiteral("Red 3: ")), qPrintable(message.at(1)));
    QCOMPARE(message.last(), QStringLiteral("Sadržaj tabela je ostao nepromenjen."));
    QCOMPARE(Child<QLabel>(form, "LoadingInfoLabel")->text(), QStringLiteral("Učitavanje nije uspelo."));
    ParkingDM->ParkingSubscriptionZQ().Refresh();
    QCOMPARE(Column(Child<dataset::DBGrid>(form, "DBGrid"), 1), QStringList({"BG 123-ŠĐ", "NI-55"}));

    // The summary panel shows what the last good import did.
    QVERIFY2(
        Child<QPlainTextEdit>(form, "SummaryPanel")
            ->toPlainText()
            .startsWith("Pročitano redova: 3\nUpisano redova: 2\nIzostavljeno redova: 1\n  prazna registracija: 1"),
        qPrintable(Child<QPlainTextEdit>(form, "SummaryPanel")->toPlainText()));

    // Undo asks, naming the import's file; "Ne" keeps the table, "Da" puts the demo rows back.
    fixture.dialogs.Clear();
    QTest::mouseClick(Child<QPushButton>(form, "UndoButton"), Qt::LeftButton);
    const auto asked = fixture.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation);
    QCOMPARE(asked.size(), std::size_t(1));
    QVERIFY2(asked.front().text.contains(", pretplate.csv i vratiti"), qPrintable(asked.front().text));
    QCOMPARE(Child<dataset::DBGrid>(form, "DBGrid")->Model()->rowCount(), 2);
    fixture.dialogs.QueueConfirm(true);
    QTest::mouseClick(Child<QPushButton>(form, "UndoButton"), Qt::LeftButton);
    QCOMPARE(Child<dataset::DBGrid>(form, "DBGrid")->Model()->rowCount(), 4);
    QCOMPARE(Child<QLabel>(form, "LoadingInfoLabel")->text(), QStringLiteral("Vraćen je prethodni uvoz."));
    QCOMPARE(Child<QProgressBar>(form, "ProgressBar")->value(), 0);
    QTest::mouseClick(Child<QPushButton>(form, "UndoButton"), Qt::LeftButton);
    QCOMPARE(fixture.dialogs.ShownOf(ScriptedDialogService::Kind::Information).back().text,
             QStringLiteral("Vraćanje nije moguće: nema prethodnog uvoza."));
    QVERIFY(fixture.dialogs.Errors().isEmpty());

    // The history window lists the import, the refused one and the undo, newest first.
    QString title;
    QStringList kinds, outcomes;
    QTimer watch;
    watch.setInterval(10);
    connect(&watch, &QTimer::timeout, &watch, [&] {
        QWidget *window = QApplication::activeModalWidget();
        if (!window)
            return;
        watch.stop();
        title = window->windowTitle();
        kinds = Column(Child<dataset::DBGrid>(*window, "HistoryDBG"), 2);
        outcomes = Column(Child<dataset::DBGrid>(*window, "HistoryDBG"), 3);
        window->close();
    });
    watch.start();
    QTest::mouseClick(Child<QPushButton>(form, "HistoryButton"), Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("Istorija uvoza"));
    QCOMPARE(kinds, QStringList({"vraćanje pretplata", "uvoz pretplata", "uvoz pretplata"}));
    QCOMPARE(outcomes, QStringList({"uspeh", "greška", "uspeh"}));
}

// "Vrati prethodni uvoz" asks about the last import; while the question is open another
// desk imports. "Da" then refuses and leaves the other desk's import and the one asked
// about where they are.
void TestParkingImportForms::undoRefusedAfterAnotherImport()
{
    Fixture fixture;
    TParkingSubscriptionForm form(*ParkingDM);
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    form.show();
    const auto file = [](const char *line) {
        return QByteArray("broj,reg,od,do,ime,prezime,jmbg,zona,lista,x,status\r\n") + line;
    };
    fixture.Queue(QStringLiteral("prva.csv"), file("P-1,AA-1,2024-01-01,2024-01-31,Ana,Ilic,1,Z1,L,,\r\n"));
    QVERIFY(Load(form));
    fixture.Queue(QStringLiteral("druga.csv"), file("P-2,BB-2,2024-01-01,2024-01-31,Ana,Ilic,1,Z1,L,,\r\n"));
    QVERIFY(Load(form));
    fixture.dialogs.Clear();
    fixture.dialogs.WhileShown([&fixture, &file](const ScriptedDialogService::Shown &shown) {
        if (shown.kind != ScriptedDialogService::Kind::Confirmation)
            return;
        imports::SubscriptionImportJob otherDesk;
        imports::RunImport(otherDesk,
                           WriteTestFile(fixture.dir, QStringLiteral("treca.csv"),
                                         file("P-3,CC-3,2024-01-01,2024-01-31,Ana,Ilic,1,Z1,L,,\r\n")),
                           fixture.db.params());
    });
    fixture.dialogs.QueueConfirm(true);
    QTest::mouseClick(Child<QPushButton>(form, "UndoButton"), Qt::LeftButton);
    fixture.dialogs.WhileShown({});
    const auto asked = fixture.dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation);
    QCOMPARE(asked.size(), std::size_t(1));
    QVERIFY2(asked.front().text.contains(", druga.csv i vratiti"), qPrintable(asked.front().text));
    QCOMPARE(fixture.dialogs.Errors().size(), 1);
    QVERIFY2(fixture.dialogs.Errors().first().startsWith(QStringLiteral("U međuvremenu je napravljen novi uvoz")),
             qPrintable(fixture.dialogs.Errors().first()));
    ParkingDM->ParkingSubscriptionZQ().Refresh();
    QCOMPARE(Column(Child<dataset::DBGrid>(form, "DBGrid"), 1), QStringList{"CC-3"});
}

void TestParkingImportForms::startStopForm()
{
    Fixture fixture;
    TParkingStartStopForm form(*ParkingDM);
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    form.show();
    QCOMPARE(Child<QLineEdit>(form, "NewDocDateE")->text(),
             QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    QVERIFY(Child<dataset::Query>(form, "StartStopCDS")->Active());
    QCOMPARE(Child<dataset::DBGrid>(form, "StartStopDBG")->Model()->rowCount(), 0);
    QVERIFY(!form.findChild<QLabel *>(QStringLiteral("LoadingInfoLabel")));
    QVERIFY(Child<QPushButton>(form, "CancelButton")->isDefault());

    const QByteArray header = "id|name|address|code|zip|city|phone|note|reg|zone|date|start|stop|\n";
    fixture.Queue(QStringLiteral("START.CSV"),
                  header + ToWin1250(QStringLiteral("1|Žika|a|2|z|Niš|p|NUL|ni1|Z1|2024-03-15|10:00|11:00|\n"
                                                    "2|Ana|a|1|z|Bor|p|n|bo1|Z1|15.03.2024|09:00|09:30|\n"
                                                    "3|Ana|a|1|z|Bor|p|n|nul|Z1|15.03.2024|09:00|09:30|\n")));
    QVERIFY(Load(form));
    QCOMPARE(Column(Child<dataset::DBGrid>(form, "StartStopDBG"), 0), QStringList({"Ana", "Žika"}));
    QCOMPARE(Column(Child<dataset::DBGrid>(form, "StartStopDBG"), 3), QStringList({"BO1", "NI1"}));
    QCOMPARE(Child<dataset::Query>(form, "StartStopCDS")->RecNo(), 1);
    QVERIFY(!Child<dataset::Query>(form, "StartStopCDS")->ControlsDisabled());
    Grab(&form, QStringLiteral("startstop"));

    // A failed file leaves the table as it was.
    fixture.Queue(QStringLiteral("bad.csv"), header + "1|X|a|2|z|c|p|n|BG1|Z1|2024-03-15|10:00|11:00|\n"
                                                      "2|Y|a|2|z|c|p|n|BG2|Z1|2024-02-30|10:00|11:00|\n");
    QVERIFY(!Load(form));
    QCOMPARE(fixture.dialogs.Errors().size(), 1);
    QVERIFY(fixture.dialogs.Errors().first().startsWith(QStringLiteral("Pogrešan format datoteke!\nRed 3: ")));
    QCOMPARE(Column(Child<dataset::DBGrid>(form, "StartStopDBG"), 0), QStringList({"Ana", "Žika"}));
}

void TestParkingImportForms::startStopDatePicker()
{
    Fixture fixture;
    TParkingStartStopForm form(*ParkingDM);
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    fixture.dialogs.QueueDate(QDate(2024, 2, 29));
    QTest::mouseClick(Child<QPushButton>(form, "NewDocDateB"), Qt::LeftButton);
    QCOMPARE(Child<QLineEdit>(form, "NewDocDateE")->text(), QStringLiteral("2024-02-29"));
    QTest::mouseClick(Child<QPushButton>(form, "NewDocDateB"), Qt::LeftButton); // nothing queued: cancelled
    QCOMPARE(Child<QLineEdit>(form, "NewDocDateE")->text(), QStringLiteral("2024-02-29"));
    // The document buttons are inert.
    QTest::mouseClick(Child<QPushButton>(form, "CreateDocButton"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>(form, "RegDocButton"), Qt::LeftButton);
    QVERIFY(fixture.dialogs.Errors().isEmpty());
}

// A file name and a cause holding terminal controls and a direction mark are shown
// written out in the history window.
void TestParkingImportForms::historyWindowShowsTextEscaped()
{
    Fixture fixture;
    imports::ImportRecord record;
    record.kind = parking::ImportKind::TicketImport;
    record.fileName = QString::fromUtf8("/tmp/ev\nFAKE | uspeh | root\x1b[2J\xe2\x80\xae.csv");
    record.firstError = QStringLiteral("red 2: \x1b[31m\a");
    imports::RecordImport(fixture.db.connection(), record);
    TParkingImportHistoryForm window(ParkingDM->Host(), &fixture.db.connection());
    dataset::DBGrid *grid = Child<dataset::DBGrid>(window, "HistoryDBG");
    QCOMPARE(Column(grid, 6), QStringList(QStringLiteral("/tmp/ev\\nFAKE | uspeh | root\\x1b[2J\\u202e.csv")));
    QCOMPARE(Column(grid, 13), QStringList(QStringLiteral("red 2: \\x1b[31m\\x07")));
}

// The kinds are stored by key but shown and sorted by caption, as when the caption was
// stored: "uvoz karata" before "vraćanje pretplata" (their keys sort the other way).
void TestParkingImportForms::historyWindowSortsKindsByCaption()
{
    Fixture fixture;
    for (const parking::ImportKind kind : {parking::ImportKind::SubscriptionUndo, parking::ImportKind::TicketImport}) {
        imports::ImportRecord record;
        record.kind = kind;
        imports::RecordImport(fixture.db.connection(), record);
    }
    TParkingImportHistoryForm window(ParkingDM->Host(), &fixture.db.connection());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    dataset::DBGrid *grid = Child<dataset::DBGrid>(window, "HistoryDBG");
    QHeaderView *header = grid->horizontalHeader();
    constexpr int kKind = 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(kKind) + 5, header->height() / 2));
    QCOMPARE(Column(grid, kKind), QStringList({"uvoz karata", "vraćanje pretplata"}));
}

QTEST_MAIN(TestParkingImportForms)
#include "tst_ParkingImportForms.moc"
