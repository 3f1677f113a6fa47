#include "GridOutput.h"

#include "DBGrid.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextDocument>

namespace console {

namespace {

QString TableHtml(const dataset::DBGrid &grid, const QString &title, const QString &header)
{
    const QAbstractItemModel &model = *grid.model();
    const std::vector<int> columns = VisibleColumns(grid);
    QString html = QStringLiteral("<html><body>");
    if (!title.isEmpty())
        html += QStringLiteral("<h2>%1</h2>").arg(title.toHtmlEscaped());
    if (!header.isEmpty())
        html += QStringLiteral("<p>%1</p>").arg(header.toHtmlEscaped());
    html += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\"><tr>");
    for (const int column : columns)
        html += QStringLiteral("<th>%1</th>")
                    .arg(model.headerData(column, Qt::Horizontal).toString().toHtmlEscaped());
    html += QStringLiteral("</tr>");
    for (int row = 0; row < model.rowCount(); ++row) {
        html += QStringLiteral("<tr>");
        for (const int column : columns) {
            const QModelIndex index = model.index(row, column);
            const bool right = (index.data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight) != 0;
            html += QStringLiteral("<td%1>%2</td>")
                        .arg(right ? QStringLiteral(" align=\"right\"") : QString(),
                             index.data(Qt::DisplayRole).toString().toHtmlEscaped());
        }
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table></body></html>");
    return html;
}

} // namespace

void PreviewGrid(dataset::DBGrid &grid, const QString &title, const QString &header)
{
    if (!grid.model())
        return;
    QTextDocument document;
    document.setHtml(TableHtml(grid, title, header));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setDocName(title.isEmpty() ? QStringLiteral("Štampa") : title);
    QPrintPreviewDialog preview(&printer, QApplication::activeWindow());
    preview.setWindowTitle(QStringLiteral("Pregled štampe"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&document](QPrinter *target) { document.print(target); });
    preview.exec();
}

} // namespace console
