#include "ImportTestFiles.h"
#include "ReportedAsBoxes.h"
#include <dataset/Query.h>
#include <framework/common/ScriptedDialogService.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/imports/FileFormatCheck.h>
#include <parking/imports/ImportKinds.h>
#include <parking/imports/ParkingImportForm.h>
#include <parking/imports/ParkingImportText.h>
#include <routines/FormatFloat.h>
#include <tests/support/FindChild.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QtTest>

using namespace imports;

namespace {

// Counts the lines after the header; fails on a line reading "bad". Waits for the test
// before it starts, so the test can look at the form while an import runs.
class CountingJob : public ImportJob {
public:
    explicit CountingJob(QSemaphore *gate) : m_gate(gate) {}
    bool UsesDatabase() const override { return false; }
    ImportSummary Run(ImportContext &context) override
    {
        if (m_gate)
            m_gate->acquire();
        ImportLineReader reader(context.fileName);
        ImportSummary summary;
        reader.SkipHeader();
        QByteArray line;
        while (reader.ReadLine(line)) {
            if (line == "bad")
                throw ImportError(ImportFailure::File, QStringLiteral("Loš red."), reader.LineNumber());
            ++summary.linesRead;
            context.Report(reader.BytesRead(), reader.FileSize());
        }
        RefuseEmptying(QStringLiteral("proba"), reader.FileSize(), summary.linesRead, false, context.emptying);
        summary.rowsStored = summary.linesRead;
        return summary;
    }

private:
    QSemaphore *m_gate;
};

// A kind of import of the test's own, as a new kind is written: its line, its job and
// its form.
struct TestKind {
    QSemaphore *gate = nullptr;
    ImportDescriptor line{.id = QStringLiteral("proba"),
                          .caption = QStringLiteral("Proba uvoza"),
                          .name = QStringLiteral("Proba"),
                          .createJob = [this] { return std::make_unique<CountingJob>(gate); }};
    std::unique_ptr<TParkingDM> dm = TCustomDM::Create<TParkingDM>(); // without a connection
};

class TestForm : private TestKind, public TParkingImportForm {
public:
    TestForm()
        : TParkingImportForm(*TestKind::dm, TestKind::line)
    {
        setAttribute(Qt::WA_DeleteOnClose, false);
        CreateLoadingInfoLabel();
    }
    using TestKind::gate;
    dataset::Query target;
    qint64 linesSeen = -1;
    bool controlsOffWhenDone = false;
    bool failRefresh = false;

protected:
    QList<dataset::Query *> TargetDataSets() const override
    {
        return {const_cast<dataset::Query *>(&target)};
    }
    void ImportSucceeded(ImportJob &, const ImportSummary &summary) override
    {
        linesSeen = summary.linesRead;
        controlsOffWhenDone = target.ControlsDisabled();
        if (failRefresh)
            throw dataset::Error(QStringLiteral("Veza sa serverom je prekinuta."));
    }
};

} // namespace

class TestParkingImportFrame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { FormatSettings::Current().DecimalSeparator = QLatin1Char(','); }
    void runsOffTheWindowThread();
    void failureKeepsLineNumberAndRestoresState_data();
    void failureKeepsLineNumberAndRestoresState();
    void refreshFailureToldWithTheSummary();
    void emptyingTheTableAsked_data();
    void emptyingTheTableAsked();

private:
    ReportedAsBoxes m_reported; // the forms report their failures
};

void TestParkingImportFrame::runsOffTheWindowThread()
{
    ScriptedDialogService dialogs;
    ScopedDialogService installed(dialogs);
    QTemporaryDir dir;
    dialogs.QueueFile(WriteTestFile(dir, "DATA.CSV", "header\r\na\r\nb\r\n"));
    TestForm form;
    QSemaphore gate;
    form.gate = &gate;
    form.show();
    // The kind names the form; its job runs without the database, so the module needs none.
    QCOMPARE(form.windowTitle(), QStringLiteral("Proba uvoza"));
    QCOMPARE(form.objectName(), QStringLiteral("ProbaForm"));
    QCOMPARE(Child<QLabel>(form, "LoadingInfoLabel")->text(), QStringLiteral("Spremno za učitavanje."));
    QSignalSpy finished(&form, &TParkingImportForm::importFinished);

    form.LoadButtonClick();
    // The job waits at its gate: the window thread is free and the state is the import's.
    QVERIFY(form.Importing());
    QCOMPARE(Child<QLabel>(form, "LoadingInfoLabel")->text(), QStringLiteral("Učitavanje u toku."));
    QCOMPARE(FormatSettings::Current().DecimalSeparator, QLatin1Char('.'));
    QVERIFY(QApplication::overrideCursor());
    QVERIFY(form.target.ControlsDisabled());
    QVERIFY(!Child<QPushButton>(form, "LoadButton")->isEnabled());
    QTest::keyClick(&form, Qt::Key_Escape);   // Esc does not close a form whose import runs
    QVERIFY(form.isVisible());

    gate.release();
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.first().first().toBool(), true);
    QCOMPARE(form.linesSeen, 2);
    QVERIFY(form.controlsOffWhenDone);   // re-attached once, after the rows are in
    QVERIFY(!form.target.ControlsDisabled());
    QCOMPARE(Child<QLabel>(form, "LoadingInfoLabel")->text(), QStringLiteral("Svi podaci su učitani."));
    QCOMPARE(Child<QProgressBar>(form, "ProgressBar")->value(), Child<QProgressBar>(form, "ProgressBar")->maximum());
    QCOMPARE(FormatSettings::Current().DecimalSeparator, QLatin1Char(','));
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(dialogs.Errors().isEmpty());
    QCOMPARE(dialogs.ShownOf(ScriptedDialogService::Kind::FileOpen).front().text, QStringLiteral("Učitaj CSV"));
}

void TestParkingImportFrame::failureKeepsLineNumberAndRestoresState_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("jobRan");
    QTest::newRow("bad line") << "d.csv" << QByteArray("h\nok\r\nbad\n")
                              << QStringLiteral("Pogrešan format datoteke!\nRed 3: Loš red.") << true;
    QTest::newRow("wrong extension") << "data.csv.txt" << QByteArray("h\nok\n")
                                     << QStringLiteral("Pogrešan format datoteke!\nDatoteka mora imati nastavak .csv: ")
                                     << false;
}

void TestParkingImportFrame::failureKeepsLineNumberAndRestoresState()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    QFETCH(bool, jobRan);
    ScriptedDialogService dialogs;
    ScopedDialogService installed(dialogs);
    QTemporaryDir dir;
    dialogs.QueueFile(WriteTestFile(dir, name, bytes));
    TestForm form;
    QSignalSpy finished(&form, &TParkingImportForm::importFinished);
    form.LoadButtonClick();
    if (jobRan) {
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.first().first().toBool(), false);
        // The run is over and the form says so: no load "in progress" at a bar left half full.
        QCOMPARE(Child<QLabel>(form, "LoadingInfoLabel")->text(), QStringLiteral("Učitavanje nije uspelo."));
        QCOMPARE(Child<QProgressBar>(form, "ProgressBar")->value(), 0);
    } else {
        QVERIFY(!form.Importing());
        QVERIFY(finished.isEmpty());
        QCOMPARE(Child<QLabel>(form, "LoadingInfoLabel")->text(), QStringLiteral("Spremno za učitavanje."));
    }
    QCOMPARE(dialogs.Errors().size(), 1);
    QVERIFY2(dialogs.Errors().first().startsWith(error), qPrintable(dialogs.Errors().first()));
    QCOMPARE(form.linesSeen, -1);
    QVERIFY(!form.target.ControlsDisabled());
    QCOMPARE(FormatSettings::Current().DecimalSeparator, QLatin1Char(','));
    QVERIFY(!QApplication::overrideCursor());
}

// The import was stored but the form could not show it: that is what the message says,
// with the summary, not a refused file.
void TestParkingImportFrame::refreshFailureToldWithTheSummary()
{
    ScriptedDialogService dialogs;
    ScopedDialogService installed(dialogs);
    QTemporaryDir dir;
    dialogs.QueueFile(WriteTestFile(dir, "DATA.CSV", "header\r\na\r\nb\r\n"));
    TestForm form;
    form.failRefresh = true;
    QSignalSpy finished(&form, &TParkingImportForm::importFinished);
    form.LoadButtonClick();
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.first().first().toBool(), true);
    QCOMPARE(dialogs.Errors().size(), 1);
    const QString error = dialogs.Errors().first();
    QVERIFY2(error.startsWith("Uvoz je upisan, ali prikaz tabele nije osvežen: Veza sa serverom je prekinuta."),
             qPrintable(error));
    QVERIFY2(error.contains("\nPročitano redova: 2\nUpisano redova: 2\n"), qPrintable(error));
    QVERIFY(!error.contains("Pogrešan format datoteke!"));
    QCOMPARE(Child<QLabel>(form, "LoadingInfoLabel")->text(), QStringLiteral("Svi podaci su učitani."));
    QVERIFY(!form.target.ControlsDisabled());
}

// A non-empty file without a row is asked about; only "Da" (not the default) imports it
// again, allowed to leave the table empty.
void TestParkingImportFrame::emptyingTheTableAsked_data()
{
    QTest::addColumn<int>("answer"); // -1: none given, 0: Ne, 1: Da
    QTest::newRow("default") << -1;
    QTest::newRow("Ne") << 0;
    QTest::newRow("Da") << 1;
}

void TestParkingImportFrame::emptyingTheTableAsked()
{
    QFETCH(int, answer);
    ScriptedDialogService dialogs;
    ScopedDialogService installed(dialogs);
    if (answer >= 0)
        dialogs.QueueConfirm(answer == 1);
    QTemporaryDir dir;
    dialogs.QueueFile(WriteTestFile(dir, "DATA.CSV", "header\r\n"));
    TestForm form;
    QSignalSpy finished(&form, &TParkingImportForm::importFinished);
    form.LoadButtonClick();
    QVERIFY(finished.wait(5000));
    const auto asked = dialogs.ShownOf(ScriptedDialogService::Kind::Confirmation);
    QCOMPARE(asked.size(), std::size_t(1));
    QCOMPARE(asked.front().text, QStringLiteral("Datoteka nema nijedan red za upis; tabela proba bi ostala prazna.\n"
                                                "Uvesti je ipak i ostaviti tabelu praznu?"));
    if (answer == 1) {
        QVERIFY(finished.size() == 2 || finished.wait(5000));
        QCOMPARE(finished.at(1).first().toBool(), true);
        QCOMPARE(form.linesSeen, 0);
    } else {
        QTest::qWait(50);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(form.linesSeen, -1);
    }
    QVERIFY(dialogs.Errors().isEmpty());
}

QTEST_MAIN(TestParkingImportFrame)
#include "tst_ParkingImportFrame.moc"
