#include <framework/common/CommonResourceString.h>
#include <framework/common/DatePickerDialog.h>
#include <framework/common/DocDescription.h>
#include <framework/common/QtDialogService.h>
#include <framework/common/ScriptedDialogService.h>
#include <framework/common/SerbianQtTexts.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QCommandLineParser>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QGroupBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include <functional>
#include <memory>
#include <set>
#include <stdexcept>

namespace {

// Runs 'action' on the modal widget once the next dialog is up.
void whenModal(std::function<void(QWidget *)> action)
{
    QTimer::singleShot(0, [action] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal)
            action(modal);
        else
            whenModal(action);
    });
}

} // namespace

class TestCommon : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void qtTextsInSerbian();
    void printDialogsInSerbian();
    void messages_data();
    void messages();
    void unknownMessageThrows();
    void docDescription_data();
    void docDescription();
    void pickersThroughService();
    void scopedServiceNests();
    void qtFilter_data();
    void qtFilter();
    void qtDatePickerAcceptsChosenDay();
    void qtQuestionReturnsPressedButton_data();
    void qtQuestionReturnsPressedButton();
    void qtQuestionKeysGiveSafeAnswer_data();
    void qtQuestionKeysGiveSafeAnswer();
};

void TestCommon::messages_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mustContain");

    QTest::newRow("no module") << "_CMN_NO_MODULE" << "%s";
    QTest::newRow("required") << "_CMN_FIELD_REQUIRED_ERR" << "%s";
    QTest::newRow("invalid") << "_CMN_FIELD_INVALIDE_ERR" << "%s";
    QTest::newRow("save changes") << "_CMN_SAVE_CHANGES_PROMT" << "sačuvate";
    QTest::newRow("security") << "_CMN_MOD_SECURITY_NAME" << "";
    QTest::newRow("product") << "_CMN_MOD_PRODUCT_NAME" << "";
    QTest::newRow("partner") << "_CMN_MOD_PARTNER_NAME" << "";
    QTest::newRow("document") << "_CMN_MOD_DOCUMENT_NAME" << "";
    QTest::newRow("print wizard") << "_CMN_PRINT_WIZ_NAME" << "";
    QTest::newRow("registered") << "_DOC_REG_STATUS_CAPTION" << "Proknjižen";
    QTest::newRow("not registered") << "_DOC_NOT_REG_STATUS_CAPTION" << "Neproknjižen";
}

void TestCommon::messages()
{
    QFETCH(QString, name);
    QFETCH(QString, mustContain);
    const QString text = CommonResourceString(name);
    QVERIFY(!text.isEmpty());
    QVERIFY2(text.contains(mustContain), qPrintable(text));
    QVERIFY(CommonResourceNames().contains(name));
}

void TestCommon::unknownMessageThrows()
{
    try {
        CommonResourceString(u"_CMN_NO_SUCH_ENTRY");
        QFAIL("unknown name accepted");
    } catch (const std::runtime_error &e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Nepoznata poruka „_CMN_NO_SUCH_ENTRY“."));
    }
    QCOMPARE(NoModuleMessage(u"_CMN_MOD_PRODUCT_NAME"),
             QStringLiteral("Modul „Proizvodi“ nije dostupan."));
}

void TestCommon::docDescription_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected");
    QTest::newRow("invoice") << "F" << "Faktura";
    QTest::newRow("cash invoice") << "G" << "Gotovinski račun";
    QTest::newRow("pay desk") << "M" << "Maloprodajni račun";
    QTest::newRow("lower case") << "g" << "Gotovinski račun";
    QTest::newRow("unknown shown as stored") << "X9" << "X9";
    QTest::newRow("empty") << "" << "";
}

void TestCommon::docDescription()
{
    QFETCH(QString, code);
    QFETCH(QString, expected);
    QCOMPARE(GetDocDescription(code), expected);
}

void TestCommon::pickersThroughService()
{
    ScriptedDialogService scripted;
    const ScopedDialogService install(scripted);

    const QDate presetDay(2024, 3, 6);
    QDate day = presetDay;
    scripted.QueueDate(QDate(2024, 1, 2));
    QVERIFY(GetDate(day));
    QCOMPARE(day, QDate(2024, 1, 2));
    QCOMPARE(scripted.ShownDialogs().back().preset.toDate(), presetDay);

    QVERIFY(!GetDate(day));  // nothing queued: cancelled, value kept
    QCOMPARE(day, QDate(2024, 1, 2));

    QDateTime moment(QDate(2024, 3, 7), QTime(10, 30));
    scripted.QueueDate(QDate(2024, 4, 1));
    QVERIFY(GetDate(moment));  // the date changes, the time of day stays
    QCOMPARE(moment, QDateTime(QDate(2024, 4, 1), QTime(10, 30)));

    scripted.QueueDateTime(QDateTime());  // invalid answer = cancel
    QVERIFY(!GetDateTime(moment));
    QCOMPARE(moment, QDateTime(QDate(2024, 4, 1), QTime(10, 30)));
    scripted.QueueDateTime(QDateTime(QDate(2024, 5, 5), QTime(8, 0)));
    QVERIFY(GetDateTime(moment));
    QCOMPARE(moment, QDateTime(QDate(2024, 5, 5), QTime(8, 0)));

    ShowErrorMessage(QStringLiteral("Pogrešan format datoteke!"));
    scripted.QueueAnswer(DialogAnswer::No);
    QCOMPARE(AskYesNoCancel(CommonResourceString(u"_CMN_SAVE_CHANGES_PROMT")), DialogAnswer::No);
    QCOMPARE(AskYesNoCancel(QStringLiteral("?")), DialogAnswer::Cancel);
    QVERIFY(!ConfirmMessage(QStringLiteral("Obrisati?")));

    QCOMPARE(scripted.Errors(), QStringList{QStringLiteral("Pogrešan format datoteke!")});
    QCOMPARE(scripted.ShownOf(ScriptedDialogService::Kind::Question).size(), size_t(2));
    QCOMPARE(scripted.ShownDialogs().size(), size_t(9));
}

void TestCommon::scopedServiceNests()
{
    DialogService *const original = &DialogService::Instance();
    ScriptedDialogService outer;
    ScriptedDialogService inner;
    {
        const ScopedDialogService first(outer);
        {
            const ScopedDialogService second(inner);
            ShowErrorMessage(QStringLiteral("unutra"));
        }
        ShowErrorMessage(QStringLiteral("spolja"));
    }
    QCOMPARE(inner.Errors(), QStringList{QStringLiteral("unutra")});
    QCOMPARE(outer.Errors(), QStringList{QStringLiteral("spolja")});
    QCOMPARE(&DialogService::Instance(), original);
}

void TestCommon::qtFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one entry") << "CSV datoteka|*.csv" << "CSV datoteka (*.csv)";
    QTest::newRow("two entries") << "CSV datoteka|*.csv|Sve datoteke|*.*"
                                 << "CSV datoteka (*.csv);;Sve datoteke (*.*)";
    QTest::newRow("several patterns") << "Tekst|*.csv;*.txt" << "Tekst (*.csv *.txt)";
    QTest::newRow("qt form kept") << "CSV datoteka (*.csv)" << "CSV datoteka (*.csv)";
}

void TestCommon::qtFilter()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(QtDialogService::QtFilter(filter), expected);
}

void TestCommon::qtDatePickerAcceptsChosenDay()
{
    QtDialogService service;
    QDate seen;
    whenModal([&seen](QWidget *modal) {
        auto *calendar = modal->findChild<QCalendarWidget *>();
        seen = calendar->selectedDate();
        calendar->setSelectedDate(QDate(2023, 12, 31));
        static_cast<QDialog *>(modal)->accept();
    });
    QDate value(2024, 2, 29);
    QVERIFY(service.PickDate(value));
    QCOMPARE(seen, QDate(2024, 2, 29));
    QCOMPARE(value, QDate(2023, 12, 31));

    whenModal([](QWidget *modal) { static_cast<QDialog *>(modal)->reject(); });
    QVERIFY(!service.PickDate(value));
    QCOMPARE(value, QDate(2023, 12, 31));
}

void TestCommon::qtQuestionReturnsPressedButton_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("expected");
    QTest::newRow("yes") << int(QMessageBox::Yes) << int(DialogAnswer::Yes);
    QTest::newRow("no") << int(QMessageBox::No) << int(DialogAnswer::No);
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << int(DialogAnswer::Cancel);
}

void TestCommon::qtQuestionReturnsPressedButton()
{
    QFETCH(int, button);
    QFETCH(int, expected);
    QtDialogService service;
    QString shownText;
    whenModal([&shownText, button](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        shownText = box->text();
        box->button(QMessageBox::StandardButton(button))->click();
    });
    QCOMPARE(int(service.AskYesNoCancel(QStringLiteral("Da li želite da sačuvate izmene?"))),
             expected);
    QCOMPARE(shownText, QStringLiteral("Da li želite da sačuvate izmene?"));
}

void TestCommon::qtQuestionKeysGiveSafeAnswer_data()
{
    QTest::addColumn<bool>("yesNoCancel");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("safeButton");
    QTest::addColumn<int>("expected");
    const int no = int(QMessageBox::No);
    const int cancel = int(QMessageBox::Cancel);
    QTest::newRow("confirm, Enter") << false << int(Qt::Key_Return) << no << 0;
    QTest::newRow("confirm, keypad Enter") << false << int(Qt::Key_Enter) << no << 0;
    QTest::newRow("confirm, Escape") << false << int(Qt::Key_Escape) << no << 0;
    QTest::newRow("confirm, space on the focus") << false << int(Qt::Key_Space) << no << 0;
    QTest::newRow("save changes, Enter") << true << int(Qt::Key_Return) << cancel << int(DialogAnswer::Cancel);
    QTest::newRow("save changes, Escape") << true << int(Qt::Key_Escape) << cancel << int(DialogAnswer::Cancel);
}

// A key pressed on the real box at once: Enter, Escape and Space on the focused button
// all give the answer that writes and drops nothing ("Ne" for a yes/no question).
void TestCommon::qtQuestionKeysGiveSafeAnswer()
{
    QFETCH(bool, yesNoCancel);
    QFETCH(int, key);
    QFETCH(int, safeButton);
    QFETCH(int, expected);
    QtDialogService service;
    bool focusedSafe = false;
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QAbstractButton *safe = box->button(QMessageBox::StandardButton(safeButton));
        QVERIFY(QTest::qWaitForWindowActive(box));
        focusedSafe = QApplication::focusWidget() == safe && box->defaultButton() == safe;
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : box;
        QTest::keyClick(target, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    });
    const QString question = QStringLiteral("Karta 1000104 je već plaćena dokumentom 3/26 (07.12.2026). Dodati je ipak?");
    const int answer = yesNoCancel ? int(service.AskYesNoCancel(question)) : int(service.Confirm(question));
    QCOMPARE(answer, expected);
    QVERIFY(focusedSafe);
}

// Qt's own file dialog, standard buttons and --help speak Serbian once the catalogue is
// installed, and English comes back without it.
void TestCommon::qtTextsInSerbian()
{
    auto texts = std::make_unique<SerbianQtTexts>();
    QCoreApplication::installTranslator(texts.get());
    {
        QFileDialog dialog(nullptr, QStringLiteral("Učitaj CSV"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        QStringList buttons;
        for (const QPushButton *button :
             dialog.findChildren<QDialogButtonBox *>().value(0)->findChildren<QPushButton *>())
            buttons << button->text();
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"&Otvori", "Otkaži"}));
        QStringList labels;
        for (const QLabel *label : dialog.findChildren<QLabel *>())
            labels << label->text();
        QVERIFY2(labels.contains(QStringLiteral("Traži u:")), qPrintable(labels.join(',')));
        QVERIFY2(labels.contains(QStringLiteral("&Naziv datoteke:")), qPrintable(labels.join(',')));
        QVERIFY2(labels.contains(QStringLiteral("Vrsta datoteka:")), qPrintable(labels.join(',')));

        QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Yes)->text(), QStringLiteral("&Da"));
        QCOMPARE(box.button(QDialogButtonBox::No)->text(), QStringLiteral("&Ne"));
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Otkaži"));

        QCommandLineParser parser;
        parser.addHelpOption();
        const QString help = parser.helpText();
        QVERIFY2(help.startsWith(QStringLiteral("Upotreba: ")), qPrintable(help));
        QVERIFY2(help.contains(QStringLiteral("Opcije:")), qPrintable(help));
        QVERIFY2(help.contains(QStringLiteral("Prikazuje pomoć o opcijama komandne linije.")), qPrintable(help));
    }
    QCoreApplication::removeTranslator(texts.get());
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
}

namespace {

// Asked before the Serbian texts (installed after them): notes every text Qt looks up,
// answering nothing itself.
class SeenTexts : public QTranslator {
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (sourceText && *sourceText)
            seen.insert({QByteArray(context), QByteArray(sourceText)});
        return {};
    }
    bool isEmpty() const override { return false; }
    mutable std::set<std::pair<QByteArray, QByteArray>> seen;
};

// The texts a window shows: titles, labels, buttons, actions, group boxes, tabs and lists.
QStringList ShownTexts(QWidget &window)
{
    QStringList texts{window.windowTitle()};
    QList<QWidget *> widgets = window.findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (auto *label = qobject_cast<QLabel *>(widget))
            texts << label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            texts << button->text() << button->toolTip();
        else if (auto *group = qobject_cast<QGroupBox *>(widget))
            texts << group->title();
        else if (auto *tabs = qobject_cast<QTabWidget *>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        for (QAction *action : widget->actions())
            texts << action->text() << action->toolTip();
    }
    texts.removeAll(QString());
    return texts;
}

} // namespace

// The print preview, the print dialog and its page set-up show Qt's texts in Serbian:
// every text they look up has its Serbian form, and none of the well-known English
// captions is left on screen.
void TestCommon::printDialogsInSerbian()
{
    auto texts = std::make_unique<SerbianQtTexts>();
    QCoreApplication::installTranslator(texts.get());
    SeenTexts seen;
    QCoreApplication::installTranslator(&seen);
    QStringList shown;
    {
        QPrinter printer;
        QPrintPreviewDialog preview(&printer);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        shown << ShownTexts(preview);
        QPrintDialog print(&printer);
        print.setOption(QAbstractPrintDialog::PrintToFile);
        print.show();
        QVERIFY(QTest::qWaitForWindowExposed(&print));
        shown << ShownTexts(print);
        QPageSetupDialog setup(&printer);
        setup.show();
        QVERIFY(QTest::qWaitForWindowExposed(&setup));
        shown << ShownTexts(setup);
    }
    QCoreApplication::removeTranslator(&seen);
    QStringList missing;
    for (const auto &[context, source] : seen.seen) {
        const bool printing = context.startsWith("QPrint") || context.startsWith("QPageSetup")
            || context.startsWith("QUnixPrint") || context.startsWith("QCups") || context.startsWith("QPPD");
        if (printing && texts->translate(context.constData(), source.constData()).isEmpty())
            missing << QStringLiteral("%1: %2").arg(QString::fromLatin1(context), QString::fromUtf8(source));
    }
    QCoreApplication::removeTranslator(texts.get());
    for (const QString &line : std::as_const(missing))
        qWarning("no Serbian text: %s", qPrintable(line));
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    for (const QString &english : {QStringLiteral("Print Preview"), QStringLiteral("Print"),
                                   QStringLiteral("Page Setup"), QStringLiteral("Close"), QStringLiteral("Printer"),
                                   QStringLiteral("Copies:"), QStringLiteral("Landscape"), QStringLiteral("Portrait")})
        QVERIFY2(!shown.contains(english), qPrintable(english));
}

QTEST_MAIN(TestCommon)
#include "tst_common.moc"
