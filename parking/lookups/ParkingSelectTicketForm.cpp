#include "ParkingSelectTicketUnit.h"

TParkingSelectTicketForm::TParkingSelectTicketForm()
    : TParkingSelectForm(QStringLiteral("Izaberite kartu"), 500, 220, 200)
{
    setObjectName(QStringLiteral("ParkingSelectTicketForm"));
}
