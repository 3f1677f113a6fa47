#include "GridPrint.h"

#include "ReportDocument.h"
#include "ReportOutput.h"
#include <dataset/Error.h>
#include <dataset/widgets/DataSetModel.h>

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QTableView>
#include <QTextDocument>

namespace {

bool alignedRight(const QVariant &alignment, const QVariant &value)
{
    if (alignment.isValid())
        return (alignment.toInt() & Qt::AlignRight) != 0;
    const auto type = value.metaType().id();
    return type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::Double
            || type == QMetaType::UInt || type == QMetaType::ULongLong;
}

} // namespace

QString GridHtml(const QTableView &grid, const QString &title, const QString &header)
{
    QString html = QStringLiteral("<html><body><h2>%1</h2>").arg(title.toHtmlEscaped());
    if (!header.isEmpty())
        html += QStringLiteral("<p>%1</p>").arg(header.toHtmlEscaped());
    return html + GridTableHtml(grid) + QStringLiteral("</body></html>");
}

QString GridTableHtml(const QTableView &grid)
{
    QAbstractItemModel *model = grid.model();
    if (!model)
        return {};

    // Columns in the order the user sees them, hidden ones left out.
    QList<int> columns;
    const QHeaderView *horizontal = grid.horizontalHeader();
    for (int visual = 0; visual < model->columnCount(); ++visual) {
        const int logical = horizontal ? horizontal->logicalIndex(visual) : visual;
        if (logical >= 0 && !grid.isColumnHidden(logical))
            columns.append(logical);
    }

    QString html = QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\"><tr>");
    for (const int column : columns)
        html += QStringLiteral("<th>%1</th>")
                        .arg(model->headerData(column, Qt::Horizontal).toString().toHtmlEscaped());
    html += QStringLiteral("</tr>");
    // Every row of the result, also those the grid has not fetched yet.
    for (int row = 0; dataset::RowReady(*model, row); ++row) {
        html += QStringLiteral("<tr>");
        for (const int column : columns) {
            const QModelIndex index = model->index(row, column);
            const QVariant value = index.data(Qt::DisplayRole);
            html += QStringLiteral("<td%1>%2</td>")
                            .arg(alignedRight(index.data(Qt::TextAlignmentRole), value)
                                         ? QStringLiteral(" align=\"right\"") : QString(),
                                 value.toString().toHtmlEscaped());
        }
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table>");
    return html;
}

QString PrintGrid(const QTableView &grid, const QString &title, const QString &header,
                  QWidget *owner)
{
    const std::unique_ptr<QTextDocument> page = NewReportDocument(GridHtml(grid, title, header));
    return ReportOutput::Deliver(*page, title, owner);
}

PrintWizardParams ParsePrintWizardParams(const QString &params)
{
    PrintWizardParams result;
    const QString titleKey = QStringLiteral("title:");
    const QString headerKey = QStringLiteral(";header:");
    if (!params.startsWith(titleKey)) {
        result.title = params;
        return result;
    }
    const qsizetype headerAt = params.indexOf(headerKey, titleKey.size());
    if (headerAt < 0) {
        result.title = params.mid(titleKey.size());
    } else {
        result.title = params.mid(titleKey.size(), headerAt - titleKey.size());
        result.header = params.mid(headerAt + headerKey.size());
    }
    return result;
}

QString RunPrintWizard(const QTableView *grid, const QString &params, QWidget *owner)
{
    if (!grid)
        throw dataset::Error(QStringLiteral("Nema tabele za štampu."));
    const PrintWizardParams parsed = ParsePrintWizardParams(params);
    return PrintGrid(*grid, parsed.title, parsed.header, owner);
}
