#include "LookupData.h"

#include <bench/common/BenchRun.h>
#include <dataset/Connection.h>

#include <algorithm>
#include <functional>

namespace bench {

int LookupRegistrations(int tickets)
{
    return tickets / 5;
}

QString LookupRegistration(int index)
{
    return QStringLiteral("BG%1").arg(index, 7, 10, QLatin1Char('0'));
}

bool LookupDataLoaded(dataset::Connection &connection, int tickets, int products)
{
    return Scalar(connection, QStringLiteral("SELECT COUNT(*) FROM parkingticket")).toInt() == tickets
        && Scalar(connection, QStringLiteral("SELECT COUNT(*) FROM parkingsubscription")).toInt()
        == LookupRegistrations(tickets)
        && Scalar(connection, QStringLiteral("SELECT COUNT(*) FROM product")).toInt() == products;
}

// In chunks of a million rows.
void GenerateLookupData(dataset::Connection &connection, int tickets, int products)
{
    for (const char *table : {"parkingticket", "parkingsubscription", "product", "tax"})
        connection.Execute(QStringLiteral("TRUNCATE TABLE %1").arg(QString::fromLatin1(table)));
    const int regs = LookupRegistrations(tickets);
    const auto chunks = [](int total, const std::function<void(int, int)> &insert) {
        for (int from = 1; from <= total; from += 1000000)
            insert(from, std::min(total, from + 999999));
    };
    chunks(tickets, [&](int from, int to) {
        connection.Execute(QStringLiteral(
            "INSERT INTO parkingticket (ticketdate, ticketnumber, zone, regcitynumber, ticketprice, status, name, "
            "personalidentificator, address, zip, city) "
            "SELECT TIMESTAMP('2010-01-01') + INTERVAL (seq * 7919) MOD 126144000 SECOND, CONCAT('T', seq), seq MOD 3, "
            "CONCAT('BG', LPAD(seq MOD %3, 7, '0')), 1200 * (1 + seq MOD 4) - 0.4, seq MOD 20, "
            "CONCAT('Ime', seq MOD 1000, ' Prezime', seq MOD 977), LPAD(seq, 13, '0'), "
            "CONCAT('Ulica ', seq MOD 500), '11000', 'Beograd' FROM seq_%1_to_%2")
                               .arg(from)
                               .arg(to)
                               .arg(regs));
    });
    chunks(regs, [&](int from, int to) {
        connection.Execute(QStringLiteral(
            "INSERT INTO parkingsubscription (subscriptionfromdate, subscriptiontodate, subscriptionnumber, "
            "regcitynumber, firstname, lastname, personalidentificator, zone) "
            "SELECT DATE('2012-01-01') + INTERVAL seq MOD 700 DAY, DATE('2012-01-31') + INTERVAL seq MOD 700 DAY, "
            "CONCAT('PR-', seq), CONCAT('BG', LPAD(seq MOD %3, 7, '0')), 'Ana', 'Anić', LPAD(seq, 13, '0'), "
            "ELT(1 + seq MOD 5, 'Pretplatna Crvena zona - mesecna', 'Pretplatna Zelena zona - mesecna', "
            "'Pretplatna Crvena zona - godisnja', 'Pretplatna Zelena zona - godisnja', 'parkiraliste') "
            "FROM seq_%1_to_%2")
                               .arg(from)
                               .arg(to)
                               .arg(regs / 2));
    });
    connection.Execute(QStringLiteral("INSERT INTO tax (taxid, name, value) VALUES (1, 'PDV', 20)"));
    connection.Execute(QStringLiteral("INSERT INTO product (name, code, barcode, additionalcode, price, taxid) "
                                      "SELECT CONCAT('Doplatna karta ', seq), CONCAT('P', seq), CONCAT('DK', seq), "
                                      "'', seq / 1.2, 1 FROM seq_1_to_%1")
                           .arg(products));
}

} // namespace bench
