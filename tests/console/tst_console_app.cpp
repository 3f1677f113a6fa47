// The console's pieces that need no database: the general error display, the console's
// module registry, CSV text, settings and the missing-display message.

#include <console/CommandLine.h>
#include <console/connection/ConsoleSettings.h>
#include <console/ConsoleApplication.h>
#include <console/CsvExport.h>
#include <console/ErrorDisplay.h>
#include <console/LoginDialog.h>
#include <console/PasswordDialog.h>
#include <console/services/Console.h>
#include <dataset/Error.h>
#include <framework/base/Abort.h>
#include <framework/common/ScriptedDialogService.h>

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>
#include <stdexcept>

using namespace console;

namespace {

class DocumentModuleStub final : public TInterfacedObject, public IDocumentModule {
public:
    PARKING_INTERFACED_OBJECT
    IInterface *QueryInterface(const QUuid &iid) override
    {
        if (iid != IDocumentModule::IID)
            return nullptr;
        AddRef();
        return this;
    }
    bool GetDefaultCurrency(QString &currency) override
    {
        currency = QStringLiteral("EUR");
        return true;
    }
};

} // namespace

class TestConsoleApp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void errorFromButtonHandlerIsShown_data();
    void errorFromButtonHandlerIsShown();
    void consoleModulesAndWizard();
    void loginDialogRetriesUntilAccepted();
    void passwordDialogKeys();
    void csvQuotesEveryField_data();
    void csvQuotesEveryField();
    void csvDefusesFormulas_data();
    void csvDefusesFormulas();
    void csvFilePrivateAndNew();
    void settings();
    void missingDisplay_data();
    void missingDisplay();
};

void TestConsoleApp::errorFromButtonHandlerIsShown_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("dataset error") << 0 << QStringList{QStringLiteral("Dokument R-15 nije moguće snimiti.")};
    QTest::newRow("std exception, UTF-8") << 1 << QStringList{QStringLiteral("Greška: čćžšđ")};
    QTest::newRow("silent abort") << 2 << QStringList();
    QTest::newRow("unknown") << 3 << QStringList{QStringLiteral("Došlo je do nepoznate greške.")};
}

void TestConsoleApp::errorFromButtonHandlerIsShown()
{
    QFETCH(int, kind);
    QFETCH(QStringList, shown);
    ScriptedDialogService dialogs;
    const ScopedDialogService installed(dialogs);
    QPushButton button(QStringLiteral("Snimi"));
    int clicks = 0;
    // A handler catches at its edge and reports (no exception crosses Qt's event handling).
    connect(&button, &QPushButton::clicked, this, [&clicks, kind] {
        dataset::ReportErrors([&clicks, kind] {
            ++clicks;
            switch (kind) {
            case 0: throw dataset::Error(QStringLiteral("Dokument R-15 nije moguće snimiti."));
            case 1: throw std::runtime_error("Greška: čćžšđ");
            case 2: Abort();
            default: throw 42;
            }
        });
    });
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(dialogs.Errors(), shown);
    // The application goes on: the next click reaches the handler again.
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clicks, 2);
    QCOMPARE(dialogs.Errors().size(), shown.size() * 2);
}

void TestConsoleApp::consoleModulesAndWizard()
{
    const IntfPtr<Console> console(new Console);
    IntfPtr<IInterface> module;
    QVERIFY(!console->GetModule(IDocumentModule::IID, module));
    QVERIFY(!module);

    console->RegisterModule(IDocumentModule::IID,
                            IntfPtr<IInterface>(static_cast<IDocumentModule *>(new DocumentModuleStub)));
    QVERIFY(console->GetModule(IDocumentModule::IID, module));
    const auto documents = Supports<IDocumentModule>(module);
    QVERIFY(documents);
    QString currency;
    QVERIFY(documents->GetDefaultCurrency(currency));
    QCOMPARE(currency, QStringLiteral("EUR"));
    QVERIFY(!console->GetModule(IProductModule::IID, module));

    // The console answers for itself and for nothing else.
    QVERIFY(Supports<IConsole>(IntfPtr<IInterface>(static_cast<IConsole *>(console.get()))));
    QVERIFY(!console->QueryInterface(ISnapin::IID));

    // Without a print grid the wizard refuses with a message.
    QVERIFY(!console->GetPrintGrid());
    QVERIFY_THROWS_EXCEPTION(dataset::Error, console->RunWizard(QStringLiteral("Štampa"), QString()));
}

// The name goes to the check as typed (blanks count); a wrong password clears the field,
// a wait asked for disables the button and is shown.
void TestConsoleApp::loginDialogRetriesUntilAccepted()
{
    QStringList tried;
    LoginDialog dialog([&tried](const QString &user, const QString &password) {
        tried << user + QLatin1Char('/') + password;
        LoginResult result;
        if (password == QStringLiteral("tajna")) {
            result.status = LoginResult::Status::Accepted;
            result.user.UserID = 4;
        } else if (tried.size() == 2) {
            result.wait = std::chrono::seconds(2);
        }
        return result;
    });
    dialog.show();
    dialog.resize(240, dialog.minimumSizeHint().height());
    dialog.UserEdit()->setText(QStringLiteral("  pera "));
    dialog.PasswordEdit()->setText(QStringLiteral("pogrešna"));
    QTest::keyClick(dialog.PasswordEdit(), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.MessageLabel()->text(), QStringLiteral("Pogrešno korisničko ime ili lozinka."));
    QVERIFY(dialog.PasswordEdit()->text().isEmpty());

    dialog.UserEdit()->setText(QStringLiteral("pera"));
    dialog.PasswordEdit()->setText(QStringLiteral("opet"));
    QTest::keyClick(dialog.PasswordEdit(), Qt::Key_Return);
    QVERIFY(dialog.MessageLabel()->text().contains(QStringLiteral("Sledeći pokušaj je moguć za 2 s.")));
    QVERIFY(!dialog.LoginButton()->isEnabled());
    // The message of several lines gets them all; the window grows, the fields keep their height.
    QTest::qWait(20);
    QVERIFY(dialog.MessageLabel()->height() >= dialog.MessageLabel()->heightForWidth(dialog.MessageLabel()->width()));
    QVERIFY(dialog.MessageLabel()->heightForWidth(dialog.MessageLabel()->width())
            > dialog.MessageLabel()->fontMetrics().height() * 3 / 2);
    QCOMPARE(dialog.UserEdit()->height(), dialog.UserEdit()->sizeHint().height());
    QCOMPARE(dialog.PasswordEdit()->height(), dialog.PasswordEdit()->sizeHint().height());
    dialog.PasswordEdit()->setText(QStringLiteral("tajna"));
    QTest::keyClick(dialog.PasswordEdit(), Qt::Key_Return);   // ignored while waiting
    QVERIFY(dialog.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(dialog.MessageLabel()->text().contains(QStringLiteral("za 1 s.")), 2000);
    QVERIFY(!dialog.LoginButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(dialog.LoginButton()->isEnabled(), 2000);
    QCOMPARE(dialog.MessageLabel()->text(), QStringLiteral("Pogrešno korisničko ime ili lozinka."));

    QTest::keyClick(dialog.PasswordEdit(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.User().UserID, 4);
    QCOMPARE(tried, (QStringList{QStringLiteral("  pera /pogrešna"), QStringLiteral("pera/opet"),
                                 QStringLiteral("pera/tajna")}));
}

// Enter saves through the change function and keeps the dialog open on its error;
// Escape gives up. Without a current password its field is not asked for.
void TestConsoleApp::passwordDialogKeys()
{
    QStringList calls;
    PasswordDialog dialog(
        [&calls](const QString &current, const QString &newPassword, const QString &repeated) {
            calls << current + QLatin1Char('|') + newPassword + QLatin1Char('|') + repeated;
            if (newPassword != repeated)
                throw dataset::Error(QStringLiteral("Nova lozinka i ponovljena lozinka se razlikuju."));
        },
        true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.CurrentEdit()->setText(QStringLiteral("stara"));
    dialog.NewEdit()->setText(QStringLiteral("nova-lozinka"));
    dialog.RepeatEdit()->setText(QStringLiteral("nova-lozinkx"));
    QTest::keyClick(dialog.RepeatEdit(), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.MessageLabel()->text(), QStringLiteral("Nova lozinka i ponovljena lozinka se razlikuju."));
    dialog.RepeatEdit()->setText(QStringLiteral("nova-lozinka"));
    QTest::keyClick(dialog.RepeatEdit(), Qt::Key_Enter);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(calls, (QStringList{QStringLiteral("stara|nova-lozinka|nova-lozinkx"),
                                 QStringLiteral("stara|nova-lozinka|nova-lozinka")}));

    PasswordDialog first([](const QString &, const QString &, const QString &) {}, false);
    first.show();
    QVERIFY(QTest::qWaitForWindowExposed(&first));
    QVERIFY(!first.CurrentEdit()->isVisible());
    QTest::keyClick(first.NewEdit(), Qt::Key_Escape);
    QCOMPARE(first.result(), int(QDialog::Rejected));
}

void TestConsoleApp::csvQuotesEveryField_data()
{
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("expected");
    QTest::newRow("semicolon") << QStringLiteral(";")
                               << QStringLiteral("\"Kod\";\"Naziv, \"\"puni\"\"\"\r\n"
                                                 "\"DK1\";\"Doplatna karta; zona 1\"\r\n"
                                                 "\"ŠĆ\";\"\"\r\n");
    QTest::newRow("comma") << QStringLiteral(",")
                           << QStringLiteral("\"Kod\",\"Naziv, \"\"puni\"\"\"\r\n"
                                             "\"DK1\",\"Doplatna karta; zona 1\"\r\n"
                                             "\"ŠĆ\",\"\"\r\n");
}

void TestConsoleApp::csvQuotesEveryField()
{
    QFETCH(QString, separator);
    QFETCH(QString, expected);
    QStandardItemModel model(2, 3);
    model.setHorizontalHeaderLabels({QStringLiteral("Kod"), QStringLiteral("Skriveno"),
                                     QStringLiteral("Naziv, \"puni\"")});
    model.setItem(0, 0, new QStandardItem(QStringLiteral("DK1")));
    model.setItem(0, 1, new QStandardItem(QStringLiteral("x")));
    model.setItem(0, 2, new QStandardItem(QStringLiteral("Doplatna karta; zona 1")));
    model.setItem(1, 0, new QStandardItem(QStringLiteral("ŠĆ")));
    const QByteArray csv = ModelToCsv(model, {0, 2}, separator.at(0));
    QCOMPARE(QString::fromUtf8(csv), expected);
}

void TestConsoleApp::csvDefusesFormulas_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("written");
    QTest::newRow("formula") << "=HYPERLINK(\"x\")" << "\"'=HYPERLINK(\"\"x\"\")\"";
    QTest::newRow("plus") << "+381 11 123" << "\"'+381 11 123\"";
    QTest::newRow("minus expression") << "-1+2" << "\"'-1+2\"";
    QTest::newRow("at") << "@SUM(A1)" << "\"'@SUM(A1)\"";
    QTest::newRow("tab") << "\t=1" << "\"'\t=1\"";
    QTest::newRow("carriage return") << "\r=1" << "\"'\r=1\"";
    QTest::newRow("blank before") << " =1+1" << "\"' =1+1\"";
    QTest::newRow("line feed before") << "\n=1+1" << "\"'\n=1+1\"";
    QTest::newRow("full-width equals") << "＝1+1" << "\"'＝1+1\"";
    QTest::newRow("full-width at") << "＠SUM(A1)" << "\"'＠SUM(A1)\"";
    QTest::newRow("full-width minus") << "－1+2" << "\"'－1+2\"";
    QTest::newRow("blank before text") << " Zona" << "\" Zona\"";
    QTest::newRow("negative number") << "-1.500,00" << "\"-1.500,00\"";
    QTest::newRow("signed number") << "+12" << "\"+12\"";
    QTest::newRow("plain text") << "Zona 1 = centar" << "\"Zona 1 = centar\"";
    QTest::newRow("empty") << "" << "\"\"";
}

void TestConsoleApp::csvDefusesFormulas()
{
    QFETCH(QString, cell);
    QFETCH(QString, written);
    QStandardItemModel model(1, 1);
    model.setHorizontalHeaderLabels({QStringLiteral("=Naslov")});
    model.setItem(0, 0, new QStandardItem(cell));
    const QStringList lines = QString::fromUtf8(ModelToCsv(model, {0}, QLatin1Char(';'))).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.at(1), written);
}

// The export is readable by its owner only and never follows a link planted at its name.
void TestConsoleApp::csvFilePrivateAndNew()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("elsewhere.txt"));
    QFile victim(target);
    QVERIFY(victim.open(QIODevice::WriteOnly));
    victim.write("keep");
    victim.close();
    const QString planted = dir.filePath(QStringLiteral("izvoz.csv"));
    QVERIFY(QFile::link(target, planted));
    QVERIFY_THROWS_EXCEPTION(dataset::Error, WriteFile(planted, "\"a\"\r\n"));
    QFile kept(target);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("keep"));

    const QString fresh = dir.filePath(QStringLiteral("nova.csv"));
    QFile old(fresh);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    QVERIFY(old.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
    WriteFile(fresh, "\"a\"\r\n");
    QFile written(fresh);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("\"a\"\r\n"));
    QCOMPARE(QFileInfo(fresh).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther),
             QFileDevice::Permissions());
}

void TestConsoleApp::settings()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("console.ini"));
    {
        const ConsoleSettings empty(path);
        QVERIFY(!empty.Database());
        QCOMPARE(empty.DefaultCurrency(), QStringLiteral("RSD"));
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Database]\nhost=db.local\nport=3307\nuser=parking\npassword=tajna\n"
               "[Document]\nDefaultCurrency=EUR\nDefWarehouseName=Glavni\n");
    file.close();
    const ConsoleSettings configured(path);
    const auto db = configured.Database();
    QVERIFY(db);
    QCOMPARE(db->host, QStringLiteral("db.local"));
    QCOMPARE(db->port, 3307u);
    QCOMPARE(db->user, QStringLiteral("parking"));
    QCOMPARE(db->password, QStringLiteral("tajna"));
    QCOMPARE(db->database, QStringLiteral("parking"));
    QCOMPARE(db->tls, dataset::TlsMode::Preferred);
    QCOMPARE(configured.DefaultCurrency(), QStringLiteral("EUR"));

    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Database]\nhost=db.local\nssl=Required\nssl-ca=/etc/ca.pem\n");
    file.close();
    QCOMPARE(ConsoleSettings(path).Database()->tls, dataset::TlsMode::Required);
    QCOMPARE(ConsoleSettings(path).Database()->tlsCaFile, QStringLiteral("/etc/ca.pem"));
    QVERIFY(ConsoleSettings(path).Database()->tlsVerify);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Database]\nhost=db.local\nssl=da\n");
    file.close();
    QVERIFY_THROWS_EXCEPTION(dataset::Error, ConsoleSettings(path).Database());

    // The password from a file beside the settings (its first line), over any in the file.
    QFile secret(dir.filePath(QStringLiteral("db.password")));
    QVERIFY(secret.open(QIODevice::WriteOnly));
    secret.write("tajna lozinka\r\ndrugi red\n");
    secret.close();
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Database]\nhost=db.local\npassword=stara\npassword-file=db.password\nssl-verify=off\n");
    file.close();
    QCOMPARE(ConsoleSettings(path).Database()->password, QStringLiteral("tajna lozinka"));
    QVERIFY(!ConsoleSettings(path).Database()->tlsVerify);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Database]\nhost=db.local\nssl-verify=mozda\n");
    file.close();
    QVERIFY_THROWS_EXCEPTION(dataset::Error, ConsoleSettings(path).Database());
}

void TestConsoleApp::missingDisplay_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("qpa");
    QTest::addColumn<QString>("display");
    QTest::addColumn<bool>("complains");
    QTest::newRow("nothing") << QStringList() << QString() << QString() << true;
    QTest::newRow("-platform") << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen")}
                               << QString() << QString() << false;
    QTest::newRow("QT_QPA_PLATFORM") << QStringList() << QStringLiteral("offscreen") << QString() << false;
    QTest::newRow("DISPLAY") << QStringList() << QString() << QStringLiteral(":0") << false;
}

void TestConsoleApp::missingDisplay()
{
    QFETCH(QStringList, args);
    QFETCH(QString, qpa);
    QFETCH(QString, display);
    QFETCH(bool, complains);
    const QByteArray savedQpa = qgetenv("QT_QPA_PLATFORM");
    const QByteArray savedDisplay = qgetenv("DISPLAY");
    const QByteArray savedWayland = qgetenv("WAYLAND_DISPLAY");
    qputenv("QT_QPA_PLATFORM", qpa.toUtf8());
    qputenv("DISPLAY", display.toUtf8());
    qunsetenv("WAYLAND_DISPLAY");

    std::vector<QByteArray> storage{QByteArrayLiteral("parking-console")};
    for (const QString &a : args)
        storage.push_back(a.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &a : storage)
        argv.push_back(a.data());
    const auto message = MissingDisplayMessage(int(argv.size()), argv.data());

    qputenv("QT_QPA_PLATFORM", savedQpa);
    qputenv("DISPLAY", savedDisplay);
    if (!savedWayland.isEmpty())
        qputenv("WAYLAND_DISPLAY", savedWayland);
    QCOMPARE(bool(message), complains);
    if (message)
        QVERIFY(message->contains(QStringLiteral("-platform offscreen")));
}

int main(int argc, char **argv)
{
    ConsoleApplication app(argc, argv);
    TestConsoleApp test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_console_app.moc"
