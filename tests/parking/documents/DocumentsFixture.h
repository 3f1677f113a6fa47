#pragma once

// What the document list, search pane and editor tests share: a database of their own
// with the data module attached, a fake console whose logged-in user is known, scripted
// dialogs, a way to act on the module's modal forms while they run, and an application
// that catches errors reaching the event loop the way the console does.

#include "../host/FakeHost.h"

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <framework/base/Abort.h>
#include <framework/common/ScriptedDialogService.h>
#include <parking/core/DocumentTotals.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/host/ParkingTableCaptions.h>
#include <parking/host/ParkingWindows.h>
#include <parking/shared/HostServices.h>
#include <routines/FormatFloat.h>
#include <tests/support/FindChild.h>
#include <tests/support/TestDatabase.h>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

// Errors that reach the event loop are recorded instead of ending the test program; a
// silent abort (a declined delete) is dropped, as the console drops it.
class TestApplication : public QApplication {
public:
    TestApplication(int &argc, char **argv) : QApplication(argc, argv)
    {
        // Errors the widgets report at their edge are recorded the same way.
        dataset::SetErrorReporter([this](std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const EAbort &) {
            } catch (const dataset::Error &e) {
                errors << e.message();
            }
        });
        dataset::SetTableCaption(ParkingTableCaption);
    }
    ~TestApplication() override
    {
        dataset::SetErrorReporter({});
        dataset::SetTableCaption({});
    }

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const EAbort &) {
            return false;
        } catch (const dataset::Error &error) {
            errors << error.message();
            return false;
        }
    }

    static TestApplication *instance() { return static_cast<TestApplication *>(qApp); }
    QStringList errors;
};

#define PARKING_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        TestApplication app(argc, argv);                                                           \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

// One test case's world: database, data module, console with user 7 logged in, scripted
// dialogs and the number format "1,234.56".
struct DocumentsFixture {
    TestDatabase db;
    ScriptedDialogService dialogs;
    ScopedDialogService dialogScope{dialogs};
    FormatSettingsGuard formats;
    IntfPtr<FakeConsole> console;
    ParkingWindows windows;
    parking::HostServices host;

    DocumentsFixture()
    {
        host.SetWindows(&windows);
        FormatSettings::Current().DecimalSeparator = QLatin1Char('.');
        FormatSettings::Current().ThousandSeparator = QLatin1Char(',');
        ParkingDM = TCustomDM::Create<TParkingDM>(host);
        ParkingDM->SetZConnection(&db.connection());
        console = CreateInterfaced<FakeConsole>();
        console->security = CreateInterfaced<FakeSecurityModule>();
        console->security->connection = &db.connection();
        host.SetConsole(console);
        TestApplication::instance()->errors.clear();
    }
    ~DocumentsFixture()
    {
        ParkingDM.reset();
    }
    DocumentsFixture(const DocumentsFixture &) = delete;
    DocumentsFixture &operator=(const DocumentsFixture &) = delete;

    dataset::Connection &connection() { return db.connection(); }
    TParkingDM &dm() const { return *ParkingDM; }

    qint64 InsertDocument(const QString &number, const QString &dateTime, int userId = 7,
                          const QString &regNumber = QStringLiteral("123AB"))
    {
        connection().Execute(
            QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, cityreg, regnumber, userid) "
                           "VALUES (%1, %2, 'BG', %3, %4)")
                .arg(dataset::Connection::Quote(number), dataset::Connection::Quote(dateTime),
                     dataset::Connection::Quote(regNumber))
                .arg(userId));
        const qint64 id = connection().LastInsertId();
        CountParkingDocument(connection());
        return id;
    }

    qint64 InsertItem(qint64 documentId, double itemValue, double taxValue, const QString &code,
                      const QString &ticket = QStringLiteral("K1"))
    {
        connection().Execute(
            QStringLiteral("INSERT INTO parkingdocumentitem (quantity, price, itemvalue, taxid, taxvalue, "
                           "productid, productcode, productname, parkingdocumentid, ticketnumber) "
                           "VALUES (1, %1, %1, 1, %2, 1, %3, 'Doplatna karta', %4, %5)")
                .arg(itemValue)
                .arg(taxValue)
                .arg(dataset::Connection::Quote(code))
                .arg(documentId)
                .arg(dataset::Connection::Quote(ticket)));
        const qint64 item = connection().LastInsertId();
        parking::StoreDocumentTotal(connection(), documentId);
        return item;
    }

    void InsertUser(int userId, const QString &firstName, const QString &lastName)
    {
        connection().Execute(QStringLiteral("INSERT INTO user (userid, username, firstname, lastname) "
                                            "VALUES (%1, %2, %3, %4)")
                                 .arg(userId)
                                 .arg(dataset::Connection::Quote(QStringLiteral("u%1").arg(userId)),
                                      dataset::Connection::Quote(firstName),
                                      dataset::Connection::Quote(lastName)));
    }

    QVariant Scalar(const QString &sql)
    {
        dataset::Query query;
        query.SetConnection(&connection());
        query.SetSQL({sql});
        query.Open();
        return query.IsEmpty() ? QVariant() : query.Fields(0).Value();
    }

    // Opens the document list on every document, newest first, standing on the row 'id'.
    void OpenDocuments(qint64 id = 0)
    {
        dataset::Query &documents = dm().ParkingDocumentZQ();
        documents.Close();
        documents.SetSQL({QStringLiteral("SELECT pd.* FROM parkingdocument AS pd")});
        documents.Open();
        documents.SetSortedFields(QStringLiteral("documentdatetime DESC, parkingdocumentid DESC"));
        for (documents.First(); id > 0 && !documents.Eof(); documents.Next()) {
            if (documents.FieldByName(QStringLiteral("parkingdocumentid")).AsLargeInt() == id)
                break;
        }
    }
};

// Runs 'step' on the module's modal form once it is shown, for as long as the object
// lives (the caller then starts what opens the form). 'step' must close the form. With
// 'wanted', only a form it picks counts: one opened from a modal form already shown.
class WhenModalShown {
public:
    explicit WhenModalShown(std::function<void(QWidget *)> step)
        : WhenModalShown([](QWidget *) { return true; }, std::move(step))
    {
    }
    WhenModalShown(std::function<bool(QWidget *)> wanted, std::function<void(QWidget *)> step)
        : m_step(std::move(step))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this, wanted = std::move(wanted)] {
            if (QWidget *modal = QApplication::activeModalWidget(); modal && wanted(modal)) {
                m_timer.stop();
                m_ran = true;
                m_step(modal);
            }
        });
        m_timer.start();
    }
    bool Ran() const { return m_ran; }

private:
    QTimer m_timer;
    std::function<void(QWidget *)> m_step;
    bool m_ran = false;
};

// Saves a picture of 'widget' into the folder named by PARKING_GRAB_DIR, when it is set.
inline void GrabIfAsked(QWidget *widget, const QString &name)
{
    const QString dir = qEnvironmentVariable("PARKING_GRAB_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    widget->grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
}
