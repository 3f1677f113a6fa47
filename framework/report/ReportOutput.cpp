#include "ReportOutput.h"

#include "CommonResourceString.h"
#include "DialogService.h"
#include "Error.h"
#include "TextFormat.h"

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

namespace {

bool headless()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

// A file name from the title and the time, unique in 'directory'.
QString newFileName(const QString &directory, const QString &title)
{
    QString base = title;
    static const QRegularExpression unsafe(QStringLiteral(R"([^\w\-]+)"),
                                           QRegularExpression::UseUnicodePropertiesOption);
    base.replace(unsafe, QStringLiteral("_"));
    base = base.left(60);
    if (base.isEmpty())
        base = QStringLiteral("izvestaj");
    base += QDateTime::currentDateTime().toString(QStringLiteral("-yyyyMMdd-HHmmss"));
    const QDir dir(directory);
    QString candidate = dir.filePath(base + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = dir.filePath(QStringLiteral("%1-%2.pdf").arg(base).arg(n));
    return candidate;
}

} // namespace

QString ReportOutput::OutputDirectory()
{
    const QString configured = qEnvironmentVariable("PARKING_REPORT_DIR");
    if (!configured.isEmpty())
        return configured;
    // The user's own data folder, not a fixed name in the shared temporary folder.
    if (headless())
        return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
            .filePath(QStringLiteral("parking/izvestaji"));
    return {};
}

void ReportOutput::WritePdf(QTextDocument &document, const QString &fileName)
{
    const QString directory = QFileInfo(fileName).absolutePath();
    // A folder made here is private to the user, and so is every report written.
    const bool existed = QFileInfo::exists(directory);
    if (!QDir().mkpath(directory))
        throw dataset::Error(FormatResource(CommonResourceString(u"_CMN_REPORT_SAVE_ERR"), {fileName}));
    if (!existed)
        QFile::setPermissions(directory, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    {
        QPdfWriter writer(fileName);
        writer.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
        writer.setCreator(QStringLiteral("Parking"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        document.print(&writer);
    }
    QFile::setPermissions(fileName, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QFileInfo written(fileName);
    if (!written.exists() || written.size() == 0)
        throw dataset::Error(FormatResource(CommonResourceString(u"_CMN_REPORT_SAVE_ERR"), {fileName}));
}

QString ReportOutput::Deliver(QTextDocument &document, const QString &title, QWidget *owner)
{
    document.setMetaInformation(QTextDocument::DocumentTitle, title);
    const QString directory = OutputDirectory();
    if (directory.isEmpty()) {
        QPrintPreviewDialog preview(owner);
        preview.setWindowTitle(title);
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                         [&document](QPrinter *printer) { document.print(printer); });
        preview.exec();
        return {};
    }
    const QString fileName = newFileName(directory, title);
    WritePdf(document, fileName);
    const QString message = FormatResource(CommonResourceString(u"_CMN_REPORT_SAVED_INF"),
                                           {QDir::toNativeSeparators(fileName)});
    qInfo("%s", qUtf8Printable(message));
    // A Qt message box would wait for a user who is not there without a display.
    if (!headless() || DialogService::Replaced())
        DialogService::Instance().ShowInformation(message);
    return fileName;
}
