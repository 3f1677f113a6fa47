#pragma once

// Hot physical backups of the private server into a backup folder DEST:
//   DEST/YYYY-MM-DD_HH-MM-SS/data/          the prepared copy of the data directory
//   DEST/YYYY-MM-DD_HH-MM-SS/manifest.json  written last: only then the backup counts
//   DEST/log-<id>/binlog.000001, …          the binary log of the server with that id
// A backup is made in a hidden ".nedovrseno-…" folder and renamed when complete.

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace dbserver {

class PrivateServer;

inline constexpr char ManifestName[] = "manifest.json";
inline constexpr char BackupDataName[] = "data";

struct BackupDatabase {
    QString name;
    int schemaVersion = 0;
    qint64 documents = 0;
    QString newestNumber;  // the number of the document stored last
};

struct BackupManifest {
    QString kind;                   // empty: the data directory's files; else DumpKind
    QDateTime time;                 // when the copy was complete
    qint64 size = 0;                // bytes of the files below
    QMap<QString, QString> files;   // path inside data/ → SHA-256 (hex)
    QString logId;                  // which binary log continues the backup
    QString binlogFile;             // where in that log the backup stands (a dump of a
                                    // server without a log: empty)
    qint64 binlogPosition = 0;
    QList<BackupDatabase> databases; // read right after the copy

    QByteArray ToJson() const;
    // Throws dataset::Error when the text is not a manifest.
    static BackupManifest FromJson(const QByteArray &json, const QString &path);
};

struct Backup {
    QString path;   // DEST/<time>
    BackupManifest manifest;
    QString DataPath() const;
};

// DEST from the settings file's [Backup] dir=, else ~/.local/share/parking/backups.
QString DefaultBackupDirectory();

// The id of the data directory's binary log (made at the first use): a restored copy
// starts a log of its own, so two logs of the same names never mix in DEST.
QString BinaryLogId(const QString &dataDir);
QString BinaryLogDirectory(const QString &dest, const QString &logId);
// The binary-log files in 'directory', in log order.
QStringList BinaryLogFiles(const QString &directory);

// A folder a backup is written in, removed with its content unless Keep() moves it into
// place under its final name; the manifest is written last.
class IncompleteBackup {
public:
    explicit IncompleteBackup(const QString &dest);
    ~IncompleteBackup();
    IncompleteBackup(const IncompleteBackup &) = delete;
    IncompleteBackup &operator=(const IncompleteBackup &) = delete;
    const QString &Path() const { return m_path; }
    QString DataPath() const;
    // Hashes the files, makes everything the owner's alone, writes the manifest and
    // moves the folder to DEST/<time>.
    Backup Keep(BackupManifest manifest);

private:
    QString m_dest;
    QString m_path;
};

// Takes a hot backup of the running server (started when it is not) into DEST.
// Throws dataset::Error and leaves nothing that looks complete when it fails.
Backup TakeBackup(PrivateServer &server, const QString &dest);

// The complete backups in DEST, oldest first.
QList<Backup> ListBackups(const QString &dest);

// Files of the backup that no longer match its manifest: changed, missing or added.
QStringList DamagedFiles(const Backup &backup);

// The backup as the text of a list line.
QString Describe(const Backup &backup);

} // namespace dbserver

namespace dbserver {

struct RetentionPolicy;

// The policy of the settings file's [Backup] keep= ("7,4,12" by default).
RetentionPolicy ConfiguredRetention();

// Removes the backups the policy does not keep at 'now', and the copied binary-log files
// older than every kept backup of their log. Returns what was removed, for the report.
QStringList PruneBackups(const QString &dest, const RetentionPolicy &policy, const QDateTime &now);

} // namespace dbserver
