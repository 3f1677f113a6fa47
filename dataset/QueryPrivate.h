#pragma once

// Internal state of a Query, shared by its implementation files and Field.

#include "Connection.h"
#include "MemoryRows.h"
#include "Query.h"
#include "RowStore.h"
#include "SortKeys.h"
#include "SqlText.h"

#include <QHash>
#include <QPointer>

#include <map>
#include <optional>

namespace dataset {

// Column facts from the result metadata.
struct ColumnInfo {
    QString name;
    QString orgName;        // empty for expressions
    QString tableAlias;     // table name as the query spells it
    QString orgTable;       // real table; empty for expressions
    QString database;
    bool primaryKey = false;
    bool autoIncrement = false;
    bool notNull = false;
    FieldType type = FieldType::String;
    int size = 0;
};

// The one table that posts write to and how rows are found in it.
struct UpdateTarget {
    QString table;                  // quoted, qualified name; empty: nothing to write
    QString plainName;              // db.table for column defaults
    std::vector<int> keyColumns;    // empty: rows are found by all their columns
    int autoIncrementColumn = -1;
};

struct PendingUpdate {
    UpdateStatus status = UpdateStatus::Unmodified;
    detail::RowData original = nullptr;     // row before the first cached change
};

// A write made inside a transaction, kept until the transaction ends: a commit forgets
// it, a rollback puts the dataset back as it was before the write.
struct JournalEntry {
    int level = 0;                          // transaction level the write was made at
    std::uint32_t slot = 0;
    UpdateStatus kind = UpdateStatus::Unmodified;
    bool cached = false;                    // written by ApplyUpdates: 'pending' returns
    detail::RowData before = nullptr;       // the row before the write; null for a new row
    PendingUpdate pending;
    int position = -1;                      // display row of a live delete
    std::vector<QVariant> editValues;       // a live post's edit buffer, reopened on rollback
};

struct EditBuffer {
    std::uint32_t slot = 0;
    std::vector<QVariant> values;
    detail::RowData original = nullptr;     // null while inserting
    bool modified = false;
};

struct SortKey {
    int column = 0;
    bool descending = false;
};

// Reading a result a packet at a time, ordered by the server on the sort keys and the
// update table's key: each packet asks for the rows after the last one held.
struct Paging {
    int packet = 0;                 // rows per packet; 0: the whole result at open
    bool active = false;            // the open result is read in packets
    bool more = false;              // rows may still wait on the server
    QString sql;                    // the statement as opened
    detail::SelectShape shape;
    struct Key {
        int column = 0;
        bool descending = false;
        QString expression;         // `alias`.`column`
    };
    std::vector<Key> keys;
    QString orderBy;                // " ORDER BY …"
    detail::RowData boundary = nullptr;   // the last row read from the server
    // The statement's columns, as probed once for that statement.
    QString probedSql;
    std::vector<ColumnInfo> probed;
};

struct Query::Private {
    explicit Private(Query &q) : q(q) {}

    Query &q;
    QPointer<Connection> connection;
    QStringList sql;
    // Parameters: parsed lazily from the current text, values kept by lower-case name.
    QString parsedText;
    bool paramsParsed = false;
    std::vector<detail::ParamToken> tokens;
    QHash<QString, QVariant> params;
    bool live = false;
    bool cached = false;
    std::vector<FieldDef> defs;
    QString sortText;
    std::vector<SortKey> sortKeys;

    DataSetState state = DataSetState::Inactive;
    std::vector<ColumnInfo> columns;
    UpdateTarget target;
    std::vector<std::unique_ptr<Field>> fieldObjects;   // every field ever made, kept alive
    std::vector<Field *> fields;                        // fields of the current layout

    detail::RowStore store;
    std::vector<detail::RowData> rows;      // by slot (bookmark - 1); null once gone
    std::vector<std::uint32_t> order;       // display order of visible slots
    int cursor = -1;
    bool bof = true;
    bool eof = true;
    std::optional<EditBuffer> edit;
    std::map<std::uint32_t, PendingUpdate> pending;
    std::vector<JournalEntry> journal;
    std::vector<QMetaObject::Connection> transactionLinks;
    int disableDepth = 0;
    bool changedQuietly = false; // something changed while controls were disabled
    bool closedByFailure = false; // a failed Refresh closed it; the next one reopens
    int peekRow = -1;                       // display row read by RowDisplayText
    bool memory = false;                    // rows held in memory, nothing is written
    std::unique_ptr<MemoryRows> incoming;   // rows waiting for the next open
    Paging paging;

    // --- helpers (Query.cpp) ---
    void refreshParams();
    QString finalSql();
    Connection &connectionOrThrow() const;
    // Reads the rows; a read outside a transaction chosen as a deadlock's victim is
    // read once more.
    void fetch();
    void fetchOnce();
    void readResult(const QString &sql, std::vector<ColumnInfo> *columnsOut, detail::RowStore &store,
                    std::vector<detail::RowData> &into);
    void adoptResult(std::vector<ColumnInfo> newColumns, detail::RowStore newStore,
                     std::vector<detail::RowData> newRows);
    static UpdateTarget targetOfColumns(const std::vector<ColumnInfo> &of);
    // Paging (QueryPaging.cpp). openPaged reads the first packet and returns false when
    // the statement or the sort cannot be read in packets.
    bool openPaged();
    bool pagingKeys(const std::vector<ColumnInfo> &columns, const UpdateTarget &target);
    QString afterCondition(detail::RowData row) const;
    // Reads the rows after the boundary: 'limit' of them (0: all), those not after 'until'
    // when given, and never the row whose key is 'skipKey'. Returns the rows added.
    int readPacket(int limit, const QString &until = {}, const QString &skipKey = {});
    void sortByPagingKeys(std::vector<detail::RowData> &read) const;
    void fetchUntil(int rowCount);          // until that many rows are held or none wait
    std::exception_ptr readThroughPosted(); // a posted row sorting past the rows held
    void resetPaging();
    void adoptMemoryRows();                 // QueryMemory.cpp
    void clearRows();
    void buildFields();
    void resolveSort();
    std::vector<detail::SortColumn> sortColumns() const;
    void sortRows();
    void placeRow(int position);
    int displayIndex(std::uint32_t slot) const;
    // Changes of the display order, announced row by row.
    void insertOrder(int position, std::uint32_t slot);
    void eraseOrder(int position);
    void moveOrder(int from, int to);
    void setCursor(int row, bool scrollEvent);
    void setState(DataSetState newState);
    void checkActive() const;
    void checkBrowseMode();
    void emitDataSet();
    void emitRecord(int row);
    void emitCurrent();

    // --- values ---
    int readRow() const { return peekRow >= 0 ? peekRow : cursor; }
    bool editingRow(int row) const;
    QVariant value(int row, int column) const;
    bool isNull(int row, int column) const;
    void setValue(Field &field, const QVariant &value);

    // --- editing (QueryEditing.cpp) ---
    void checkLive() const;
    void startInsert(bool append);
    void applyDefaults();
    void checkRequired() const;
    detail::RowData encodeEdit();
    bool rowChanged(detail::RowData original, detail::RowData current) const;
    void requireTarget() const;
    QString literal(detail::RowData row, int column) const;
    QString whereKey(detail::RowData row) const;
    detail::RowData writeInsert(detail::RowData row);
    void writeUpdate(detail::RowData original, detail::RowData current);
    void writeDelete(detail::RowData original);
    void expectOneRow(std::uint64_t affected) const;
    // Transactions.
    int transactionLevel() const;
    void journalWrite(JournalEntry entry);
    void linkTransactions();
    void undoWrites(int level);
};

} // namespace dataset
