#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace dataset {
class Connection;
}

namespace imports {

// One import's generation of tables, named in each table's comment: the label the undo
// question shows ("08.12.2026 10:15:02, karte.csv") and an id of that import alone (the
// suffix of its copies), so two imports with the same label are told apart.
struct ImportGeneration {
    QString label;
    QString id; // empty for a generation made before ids were kept

    QString Comment() const;
    static ImportGeneration FromComment(const QString &comment);
    bool operator==(const ImportGeneration &) const = default;
};

// Replaces whole tables as one step: fresh empty copies are filled first and swapped in
// with one RENAME TABLE, which is atomic, so readers see either the old or the new
// content and a failed import changes nothing. Each replacement names its copies with
// the server's clock and a random part, so no other import (on this server or on another
// node of a cluster) can meet them; it drops its own copies, and those of a crashed
// import are swept by a later one once they are a day old. The replaced tables stay as
// one previous generation (`table_prev`), which an undo swaps back; each generation's
// table comment names its import (ImportGeneration). The look at the tables and the swap
// run under a named lock of the server, which an undo takes as well.
class TableReplacement {
public:
    // Seconds the swap waits for another session's lock (a cashier's open transaction).
    static constexpr int kSwapWaitSeconds = 5;

    // 'generation' names the copies; one without an id gets a new one here, and one with
    // an id (the same import started again) has the copies of its earlier try dropped first.
    TableReplacement(dataset::Connection &connection, const QStringList &tables, ImportGeneration &generation);
    TableReplacement(dataset::Connection &connection, const QStringList &tables);
    ~TableReplacement();
    TableReplacement(const TableReplacement &) = delete;
    TableReplacement &operator=(const TableReplacement &) = delete;

    // The fresh copy of 'table', quoted for SQL.
    QString Fresh(const QString &table) const;
    // Swaps every copy in; the old tables become the previous generation. When the
    // server's reply is lost, the tables' comments tell whether the swap was done.
    void Commit();

private:
    QString Name(const QString &table, QChar kind) const;
    void Drop(QChar kind) noexcept;
    void DropCopies() noexcept;

    dataset::Connection &m_connection;
    QStringList m_tables;
    ImportGeneration m_ownGeneration;
    ImportGeneration &m_generation;
    bool m_committed = false;
};

// The generation that made 'tables' as they are, when a previous generation exists to
// go back to; none otherwise.
std::optional<ImportGeneration> PreviousImport(dataset::Connection &connection, const QStringList &tables);
// Under the swap lock: swaps the previous generation back in one step and drops the
// undone tables; returns the generation undone. Throws ImportError when there is none
// ("nema prethodnog uvoza"), when 'named' is given and the tables now hold another
// generation ("U međuvremenu je napravljen novi uvoz…"), and when a previous table is
// not built as its live table (a database upgraded since), saying how they differ.
ImportGeneration RestorePreviousImport(dataset::Connection &connection, const QStringList &tables,
                                       const std::optional<ImportGeneration> &named = std::nullopt);

// Hours after which a copy of 'tables' counts as left by a crashed import.
constexpr int kOrphanCopyHours = 24;
// Drops the copies of 'tables' made more than kOrphanCopyHours ago by the server's clock:
// a younger one may belong to an import still running, here or on another node.
void DropStaleCopies(dataset::Connection &connection, const QStringList &tables);
// The name suffix of copies made now: the server's clock in seconds, "x" and a random
// part ("1765142400x3f09a1c2").
QString CopySuffix(dataset::Connection &connection);

} // namespace imports
