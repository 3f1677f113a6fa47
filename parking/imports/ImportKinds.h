#pragma once

// One line per kind of import: what the document list's command, the import form, the
// batch command's undo and the import history read of it. A new kind is a line in
// ImportKinds.cpp beside its job and form.

#include "ImportJob.h"
#include <parking/core/ImportKind.h>

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <span>

class QDialog;
class QWidget;
class TParkingDM;

namespace imports {

struct ImportDescriptor {
    QString id; // the batch command's name of the kind ("tickets")
    QString caption; // the form's title and the document list's command ("Parking karte")
    QString name; // the form is "<name>Form", the list's command "<name>Action"
    int icon = -1; // the list's icon (ParkingViewerImages)
    // What an undo is recorded as; none: the kind has no undo.
    std::optional<parking::ImportKind> undo;
    // The tables an import replaces and an undo puts back; none: the rows stay in memory.
    QStringList tables;
    std::function<std::unique_ptr<ImportJob>()> createJob;
    // The kind's form over the data module; it frees itself when closed.
    std::function<QDialog *(TParkingDM &dm, QWidget *parent)> openForm;

    QString FormName() const { return name + QStringLiteral("Form"); }
    QString ActionName() const { return name + QStringLiteral("Action"); }
};

// Every kind, in the order the document list shows its commands.
std::span<const ImportDescriptor> ImportKinds();
// The kind the batch command names 'id'; null when there is none.
const ImportDescriptor *FindImportKind(QStringView id);
// The kind named 'id'; throws dataset::Error when there is none.
const ImportDescriptor &ImportKindOf(QStringView id);
// The ids of the kinds that can be undone, as the batch command's usage lists them
// ("tickets|subscriptions").
QString UndoableKindIds();

} // namespace imports
