#include "GridOutput.h"

#include "CsvExport.h"
#include <dataset/widgets/DBGrid.h>

#include <QAbstractItemModel>
#include <QHeaderView>

namespace console {

std::vector<int> VisibleColumns(const dataset::DBGrid &grid)
{
    std::vector<int> columns;
    const QAbstractItemModel *model = grid.model();
    if (!model)
        return columns;
    const QHeaderView *header = grid.horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical >= 0 && logical < model->columnCount() && !grid.isColumnHidden(logical))
            columns.push_back(logical);
    }
    return columns;
}

QByteArray GridToCsv(const dataset::DBGrid &grid, QChar separator)
{
    if (!grid.model())
        return {};
    return ModelToCsv(*grid.model(), VisibleColumns(grid), separator);
}

} // namespace console
