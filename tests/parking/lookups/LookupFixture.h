#pragma once

// The documents' test world with a product module in the console, and the tickets and
// subscriptions the lookups search.

#include "../documents/DocumentsFixture.h"
#include "FakeProductModule.h"

struct LookupFixture : DocumentsFixture {
    IntfPtr<FakeProductModule> products = CreateInterfaced<FakeProductModule>();

    LookupFixture() { console->modules.insert(IProductModule::IID, IntfPtr<IInterface>(products)); }

    void InsertTicket(const QString &reg, const QString &date, const QString &number, int status, double price,
                      const QString &name = QStringLiteral("Petar Perić"))
    {
        using dataset::Connection;
        connection().Execute(QStringLiteral("INSERT INTO parkingticket (regcitynumber, ticketdate, ticketnumber, status, "
                                            "ticketprice, name, personalidentificator, address, zip, city) VALUES "
                                            "(%1, %2, %3, %4, %5, %6, '0101', 'Ulica 1', '11000', 'Beograd')")
                                 .arg(Connection::Quote(reg), Connection::Quote(date), Connection::Quote(number))
                                 .arg(status)
                                 .arg(price)
                                 .arg(Connection::Quote(name)));
    }
    void InsertSubscription(const QString &reg, const QString &number, const QString &zone, const QString &from,
                            const QString &to)
    {
        using dataset::Connection;
        connection().Execute(QStringLiteral("INSERT INTO parkingsubscription (regcitynumber, subscriptionnumber, "
                                            "firstname, lastname, personalidentificator, zone, subscriptionfromdate, "
                                            "subscriptiontodate) VALUES (%1, %2, 'Ana', 'Anić', '0202', %3, %4, %5)")
                                 .arg(Connection::Quote(reg), Connection::Quote(number), Connection::Quote(zone),
                                      Connection::Quote(from), Connection::Quote(to)));
    }
};
