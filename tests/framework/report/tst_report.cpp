#include <dataset/Error.h>
#include <framework/common/ScriptedDialogService.h>
#include <framework/report/GridPrint.h>
#include <framework/report/PicturePrint.h>
#include <framework/report/ReportDocument.h>
#include <framework/report/ReportOutput.h>
#include <parking/documents/ParkingReport.h>

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QtTest>

namespace {

int pdfPageCount(const QByteArray &pdf)
{
    return int(pdf.count("/Type /Page\n") + pdf.count("/Type /Page ") + pdf.count("/Type /Page/")
               + pdf.count("/Type /Page>"));
}

ParkingReportData sampleReceipt()
{
    ParkingReportData data;
    data.title = QStringLiteral("Priznanica 15");
    data.dateText = QStringLiteral("07.03.2024 09:05");
    data.number = QStringLiteral("15");
    data.vehicle = QStringLiteral("SRB BG 123-ŠĐ");
    data.payerName = QStringLiteral("Petar Petrović");
    data.payerAddress = QStringLiteral("Njegoševa 5");
    data.payerCity = QStringLiteral("11000 Beograd");
    data.zone = QStringLiteral("I");
    data.sector = QStringLiteral("2");
    data.period = QStringLiteral("07.03.2024 - 07.03.2024");
    data.streets = QStringLiteral("Knez Mihailova, Čika Ljubina");
    data.cashier = QStringLiteral("Marko Marković");
    data.items.push_back({QStringLiteral("DK1500"), QStringLiteral("Doplatna karta <A&B>"),
                          QStringLiteral("T-77"), 1, 1250.0, 20, 1250.0, 1500.0});
    data.items.push_back({QStringLiteral("P1"), QStringLiteral("Parking sat"),
                          QStringLiteral("12"), 2, 41.67, 20, 83.34, 100.01});
    data.netTotal = 1333.34;
    data.grossTotal = 1600.01;
    return data;
}

// Saves a picture of each printed page of 'page' into the folder named by
// PARKING_GRAB_DIR, when it is set (name.png, name-2.png, ...).
void GrabPage(QTextDocument &page, const QString &name)
{
    const QString dir = qEnvironmentVariable("PARKING_GRAB_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    for (int i = 0; i < page.pageCount(); ++i)
        ReportPageImage(page, i, 110)
            .save(QDir(dir).filePath(name + (i > 0 ? QStringLiteral("-%1").arg(i + 1) : QString())
                                     + QStringLiteral(".png")));
}

QByteArray WrittenPdf(QTextDocument &page, const QString &fileName)
{
    ReportOutput::WritePdf(page, fileName);
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A document as a cashier fills it: three items with the names the operator's products
// carry, a payer with a long address, and (on the ticket) the streets of a large zone.
ParkingReportData fullDocument(bool ticket)
{
    ParkingReportData data = sampleReceipt();
    data.ticket = ticket;
    data.title = ticket ? QStringLiteral("Priznanica / Karta 15") : QStringLiteral("Priznanica 15");
    data.payerAddress = QStringLiteral("Bulevar kralja Aleksandra 332/14");
    data.items.clear();
    data.items.push_back({QStringLiteral("DK1500"), QStringLiteral("Doplatna karta"), QStringLiteral("1000104"), 1,
                          1250.0, 20, 1250.0, 1500.0});
    data.items.push_back({QStringLiteral("OPN-ST-1M"), QStringLiteral("Pretplata za stanare zone I, mesečna"),
                          QStringLiteral("PR-100001"), 1, 2500.0, 20, 2500.0, 3000.0});
    data.items.push_back(
        {QStringLiteral("SAT"), QStringLiteral("Parking sat"), QStringLiteral("SAT-12"), 3, 41.67, 20, 125.01, 150.01});
    QStringList streets;
    for (int i = 1; i <= 40; ++i)
        streets << QStringLiteral("Ulica Kneza Miloša %1").arg(i);
    data.streets = streets.join(QStringLiteral(", "));
    return data;
}

// The lines the text of each block equal to one of 'texts' is laid out on.
QMap<QString, QStringList> LaidOutLines(QTextDocument &page, const QStringList &texts)
{
    QMap<QString, QStringList> lines;
    page.documentLayout(); // laid out
    for (QTextBlock block = page.begin(); block.isValid(); block = block.next()) {
        if (!texts.contains(block.text()))
            continue;
        const QTextLayout *layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            lines[block.text()] << block.text().mid(line.textStart(), line.textLength()).trimmed();
        }
    }
    return lines;
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void wizardParams_data();
    void wizardParams();
    void receiptHtml();
    void printoutsReadWell_data();
    void printoutsReadWell();
    void picturesFitThePage();
    void ticketAddsStreets();
    void gridHtmlShowsVisibleColumns();
    void gridPrintWritesPdf();
    void longGridSpansPages();
    void picturesGoIntoPdf();
    void missingGridIsAnError();
    void plantedLinkIsRefused();
    void reportsArePrivate();

private:
    QTemporaryDir m_dir;
};

void TestReport::init()
{
    QVERIFY(m_dir.isValid());
    qputenv("PARKING_REPORT_DIR", m_dir.path().toUtf8());
}

void TestReport::wizardParams_data()
{
    QTest::addColumn<QString>("params");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("header");
    QTest::newRow("pay desk") << "title:Blagajna 2026-12-06 - Proizvodi;header:"
                              << "Blagajna 2026-12-06 - Proizvodi" << "";
    QTest::newRow("with header") << "title:Spisak;header:Zona I" << "Spisak" << "Zona I";
    QTest::newRow("semicolon in title") << "title:A;B;header:C" << "A;B" << "C";
    QTest::newRow("no header part") << "title:Samo naslov" << "Samo naslov" << "";
    QTest::newRow("plain text") << "Korisnici" << "Korisnici" << "";
}

void TestReport::wizardParams()
{
    QFETCH(QString, params);
    QFETCH(QString, title);
    QFETCH(QString, header);
    const PrintWizardParams parsed = ParsePrintWizardParams(params);
    QCOMPARE(parsed.title, title);
    QCOMPARE(parsed.header, header);
}

void TestReport::receiptHtml()
{
    const ParkingReportData data = sampleReceipt();
    auto page = NewReportDocument(ParkingReportHtml(data));
    const QString shown = page->toPlainText();
    for (const QString &expected :
         {QStringLiteral("Priznanica 15"), QStringLiteral("07.03.2024 09:05"), QStringLiteral("SRB BG 123-ŠĐ"),
          QStringLiteral("Petar Petrović"), QStringLiteral("Njegoševa 5, 11000 Beograd"),
          QStringLiteral("Doplatna karta <A&B>"), QStringLiteral("T-77"), QStringLiteral("1.500,00"),
          QStringLiteral("1.600,01"), QStringLiteral("1.333,34")})
        QVERIFY2(shown.contains(expected), qPrintable(expected));
    // Totals and amount columns in dinars, the cashier named, the number printed once.
    for (const QString &expected :
         {QStringLiteral("1.600,01 RSD"), QStringLiteral("1.333,34 RSD"), QStringLiteral("Cena (RSD)"),
          QStringLiteral("Sa PDV (RSD)"), QStringLiteral("Naplatio: Marko Marković")})
        QVERIFY2(shown.contains(expected), qPrintable(expected));
    QCOMPARE(shown.count(QStringLiteral("Priznanica 15")), 1);
    QVERIFY(!shown.contains(QStringLiteral("Broj:")));
    GrabPage(*page, QStringLiteral("printout-receipt"));
    QVERIFY(!shown.contains(QStringLiteral("Knez Mihailova")));  // streets are the ticket's
}

void TestReport::printoutsReadWell_data()
{
    QTest::addColumn<bool>("ticket");
    QTest::newRow("receipt") << false;
    QTest::newRow("ticket") << true;
}

// A receipt and a ticket each fill one A4 page (the signatures with the rest), and an
// item's name breaks only between words, "Doplatna karta" on one line.
void TestReport::printoutsReadWell()
{
    QFETCH(bool, ticket);
    const ParkingReportData data = fullDocument(ticket);
    auto page = NewReportDocument(ParkingReportHtml(data));
    GrabPage(*page, ticket ? QStringLiteral("ticket") : QStringLiteral("receipt"));
    const QByteArray pdf =
        WrittenPdf(*page, m_dir.filePath(ticket ? QStringLiteral("t.pdf") : QStringLiteral("r.pdf")));
    QVERIFY(pdf.startsWith("%PDF"));
    QCOMPARE(pdfPageCount(pdf), 1);

    QStringList names;
    for (const ParkingReportData::Item &item : data.items)
        names << item.name;
    const QMap<QString, QStringList> lines = LaidOutLines(*page, names);
    QCOMPARE(lines.size(), names.size());
    QCOMPARE(lines.value(QStringLiteral("Doplatna karta")), QStringList{QStringLiteral("Doplatna karta")});
    QCOMPARE(lines.value(QStringLiteral("Parking sat")), QStringList{QStringLiteral("Parking sat")});
    for (const QString &name : names) {
        const QStringList words = name.split(QLatin1Char(' '));
        for (const QString &line : lines.value(name))
            for (const QString &part : line.split(QLatin1Char(' ')))
                QVERIFY2(words.contains(part),
                         qPrintable(QStringLiteral("%1: %2").arg(name, lines.value(name).join('/'))));
    }
}

// The charts go across the page's text, never past its right edge, whatever their size.
void TestReport::picturesFitThePage()
{
    QList<ReportPicture> pictures;
    for (const QSize size : {QSize(640, 220), QSize(900, 300), QSize(300, 300)}) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkBlue);
        pictures.push_back({image});
    }
    const auto report =
        PictureReport(QStringLiteral("Blagajna 06.12.2026 - Grafikoni"), QString(), pictures, QString());
    const qreal width = ReportBodySize().width();
    int seen = 0;
    for (QTextBlock block = report->begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextImageFormat image = it.fragment().charFormat().toImageFormat();
            if (!image.isValid())
                continue;
            ++seen;
            const QRectF box = report->documentLayout()->blockBoundingRect(block);
            QVERIFY2(box.left() + image.width() <= width + 0.5,
                     qPrintable(QStringLiteral("%1 + %2 > %3").arg(box.left()).arg(image.width()).arg(width)));
            QVERIFY(image.width() >= width - 20); // across the page, not a thumbnail
        }
    }
    QCOMPARE(seen, 3);
    // The page printed holds the whole picture: its right end on the sheet is painted.
    GrabPage(*report, QStringLiteral("chart-print"));
    const QImage sheet = ReportPageImage(*report, 0, 72);
    const QRect body = ReportPageLayout().paintRectPixels(72);
    QCOMPARE(QColor(sheet.pixel(body.right() - 2, body.top() + 60)).rgb(), QColor(Qt::darkBlue).rgb());
}

void TestReport::ticketAddsStreets()
{
    ParkingReportData data = sampleReceipt();
    data.ticket = true;
    const QString shown = NewReportDocument(ParkingReportHtml(data))->toPlainText();
    QVERIFY(shown.contains(QStringLiteral("Knez Mihailova, Čika Ljubina")));
    data.title = QStringLiteral("Priznanica / Karta 15");
    GrabPage(*NewReportDocument(ParkingReportHtml(data)), QStringLiteral("printout-ticket"));

    auto page = NewReportDocument(ParkingReportHtml(data));
    const QString fileName = m_dir.filePath(QStringLiteral("karta.pdf"));
    ReportOutput::WritePdf(*page, fileName);
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    QVERIFY(pdf.startsWith("%PDF"));
    QCOMPARE(pdfPageCount(pdf), 1);
}

void TestReport::gridHtmlShowsVisibleColumns()
{
    QStandardItemModel model(2, 3);
    model.setHorizontalHeaderLabels({QStringLiteral("Šifra"), QStringLiteral("Tajno"),
                                     QStringLiteral("Iznos")});
    model.setItem(0, 0, new QStandardItem(QStringLiteral("DK<1>")));
    model.setItem(0, 1, new QStandardItem(QStringLiteral("skriveno")));
    model.setItem(0, 2, new QStandardItem(QStringLiteral("1.500,00")));
    model.setItem(1, 0, new QStandardItem(QStringLiteral("Čačak")));
    QTableView grid;
    grid.setModel(&model);
    grid.setColumnHidden(1, true);
    grid.horizontalHeader()->moveSection(2, 0);  // the user dragged Iznos first

    const QString shown = NewReportDocument(GridHtml(grid, QStringLiteral("Naslov"),
                                                     QStringLiteral("Zaglavlje")))->toPlainText();
    QVERIFY(shown.contains(QStringLiteral("Naslov")));
    QVERIFY(shown.contains(QStringLiteral("Zaglavlje")));
    QVERIFY(shown.contains(QStringLiteral("DK<1>")));
    QVERIFY(shown.contains(QStringLiteral("Čačak")));
    QVERIFY(!shown.contains(QStringLiteral("skriveno")));
    QVERIFY(!shown.contains(QStringLiteral("Tajno")));
    QVERIFY(shown.indexOf(QStringLiteral("Iznos")) < shown.indexOf(QStringLiteral("Šifra")));
}

void TestReport::gridPrintWritesPdf()
{
    ScriptedDialogService dialogs;
    const ScopedDialogService install(dialogs);
    QStandardItemModel model(1, 1);
    model.setItem(0, 0, new QStandardItem(QStringLiteral("Naplaćena")));
    QTableView grid;
    grid.setModel(&model);

    const QString fileName = RunPrintWizard(&grid, QStringLiteral("title:Blagajna 2024-03-07 - Proizvodi;header:"), nullptr);
    QVERIFY(fileName.startsWith(m_dir.path()));
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    QVERIFY(pdf.startsWith("%PDF"));
    QVERIFY(pdfPageCount(pdf) >= 1);

    // The user is told where the file is.
    const auto told = dialogs.ShownOf(ScriptedDialogService::Kind::Information);
    QCOMPARE(told.size(), size_t(1));
    QVERIFY(told.front().text.contains(QDir::toNativeSeparators(fileName)));
    // A window that names the file in its own banner brings no box besides it.
    dialogs.Clear();
    const auto page = NewReportDocument(GridHtml(grid, QStringLiteral("Banner"), QString()));
    QVERIFY(!ReportOutput::Deliver(*page, QStringLiteral("Banner"), nullptr, ReportOutput::Notice::Caller).isEmpty());
    QVERIFY(dialogs.ShownOf(ScriptedDialogService::Kind::Information).empty());

    // Reports are private to the user, and so is a folder made for them.
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    QCOMPARE(QFile::permissions(fileName) & others, QFileDevice::Permissions());
    qputenv("PARKING_REPORT_DIR", m_dir.filePath(QStringLiteral("novi")).toUtf8());
    RunPrintWizard(&grid, QStringLiteral("title:Novi"), nullptr);
    QCOMPARE(QFile::permissions(m_dir.filePath(QStringLiteral("novi"))) & others, QFileDevice::Permissions());
    qputenv("PARKING_REPORT_DIR", m_dir.path().toUtf8());

    // A second print of the same title does not overwrite the first.
    const QString second = RunPrintWizard(&grid, QStringLiteral("title:Blagajna 2024-03-07 - Proizvodi;header:"), nullptr);
    QVERIFY(second != fileName);
    QVERIFY(QFile::exists(fileName));
}

void TestReport::longGridSpansPages()
{
    ScriptedDialogService dialogs;
    const ScopedDialogService install(dialogs);
    QStandardItemModel model(400, 2);
    for (int row = 0; row < 400; ++row) {
        model.setItem(row, 0, new QStandardItem(QString::number(row + 1)));
        model.setItem(row, 1, new QStandardItem(QStringLiteral("Stavka %1").arg(row + 1)));
    }
    QTableView grid;
    grid.setModel(&model);
    const QString fileName = PrintGrid(grid, QStringLiteral("Dugačak spisak"), QString(), nullptr);
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(pdfPageCount(file.readAll()) > 1);
}

// Each picture across the page's width at its own proportions, sharp at twice the
// resolution, with the tables after them; every picture reaches the PDF.
void TestReport::picturesGoIntoPdf()
{
    ScriptedDialogService dialogs;
    const ScopedDialogService install(dialogs);
    QList<ReportPicture> pictures;
    for (const QColor colour : {QColor(Qt::red), QColor(Qt::blue), QColor(Qt::darkGreen)}) {
        QImage image(QSize(640, 300) * 2, QImage::Format_RGB32);
        image.setDevicePixelRatio(2);
        image.fill(colour);
        pictures.push_back({image});
    }
    pictures[2].image = pictures[2].image.scaled(640, 640); // another shape, at 1:1
    pictures[2].image.setDevicePixelRatio(1);
    QStandardItemModel model(1, 1);
    model.setItem(0, 0, new QStandardItem(QStringLiteral("Doplatna karta")));
    QTableView grid;
    grid.setModel(&model);
    const auto report = PictureReport(QStringLiteral("Blagajna 06.12.2026 - Grafikoni"),
                                      QStringLiteral("Ukupno: 1,00 RSD"), pictures, GridTableHtml(grid));
    const QString html = report->toHtml();
    QCOMPARE(html.count(QStringLiteral("<img ")), 3);
    // Across the page's text, at the picture's proportions.
    const int across = int(ReportBodySize().width());
    QVERIFY(html.contains(QStringLiteral("width=\"%1\" height=\"%2\"").arg(across).arg(qRound(across * 300.0 / 640))));
    QVERIFY(html.contains(QStringLiteral("width=\"%1\" height=\"%1\"").arg(across)));
    QVERIFY(report->toPlainText().contains(QStringLiteral("Doplatna karta")));
    QVERIFY(report->toPlainText().indexOf(QStringLiteral("Ukupno"))
            < report->toPlainText().indexOf(QStringLiteral("Doplatna")));
    const QImage first =
        report->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("picture:0"))).value<QImage>();
    QCOMPARE(first.size(), QSize(1280, 600));
    GrabPage(*report, QStringLiteral("slike"));

    const QString fileName = PrintPictures(QStringLiteral("Grafikoni"), QString(), pictures, QString(), nullptr);
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    QCOMPARE(pdf.count("/Subtype /Image"), 3);
    QVERIFY(pdfPageCount(pdf) >= 2); // three pictures of this size do not fit one A4 page
}

void TestReport::missingGridIsAnError()
{
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, RunPrintWizard(nullptr, QStringLiteral("title:X"), nullptr));
}

// A link planted where a report is to be written is never followed.
void TestReport::plantedLinkIsRefused()
{
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(QStringLiteral("posadjeno.pdf"));
    const QString fileName = m_dir.filePath(QStringLiteral("karta-link.pdf"));
    QVERIFY(QFile::link(target, fileName));
    auto page = NewReportDocument(ParkingReportHtml(sampleReceipt()));
    QVERIFY_THROWS_EXCEPTION(dataset::Error, ReportOutput::WritePdf(*page, fileName));
    QVERIFY(!QFileInfo::exists(target));
}

// Without PARKING_REPORT_DIR reports go to the user's own folder, readable by the user only.
void TestReport::reportsArePrivate()
{
    QTemporaryDir data;
    qunsetenv("PARKING_REPORT_DIR");
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    const QString directory = ReportOutput::OutputDirectory();
    QCOMPARE(directory, data.filePath(QStringLiteral("parking/izvestaji")));
    // A folder left open by an earlier version is closed again.
    QVERIFY(QDir().mkpath(directory));
    QVERIFY(QFile::setPermissions(directory, QFile::Permissions(0x7755)));

    ScriptedDialogService dialogs;
    const ScopedDialogService installed(dialogs);
    auto page = NewReportDocument(ParkingReportHtml(sampleReceipt()));
    const QString first = ReportOutput::Deliver(*page, QStringLiteral("Priznanica"), nullptr);
    const QString second = ReportOutput::Deliver(*page, QStringLiteral("Priznanica"), nullptr);
    QVERIFY(first != second);
    QCOMPARE(QFileInfo(first).path(), directory);
    QCOMPARE(QFileInfo(directory).permissions() & QFile::Permissions(0x0077), QFile::Permissions());
    for (const QString &file : {first, second})
        QCOMPARE(QFileInfo(file).permissions() & QFile::Permissions(0x0077), QFile::Permissions());
}

QTEST_MAIN(TestReport)
#include "tst_report.moc"
