// Numbering and the user and warehouse lookups of the data module.

#include "ParkingDMUnit.h"

#include "ParkingConfig.h"
#include "ParkingNumbering.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <framework/Interfaces.h>
#include <parking/shared/HostServices.h>

int TParkingDM::GetParkingDocIndex(const QDateTime &date)
{
    dataset::Connection *connection = Connection();
    if (!connection)
        throw dataset::Error(QStringLiteral("Veza sa bazom podataka nije uspostavljena."));
    return int(numbering::PeekParkingIndex(*connection, date));
}

QString TParkingDM::TakeDocumentNumber(const QDateTime &date)
{
    dataset::Connection *connection = Connection();
    if (!connection)
        throw dataset::Error(QStringLiteral("Veza sa bazom podataka nije uspostavljena."));
    return numbering::TakeParkingNumber(*connection, date);
}

// Without a console or security module the outputs stay as they came in.
void TParkingDM::GetPublisher(int &userId, QString &userName, bool current)
{
    const IntfPtr<ISecurityModule> security = Host().HostModule<ISecurityModule>();
    if (!security)
        return;

    TUserDesc user;
    if (!current)
        user.UserID = userId;
    if (security->GetUserDesc(user, !current)) {
        userId = user.UserID;
        userName = user.FirstName + QLatin1Char(' ') + user.LastName;
    } else {
        userId = -1;
        userName.clear();
    }
}

// The name asked for, else the one configured for the current user or for all users,
// else the primary warehouse. Names are quoted like every other value. Database errors
// propagate.
void TParkingDM::GetDefaultWarehouse(const QString &name, int &warehouseId, QChar &priceType,
                                     QString &currency)
{
    int userId = 0;
    QString userName;
    GetPublisher(userId, userName, true);

    const QString configFile = ParkingConfigFilePath(Host());
    QString configured = ReadIniValue(configFile, QStringLiteral("Parking"), QString::number(userId));
    if (configured.isEmpty())
        configured = ReadIniValue(configFile, QStringLiteral("Document"), QStringLiteral("DefWarehouseName"));

    const QString wanted = name.isEmpty() ? configured : name;
    const QString select = QStringLiteral("SELECT warehouseid, pricetype, warehousecurrency FROM warehouse WHERE ");
    dataset::Query query;
    query.SetConnection(Connection());
    query.SetSQL(
        {wanted.isEmpty() ? select + QStringLiteral("status = 'primary'") : select + QStringLiteral("name = :name")});
    if (!wanted.isEmpty())
        query.SetParam(QStringLiteral("name"), wanted);
    query.Open();
    query.First();
    if (query.IsEmpty()) {
        warehouseId = -1;
        priceType = QLatin1Char('v');
        currency.clear();
        return;
    }
    warehouseId = query.FieldByName(QStringLiteral("warehouseid")).AsInteger();
    const QString type = query.FieldByName(QStringLiteral("pricetype")).AsString();
    // A warehouse without a price type is treated like the default one.
    priceType = type.isEmpty() ? QLatin1Char('v') : type.at(0);
    currency = query.FieldByName(QStringLiteral("warehousecurrency")).AsString();
}
