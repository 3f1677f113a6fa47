#pragma once

#include "Field.h"

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace dataset {

class Connection;
class MemoryRows;

enum class DataSetState { Inactive, Browse, Edit, Insert };
enum class UpdateStatus { Unmodified, Modified, Inserted, Deleted };

using DataSetNotifyEvent = std::function<void(class Query &dataSet)>;
using Bookmark = quint64;   // 0 = none

// A query over one connection: SQL text as lines, :name parameters, a client-side
// copy of the result with navigation, live editing of the one update table (the
// table of the result's key column), optional cached updates and client-side sort.
class Query : public QObject {
    Q_OBJECT
public:
    explicit Query(QObject *parent = nullptr);
    ~Query() override;

    // --- set-up -------------------------------------------------------------
    void SetConnection(Connection *connection);
    Connection *GetConnection() const;
    QStringList &SQL();                          // lines, joined with "\n"
    void SetSQL(const QStringList &lines);
    QString SQLText() const;
    // Value of a :name parameter found in the SQL text (outside quoted literals).
    // Values are sent quoted, never spliced raw. Throws for an unknown name.
    void SetParam(const QString &name, const QVariant &value);
    QVariant Param(const QString &name) const;
    QStringList ParamNames() const;

    void SetRequestLive(bool live);              // off: read-only, edits throw
    bool RequestLive() const;
    void SetCachedUpdates(bool cached);
    bool CachedUpdates() const;
    // Declared fields: override type, size, label, format, required, read-only,
    // visibility of the result's columns with the same name.
    void SetFieldDefs(std::vector<FieldDef> defs);
    // Client-side sort, e.g. "documentdatetime DESC, parkingdocumentid DESC";
    // stable, applied on open and kept while rows are edited and appended.
    void SetSortedFields(const QString &fields);
    QString SortedFields() const;

    // --- open / execute -----------------------------------------------------
    void Open();
    void Close();
    bool Active() const;
    // Reads the result again, keeping the sort and the current row. A failed re-read
    // closes the query; the next Refresh opens it again.
    void Refresh();
    std::uint64_t ExecSQL();                     // statements without a result
    // Opens on rows held in memory instead of a server result (closing first): the
    // fields are the rows' definitions, the order that of SortedFields, and posts and
    // deletes change the memory only. Close ends it; Refresh re-sorts the rows held.
    void OpenInMemory(MemoryRows rows);
    bool InMemory() const;

    // --- reading in packets -------------------------------------------------
    // With 'rows' > 0 a plain SELECT (no GROUP BY, ORDER BY, LIMIT, UNION) whose sort keys
    // are numbers or dates of the update table opens with its first 'rows' rows, ordered by
    // the server on the sort and then the table's key; more come as they are asked for:
    // Next, MoveBy or SetRecNo past the rows held, Last, FetchMore, FetchAll. Any other
    // statement or sort (a text key, cached updates) reads the whole result at open, as
    // with 0, the default. RecordCount counts the rows held.
    void SetPacketRecords(int rows);
    int PacketRecords() const;
    bool CanFetchMore() const;      // rows may still wait on the server
    int FetchMore();                // the next packet; returns the rows added
    void FetchAll();                // every row still waiting, in one read

    // --- fields -------------------------------------------------------------
    int FieldCount() const;
    Field &Fields(int index) const;
    Field &FieldByName(const QString &name) const;   // throws when missing
    Field *FindField(const QString &name) const;     // nullptr when missing

    // --- navigation ---------------------------------------------------------
    void First();
    void Last();
    void Next();
    void Prior();
    bool MoveBy(int distance);
    bool Eof() const;
    bool Bof() const;
    bool IsEmpty() const;
    int RecordCount() const;                     // rows held (see SetPacketRecords)
    int RecNo() const;                           // 1-based; 0 when empty
    void SetRecNo(int recNo);
    Bookmark GetBookmark() const;
    bool BookmarkValid(Bookmark bookmark) const;
    void GotoBookmark(Bookmark bookmark);        // throws when the row is gone

    // --- editing ------------------------------------------------------------
    DataSetState State() const;
    bool IsEditing() const; // Edit or Insert
    void Append();
    void Insert();
    void Edit();
    void Post(); // BeforePost, required fields, write (live, not cached), afterPost
    void Cancel();
    void Delete(); // BeforeDelete, delete (or cache), afterDelete
    bool Modified() const;  // current edit buffer differs from the row

    // --- cached updates -----------------------------------------------------
    bool UpdatesPending() const;
    // Writes every pending row in one transaction (a savepoint inside an open one); the
    // rows stay pending until the outermost transaction commits, and its rollback (or a
    // failure here) leaves all of them pending for another try.
    void ApplyUpdates();
    void CancelUpdates();
    UpdateStatus RowUpdateStatus() const;

    // --- bound controls -----------------------------------------------------
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const;

    // Value of field 'column' in row 'row' (0-based, in display order), for item models.
    QVariant RowValue(int row, int column) const;
    QString RowDisplayText(int row, int column) const;

    // --- handlers of the one owner that vetoes or fills ------------------------
    // BeforePost and BeforeDelete abort the operation by throwing; OnNewRecord fills
    // the defaults of a new row (throwing drops the row). Observers use the signals.
    DataSetNotifyEvent BeforePost, BeforeDelete, OnNewRecord;

Q_SIGNALS:
    // Emitted only while controls are enabled; EnableControls at depth 0 emits
    // dataSetChanged when anything changed meanwhile.
    void dataSetChanged();          // the whole result: opened, closed, refreshed, re-sorted
    void recordChanged(int row);    // values of one row (display order) changed
    // One row appears, leaves or moves (display order). The "about to" signal comes while
    // the rows are still as they were, the other one right after the change; 'to' is the
    // row's index after the move.
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowAboutToBeMoved(int from, int to);
    void rowMoved(int from, int to);
    // Rows read from the server later (see SetPacketRecords) join at the end.
    void rowsAboutToBeAppended(int first, int last);
    void rowsAppended(int first, int last);
    void currentChanged(int row);   // cursor moved
    void stateChanged(dataset::DataSetState state);
    // A text set into a field was longer than the field and was cut to 'limit' characters.
    void valueCut(const QString &fieldName, int limit);

    // Steps of opening, closing and editing, sent whether or not controls are disabled.
    // A slot of a "before" signal that throws aborts the step.
    void beforeOpen();
    void afterOpen();
    void beforeClose();
    void afterClose();
    void beforeEdit();
    void afterEdit();
    void beforeInsert();
    void afterInsert();
    void beforeCancel();
    void afterCancel();
    void afterPost();
    void afterDelete();
    void afterScroll(); // the current row changed by navigation, open, insert or delete

private:
    friend class Field;
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace dataset
