#pragma once

#include <QString>

class QTableView;
class QWidget;

// The print wizard's body: the rows of a grid (its visible columns, with their titles
// and the texts the grid shows) under a title and an optional header line, previewed or
// written as PDF like every report. Returns the file written, or empty after a preview.
QString PrintGrid(const QTableView &grid, const QString &title, const QString &header,
                  QWidget *owner);

// The wizard's parameter text "title:...;header:..." split into its parts; a text
// without "title:" is the title itself.
struct PrintWizardParams {
    QString title;
    QString header;
};
PrintWizardParams ParsePrintWizardParams(const QString &params);

// RunWizard of the console: PrintGrid with the parsed parameters. Throws dataset::Error
// when there is no grid to print.
QString RunPrintWizard(const QTableView *grid, const QString &params, QWidget *owner);

// The page of a grid print as HTML (used by PrintGrid; kept apart for checking).
QString GridHtml(const QTableView &grid, const QString &title, const QString &header);
// The grid's table alone, as on that page; empty without a model.
QString GridTableHtml(const QTableView &grid);
