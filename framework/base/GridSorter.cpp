#include <framework/base/GridSorter.h>

#include <dataset/Query.h>
#include <dataset/widgets/DBGrid.h>

#include <QObject>

void TGridSorter::AddGrid(dataset::DBGrid *grid)
{
    // Twice on one grid would turn every click around twice.
    if (!grid || grid->property("gridSorter").toBool())
        return;
    grid->setProperty("gridSorter", true);
    QObject::connect(grid, &dataset::DBGrid::titleClicked, grid, [grid](int column) {
        dataset::Query *query = grid->GetDataSet();
        const QString field = grid->ColumnFieldName(column);
        if (!query || field.isEmpty())
            return;
        // Ascending first; a second click on the column sorted ascending turns it around.
        const QString current = query->SortedFields().trimmed();
        query->SetSortedFields(current.compare(field, Qt::CaseInsensitive) == 0
                                   ? field + QStringLiteral(" DESC")
                                   : field);
    });
}
