#include "ImportKinds.h"

#include "ParkingStartStopUnit.h"
#include "ParkingSubscriptionUnit.h"
#include "ParkingTicketUnit.h"
#include "StartStopImportJob.h"
#include "SubscriptionImportJob.h"
#include "TicketImportJob.h"
#include <dataset/Error.h>

#include <array>

namespace imports {

namespace {

template <typename Job>
std::function<std::unique_ptr<ImportJob>()> JobOf()
{
    return [] { return std::make_unique<Job>(); };
}

template <typename Form>
std::function<QDialog *(TParkingDM &, QWidget *)> FormOf()
{
    return [](TParkingDM &dm, QWidget *parent) -> QDialog * { return new Form(dm, parent); };
}

const std::array<ImportDescriptor, 3> &Table()
{
    using parking::ImportKind;
    static const std::array<ImportDescriptor, 3> kinds{
        ImportDescriptor{.id = QStringLiteral("tickets"),
                         .caption = QStringLiteral("Parking karte"),
                         .name = QStringLiteral("ParkingTicket"),
                         .icon = 8,
                         .undo = ImportKind::TicketUndo,
                         .tables = TicketImportJob::Tables(),
                         .createJob = JobOf<TicketImportJob>(),
                         .openForm = FormOf<TParkingTicketForm>()},
        ImportDescriptor{.id = QStringLiteral("subscriptions"),
                         .caption = QStringLiteral("Parking pretplate"),
                         .name = QStringLiteral("ParkingSubscription"),
                         .icon = 9,
                         .undo = ImportKind::SubscriptionUndo,
                         .tables = SubscriptionImportJob::Tables(),
                         .createJob = JobOf<SubscriptionImportJob>(),
                         .openForm = FormOf<TParkingSubscriptionForm>()},
        ImportDescriptor{.id = QStringLiteral("startstop"),
                         .caption = QStringLiteral("Start-stop"),
                         .name = QStringLiteral("ParkingStartStop"),
                         .icon = 10,
                         .undo = std::nullopt,
                         .tables = {},
                         .createJob = JobOf<StartStopImportJob>(),
                         .openForm = FormOf<TParkingStartStopForm>()},
    };
    return kinds;
}

} // namespace

std::span<const ImportDescriptor> ImportKinds()
{
    return Table();
}

const ImportDescriptor *FindImportKind(QStringView id)
{
    for (const ImportDescriptor &kind : Table())
        if (kind.id == id)
            return &kind;
    return nullptr;
}

const ImportDescriptor &ImportKindOf(QStringView id)
{
    if (const ImportDescriptor *kind = FindImportKind(id))
        return *kind;
    throw dataset::Error(QStringLiteral("Nepoznata vrsta uvoza: %1").arg(id));
}

QString UndoableKindIds()
{
    QStringList ids;
    for (const ImportDescriptor &kind : Table())
        if (kind.undo)
            ids << kind.id;
    return ids.join(QLatin1Char('|'));
}

} // namespace imports
