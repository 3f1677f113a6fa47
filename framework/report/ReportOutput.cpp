#include "ReportOutput.h"

#include "ReportDocument.h"

#include <dataset/Error.h>
#include <framework/common/CommonResourceString.h>
#include <framework/common/DialogService.h>
#include <routines/PrivateFiles.h>
#include <routines/TextFormat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextDocument>

#include <cerrno>
#include <unistd.h>

namespace {

bool headless()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

// The file name part made from the title and the time.
QString baseName(const QString &title)
{
    QString base = title;
    static const QRegularExpression unsafe(QStringLiteral(R"([^\w\-]+)"),
                                           QRegularExpression::UseUnicodePropertiesOption);
    base.replace(unsafe, QStringLiteral("_"));
    base = base.left(60);
    if (base.isEmpty())
        base = QStringLiteral("izvestaj");
    return base + QDateTime::currentDateTime().toString(QStringLiteral("-yyyyMMdd-HHmmss"));
}

[[noreturn]] void throwSaveError(const QString &fileName)
{
    throw dataset::Error(FormatResource(CommonResourceString(u"_CMN_REPORT_SAVE_ERR"), {fileName}) + QStringLiteral(" (")
                         + ErrorText() + QLatin1Char(')'));
}

// Opens 'file' on a new, private file 'fileName' (see CreatePrivateFile); false when
// something, a planted link too, is already there.
bool createReportFile(QFile &file, const QString &fileName)
{
    const int fd = CreatePrivateFile(fileName);
    if (fd < 0)
        return false;
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

void printPdf(QTextDocument &document, QFile &file, const QString &fileName)
{
    {
        QPdfWriter writer(&file);
        writer.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
        writer.setCreator(QStringLiteral("Parking"));
        writer.setPageLayout(ReportPageLayout());
        PrintReport(document, writer);
    }
    file.close();
    if (file.error() != QFileDevice::NoError || QFileInfo(fileName).size() == 0)
        throw dataset::Error(FormatResource(CommonResourceString(u"_CMN_REPORT_SAVE_ERR"), {fileName}));
}

// Reports hold personal data: the default folder is always made the user's alone; a
// folder named by the caller or PARKING_REPORT_DIR is made private when it is created
// here and used as it is otherwise (the files in it are private anyway).
void prepareDirectory(const QString &directory, const QString &fileName, bool enforcePrivate)
{
    const bool ok = QFileInfo(directory).isDir() && !enforcePrivate ? true : MakePrivateDirectory(directory);
    if (!ok)
        throwSaveError(fileName);
}

} // namespace

QString ReportOutput::OutputDirectory()
{
    const QString configured = qEnvironmentVariable("PARKING_REPORT_DIR");
    if (!configured.isEmpty())
        return configured;
    // The user's own data folder, not a fixed name in the shared temporary folder.
    if (headless())
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/parking/izvestaji");
    return {};
}

void ReportOutput::WritePdf(QTextDocument &document, const QString &fileName)
{
    prepareDirectory(QFileInfo(fileName).absolutePath(), fileName, false);
    QFile file;
    if (!createReportFile(file, fileName))
        throwSaveError(fileName);
    printPdf(document, file, fileName);
}

QString ReportOutput::Deliver(QTextDocument &document, const QString &title, QWidget *owner, Notice notice)
{
    document.setMetaInformation(QTextDocument::DocumentTitle, title);
    const QString directory = OutputDirectory();
    if (directory.isEmpty()) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageLayout(ReportPageLayout());
        printer.setDocName(title);
        QPrintPreviewDialog preview(&printer, owner);
        preview.setWindowTitle(title);
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                         [&document](QPrinter *shown) { PrintReport(document, *shown); });
        preview.exec();
        return {};
    }
    const QString base = QDir(directory).filePath(baseName(title));
    prepareDirectory(directory, base + QStringLiteral(".pdf"), qEnvironmentVariableIsEmpty("PARKING_REPORT_DIR"));
    QFile file;
    QString fileName = base + QStringLiteral(".pdf");
    for (int n = 2; !createReportFile(file, fileName); ++n) {
        if (errno != EEXIST || n > 1000)
            throwSaveError(fileName);
        fileName = QStringLiteral("%1-%2.pdf").arg(base, QString::number(n));
    }
    printPdf(document, file, fileName);
    const QString message = FormatResource(CommonResourceString(u"_CMN_REPORT_SAVED_INF"),
                                           {QDir::toNativeSeparators(fileName)});
    qInfo("%s", qUtf8Printable(message));
    // A Qt message box would wait for a user who is not there without a display.
    if (notice == Notice::Box && (!headless() || DialogService::Replaced()))
        DialogService::Instance().ShowInformation(message);
    return fileName;
}
