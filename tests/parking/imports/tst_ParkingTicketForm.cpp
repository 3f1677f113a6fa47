#include "../documents/DocumentsFixture.h"

#include "DBGrid.h"
#include "ParkingTicketUnit.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

QString WriteExport(const QTemporaryDir &dir, const QByteArray &body)
{
    QFile file(dir.filePath("karte.csv"));
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write");
    file.write("header\r\n" + body);
    return file.fileName();
}

} // namespace

class TestParkingTicketForm : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void importFillsTheGrid();
};

void TestParkingTicketForm::importFillsTheGrid()
{
    DocumentsFixture fixture;
    QTemporaryDir dir;
    fixture.dialogs.QueueFile(WriteExport(
        dir, "2024-05-01 10:00:00,DK1,1,BG123AA,300,1,,0,,1,Đorđe Čačić,Glavna,1,Šabac,1,1,,K\r\n"
             "2024-05-01 11:00:00,DK2,2,NS44BB,400,5,,0,,1,Ana,,,,,1,,K\r\n"
             "2024-05-02 09:30:00,DK3,3,KG5CC,500,2,,0,,1,Žika Žikić,,,,,1,,K\r\n"));
    auto *form = new TParkingTicketForm;
    form->show();
    QCOMPARE(form->DBGrid->model()->rowCount(), 0);
    QSignalSpy finished(form, &imports::TParkingImportForm::importFinished);
    form->LoadButtonClick();
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().first().toBool(), true);
    QCOMPARE(form->DBGrid->model()->rowCount(), 2);
    QCOMPARE(form->LoadingInfoLabel->text(), QStringLiteral("Svi podaci su učitani."));
    QVERIFY(fixture.dialogs.Errors().isEmpty());
    QDir().mkpath("/tmp/i10a");
    form->grab().save("/tmp/i10a/ticketform.png");
    form->close();
}

PARKING_TEST_MAIN(TestParkingTicketForm)
#include "tst_ParkingTicketForm.moc"
