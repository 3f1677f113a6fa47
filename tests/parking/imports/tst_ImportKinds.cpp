// The import kinds: the keys the history stores never change, each shows the caption the
// windows always showed, the schema step maps the old texts onto these keys, and the table
// of kinds gives the command and the list what they read of it.

#include <dataset/Error.h>
#include <parking/core/ImportKind.h>
#include <parking/imports/ImportKinds.h>

#include <QFile>
#include <QTest>

#include <set>

using parking::ImportKind;

class TestImportKinds : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keysAndCaptions_data();
    void keysAndCaptions();
    void unknownKeyShownAsItIs();
    void tableOfKinds();
};

void TestImportKinds::keysAndCaptions_data()
{
    QTest::addColumn<ImportKind>("kind");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("caption");
    QTest::newRow("ticket import") << ImportKind::TicketImport << "ticket-import"
                                   << "uvoz karata";
    QTest::newRow("subscription import") << ImportKind::SubscriptionImport << "subscription-import"
                                         << "uvoz pretplata";
    QTest::newRow("ticket undo") << ImportKind::TicketUndo << "ticket-undo"
                                 << "vraćanje karata";
    QTest::newRow("subscription undo") << ImportKind::SubscriptionUndo << "subscription-undo"
                                       << "vraćanje pretplata";
    QTest::newRow("ticket document") << ImportKind::TicketDocument << "ticket-document"
                                     << "dokument karata";
    QTest::newRow("pay-desk document") << ImportKind::PayDeskDocument << "paydesk-document"
                                       << "dokument blagajne";
}

void TestImportKinds::keysAndCaptions()
{
    QFETCH(ImportKind, kind);
    QFETCH(QString, key);
    QFETCH(QString, caption);
    QCOMPARE(parking::ImportKindKey(kind), key);
    QCOMPARE(parking::ImportKindCaption(kind), caption);
    QCOMPARE(parking::ImportKindFromKey(key), std::optional<ImportKind>(kind));
    QCOMPARE(parking::ImportKindCaptionOfKey(key), caption);
    // Rows written before the keys carried the caption: the schema step gives them this key.
    QFile migration(QStringLiteral(IMPORT_KIND_MIGRATION));
    QVERIFY(migration.open(QIODevice::ReadOnly));
    const QString script = QString::fromUtf8(migration.readAll());
    QVERIFY2(script.contains(QStringLiteral("WHEN '%1' THEN '%2'").arg(caption, key)), qPrintable(caption));
}

void TestImportKinds::unknownKeyShownAsItIs()
{
    // A caption is not a key; a key of a later program is shown as stored.
    QCOMPARE(parking::ImportKindFromKey(QStringLiteral("uvoz karata")), std::nullopt);
    QCOMPARE(parking::ImportKindFromKey(QString()), std::nullopt);
    QCOMPARE(parking::ImportKindCaptionOfKey(QStringLiteral("fine-import")), QStringLiteral("fine-import"));
}

void TestImportKinds::tableOfKinds()
{
    std::set<QString> ids;
    std::set<QString> names;
    for (const imports::ImportDescriptor &kind : imports::ImportKinds()) {
        QVERIFY2(ids.insert(kind.id).second, qPrintable(kind.id));
        QVERIFY2(names.insert(kind.name).second, qPrintable(kind.name));
        QVERIFY(!kind.caption.isEmpty());
        QVERIFY(kind.createJob && kind.openForm);
        QCOMPARE(imports::FindImportKind(kind.id), &kind);
        // An undo puts tables back; a kind whose rows stay in memory has none to undo.
        QCOMPARE(kind.undo.has_value(), !kind.tables.isEmpty());
        const std::unique_ptr<imports::ImportJob> job = kind.createJob();
        QCOMPARE(job->UsesDatabase(), !kind.tables.isEmpty());
        // An import that can be undone is on record, and its undo under another kind.
        if (kind.undo) {
            QVERIFY(job->HistoryKind().has_value());
            QVERIFY(*job->HistoryKind() != *kind.undo);
        }
    }
    QCOMPARE(ids, (std::set<QString>{"tickets", "subscriptions", "startstop"}));
    QCOMPARE(imports::UndoableKindIds(), QStringLiteral("tickets|subscriptions"));
    QCOMPARE(imports::ImportKindOf(u"tickets").undo, std::optional<ImportKind>(ImportKind::TicketUndo));
    QCOMPARE(imports::FindImportKind(u"parking karte"), nullptr);
    QVERIFY_THROWS_EXCEPTION(dataset::Error, imports::ImportKindOf(u"fines"));
}

QTEST_MAIN(TestImportKinds)
#include "tst_ImportKinds.moc"
