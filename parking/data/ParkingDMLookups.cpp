// Numbering and the user and warehouse lookups of the data module.

#include "ParkingDMUnit.h"

#include "ParkingConfig.h"
#include <dataset/Connection.h>
#include <dataset/Query.h>
#include <framework/Interfaces.h>
#include <parking/host/ParkingRegistration.h>
#include <routines/FormatFloat.h>

#include <QSet>
#include <QStringList>

// count + 1 of all parking documents, as the operator expects; when a document was
// deleted that number may already be in use, so we step on to the first free "n/yy".
// Candidates are checked in batches against the unique number index, so the common
// case costs one point look-up. Database errors propagate.
int TParkingDM::GetParkingDocIndex(const QDateTime &date)
{
    dataset::Query count;
    count.SetConnection(Connection());
    count.SetSQL({QStringLiteral("SELECT COUNT(parkingdocumentid) AS parkingdoccount FROM parkingdocument")});
    count.Open();
    const int first = count.FieldByName(QStringLiteral("parkingdoccount")).AsInteger() + 1;
    count.Close();

    const QString year = QLatin1Char('/') + FormatDateTime(QStringLiteral("yy"), date);
    constexpr int kBatch = 32;
    for (int batch = first;; batch += kBatch) {
        QStringList names;
        for (int i = 0; i < kBatch; ++i)
            names << QStringLiteral(":n%1").arg(i);
        dataset::Query taken;
        taken.SetConnection(Connection());
        taken.SetSQL({QStringLiteral("SELECT number FROM parkingdocument WHERE number IN (%1)")
                          .arg(names.join(QLatin1Char(',')))});
        for (int i = 0; i < kBatch; ++i)
            taken.SetParam(QStringLiteral("n%1").arg(i), QString::number(batch + i) + year);
        taken.Open();
        QSet<QString> used;
        for (taken.First(); !taken.Eof(); taken.Next())
            used.insert(taken.FieldByName(QStringLiteral("number")).AsString());
        for (int n = batch; n < batch + kBatch; ++n)
            if (!used.contains(QString::number(n) + year))
                return n;
    }
}

// Without a console or security module the outputs stay as they came in.
void TParkingDM::GetPublisher(int &userId, QString &userName, bool current)
{
    if (!GlobalConsole)
        return;
    IntfPtr<IInterface> module;
    if (!GlobalConsole->GetModule(ISecurityModule::IID, module) || !module)
        return;
    const IntfPtr<ISecurityModule> security = Supports<ISecurityModule>(module);
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

    const QString configFile = ParkingConfigFilePath();
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
