#pragma once

// The frame every import form shares: choosing the file, the extension check, status
// text, busy cursor, decimal separator, progress, grids detached while the import runs
// and re-attached once, and the failure message. The import itself runs on a worker
// thread with a connection of its own, so the window keeps painting.

#include "ImportError.h"
#include "ImportJob.h"

#include <QDialog>
#include <QList>
#include <QObject>
#include <QThread>
#include <memory>
#include <optional>

class TParkingDM;

class QLabel;
class TParkingDM;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace dataset {
class Connection;
class Query;
} // namespace dataset

namespace imports {

struct ImportDescriptor;

// Runs one job on a thread of its own and reports back on the thread that started it.
class ImportWorker : public QObject {
    Q_OBJECT
public:
    explicit ImportWorker(QObject *parent = nullptr);
    ~ImportWorker() override; // waits for a running job

    void Start(std::unique_ptr<ImportJob> job, const QString &fileName, const dataset::ConnectionParams &params,
               const QString &user = {}, Emptying emptying = Emptying::Refused);
    bool Running() const;
    ImportJob *Job() const { return m_job.get(); }
    const ImportSummary &Summary() const { return m_summary; }
    // Set when the job failed.
    const std::optional<ImportError> &Failure() const { return m_failure; }

Q_SIGNALS:
    void progressed(qint64 done, qint64 total);
    void finished();

private:
    std::unique_ptr<ImportJob> m_job;
    std::unique_ptr<QThread> m_thread;
    ImportSummary m_summary;
    std::optional<ImportError> m_failure;
};

// The form of one kind of import: its title, name, job, undo and the history's user
// come from the kind and the data module.
class TParkingImportForm : public QDialog {
    Q_OBJECT
public:
    TParkingImportForm(TParkingDM &dm, const ImportDescriptor &kind, QWidget *parent = nullptr);
    ~TParkingImportForm() override;

    void LoadButtonClick();
    void CancelButtonClick();
    // "Vrati prethodni uvoz": asks, naming the import it undoes, then puts the previous
    // generation of the form's tables back.
    void UndoButtonClick();
    bool Importing() const;

Q_SIGNALS:
    // The worker took the file; the form's other actions wait until importFinished.
    void importStarted();
    // After an import ended and the form's state was restored (before a failure message).
    void importFinished(bool succeeded);

protected:
    // Datasets whose controls are off while the import runs.
    virtual QList<dataset::Query *> TargetDataSets() const = 0;
    // On the user-interface thread after a successful run, controls still off: reopen
    // the tables, or take the rows the job read.
    virtual void ImportSucceeded(ImportJob &job, const ImportSummary &summary);
    // What the form reads again after an undo.
    virtual void UndoDone() {}

    // Adds the status label, reading "Spremno za učitavanje.".
    QLabel *CreateLoadingInfoLabel();
    // Adds the panel that shows the last import's summary (lines read, rows stored, rows
    // left out and why); hidden until an import ended.
    QPlainTextEdit *CreateSummaryPanel();
    // Adds "Vrati prethodni uvoz" (off while an import runs).
    QPushButton *CreateUndoButton();
    // Adds "Istorija uvoza", the history window over 'connection'.
    QPushButton *CreateHistoryButton(TParkingDM &dm);
    // The frame's own widgets, for a subclass to lay out.
    QPushButton *LoadButton() const;
    QPushButton *CancelButton() const;
    QProgressBar *ProgressBar() const;

    void reject() override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct Running;
    struct Ui; // the frame's widgets, each with an object name of its own
    // Runs the form's job on 'fileName'; emptying allowed once the operator agreed that the
    // file may leave the table empty.
    void StartImport(const QString &fileName, Emptying emptying);
    void Finish(std::optional<ImportError> failure);
    // The import was stored but the form could not show it: said as such, with the summary.
    void ReportRefreshFailure(const std::exception_ptr &error, const ImportSummary &summary);
    void SetStatus(const QString &text);
    // The connection the worker opens its own from; none for a job without the database.
    dataset::ConnectionParams ImportConnectionParams(const ImportJob &job) const;
    // The console's user for the import history.
    QString HistoryUser() const;

    TParkingDM &m_module;
    const ImportDescriptor &m_kind;
    std::unique_ptr<Ui> ui;
    std::unique_ptr<Running> m_running;
};

// The parameters of 'connection' (the data module's), for a worker to open its own;
// throws when the module has no connection.
dataset::ConnectionParams ModuleConnectionParams(const dataset::Connection *connection);

} // namespace imports
