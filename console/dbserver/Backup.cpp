#include "Backup.h"

#include "BackupRetention.h"
#include "BackupStats.h"
#include "BackupTools.h"
#include "PrivateServer.h"
#include "ServerAccounts.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <routines/PrivateFiles.h>
#include <routines/TextFormat.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QStorageInfo>

#include <algorithm>

namespace dbserver {

namespace {

const QString NameFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");
const QString IncompletePrefix = QStringLiteral(".nedovrseno-");
const QString LogIdFileName = QStringLiteral("binlog.id");
// Below this much free space a failed copy is put down to a full disk.
constexpr qint64 LowSpaceBytes = 64 * 1024 * 1024;

QString Sha256(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return QString::fromLatin1(hash.result().toHex());
}

// Regular files under 'root', relative to it, in a stable order.
QStringList FilesUnder(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

// Owner-only rights on everything under 'root' (the tools make files readable by the group).
void MakeOwnerOnly(const QString &root)
{
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        if (info.isSymLink())
            continue;
        QFile::setPermissions(info.filePath(), info.isDir() ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                            : QFile::ReadOwner | QFile::WriteOwner);
    }
}

void ReadBinlogPosition(const QString &dataPath, BackupManifest &manifest)
{
    QFile file(dataPath + QStringLiteral("/xtrabackup_binlog_info"));
    if (!file.open(QIODevice::ReadOnly))
        throw dataset::Error(QStringLiteral("Rezervna kopija ne beleži mesto u dnevniku izmena (nema %1).")
                                 .arg(detail::ShownPath(file.fileName())));
    const QStringList fields = QString::fromUtf8(file.readAll()).split(QLatin1Char('\t'));
    bool ok = false;
    if (fields.size() >= 2)
        manifest.binlogPosition = fields.at(1).trimmed().toLongLong(&ok);
    if (!ok)
        throw dataset::Error(QStringLiteral("Mesto u dnevniku izmena u %1 nije čitljivo.").arg(detail::ShownPath(file.fileName())));
    manifest.binlogFile = fields.at(0).trimmed();
}

} // namespace

namespace detail {

[[noreturn]] void ThrowCopyFailed(const QString &dest, const dataset::Error &error)
{
    const QStorageInfo disk(dest);
    const QString text = QString::fromUtf8(error.what());
    if ((disk.isValid() && disk.bytesAvailable() < LowSpaceBytes) || text.contains(QLatin1String("No space left"))
        || text.contains(QLatin1String("errno 28")))
        throw dataset::Error(QStringLiteral("Rezervna kopija nije napravljena: na disku foldera %1 nema dovoljno mesta "
                                            "(slobodno %2 MB). Nedovršena kopija je obrisana; oslobodite prostor ili "
                                            "izaberite drugi folder ([Backup] dir=).")
                                 .arg(detail::ShownPath(dest)).arg(disk.bytesAvailable() / (1024 * 1024)));
    throw dataset::Error(QStringLiteral("Rezervna kopija nije napravljena; nedovršena kopija je obrisana. %1").arg(text));
}

} // namespace detail

IncompleteBackup::IncompleteBackup(const QString &dest)
    : m_dest(dest)
{
    if (!MakePrivateDirectory(dest))
        throw dataset::Error(QStringLiteral("Folder rezervnih kopija %1 ne može da se napravi: %2")
                                 .arg(detail::ShownPath(dest), ErrorText()));
    m_path = MakeUniquePrivateDirectory(dest + QLatin1Char('/') + IncompletePrefix);
    if (m_path.isEmpty())
        throw dataset::Error(QStringLiteral("U folderu rezervnih kopija %1 ne može da se piše: %2")
                                 .arg(detail::ShownPath(dest), ErrorText()));
}

IncompleteBackup::~IncompleteBackup()
{
    if (!m_path.isEmpty())
        QDir(m_path).removeRecursively();
}

QString IncompleteBackup::DataPath() const
{
    return m_path + QLatin1Char('/') + QLatin1String(BackupDataName);
}

Backup IncompleteBackup::Keep(BackupManifest manifest)
{
    const QString data = DataPath();
    MakeOwnerOnly(m_path);
    for (const QString &file : FilesUnder(data)) {
        manifest.files.insert(file, Sha256(data + QLatin1Char('/') + file));
        manifest.size += QFileInfo(data + QLatin1Char('/') + file).size();
    }
    const QString manifestPath = m_path + QLatin1Char('/') + QLatin1String(ManifestName);
    const QByteArray json = manifest.ToJson();
    QFile out(manifestPath);
    if (!out.open(QIODevice::WriteOnly) || out.write(json) != json.size() || !out.flush())
        detail::ThrowCopyFailed(m_dest, dataset::Error(QStringLiteral("Opis kopije nije zapisan: %1").arg(out.errorString())));
    out.close();
    QFile::setPermissions(manifestPath, QFile::ReadOwner | QFile::WriteOwner);
    QString name = manifest.time.toString(NameFormat);
    for (int n = 2; QFileInfo::exists(m_dest + QLatin1Char('/') + name); ++n)
        name = manifest.time.toString(NameFormat) + QStringLiteral("-%1").arg(n);
    Backup backup{m_dest + QLatin1Char('/') + name, manifest};
    if (!QDir().rename(m_path, backup.path))
        throw dataset::Error(QStringLiteral("Rezervna kopija nije preimenovana u %1.").arg(detail::ShownPath(backup.path)));
    m_path.clear();
    return backup;
}

QByteArray BackupManifest::ToJson() const
{
    QJsonObject fileHashes;
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        fileHashes.insert(it.key(), it.value());
    QJsonArray list;
    for (const BackupDatabase &database : databases)
        list.append(QJsonObject{{QStringLiteral("name"), database.name},
                                {QStringLiteral("schemaVersion"), database.schemaVersion},
                                {QStringLiteral("documents"), database.documents},
                                {QStringLiteral("newestNumber"), database.newestNumber}});
    const QJsonObject root{{QStringLiteral("kind"), kind},
                           {QStringLiteral("time"), time.toUTC().toString(Qt::ISODate)},
                           {QStringLiteral("size"), size},
                           {QStringLiteral("logId"), logId},
                           {QStringLiteral("binlogFile"), binlogFile},
                           {QStringLiteral("binlogPosition"), binlogPosition},
                           {QStringLiteral("databases"), list},
                           {QStringLiteral("files"), fileHashes}};
    return QJsonDocument(root).toJson();
}

BackupManifest BackupManifest::FromJson(const QByteArray &json, const QString &path)
{
    QJsonParseError error{};
    const QJsonObject root = QJsonDocument::fromJson(json, &error).object();
    BackupManifest manifest;
    manifest.kind = root.value(QStringLiteral("kind")).toString();
    manifest.time = QDateTime::fromString(root.value(QStringLiteral("time")).toString(), Qt::ISODate);
    manifest.size = root.value(QStringLiteral("size")).toInteger();
    manifest.logId = root.value(QStringLiteral("logId")).toString();
    manifest.binlogFile = root.value(QStringLiteral("binlogFile")).toString();
    manifest.binlogPosition = root.value(QStringLiteral("binlogPosition")).toInteger();
    const QJsonObject files = root.value(QStringLiteral("files")).toObject();
    for (auto it = files.begin(); it != files.end(); ++it)
        manifest.files.insert(it.key(), it.value().toString());
    for (const QJsonValue &value : root.value(QStringLiteral("databases")).toArray()) {
        const QJsonObject object = value.toObject();
        manifest.databases.append({object.value(QStringLiteral("name")).toString(),
                                   object.value(QStringLiteral("schemaVersion")).toInt(),
                                   object.value(QStringLiteral("documents")).toInteger(),
                                   object.value(QStringLiteral("newestNumber")).toString()});
    }
    static const QRegularExpression logName(QStringLiteral("^[A-Za-z0-9_-]+\\.[0-9]+$"));
    static const QRegularExpression idText(QStringLiteral("^[0-9a-f]{16}$"));
    if (error.error != QJsonParseError::NoError || !manifest.time.isValid() || manifest.files.isEmpty()
        || !(manifest.kind.isEmpty() ? logName.match(manifest.binlogFile).hasMatch() && idText.match(manifest.logId).hasMatch()
                                     : manifest.kind == QLatin1String("dump")))
        throw dataset::Error(QStringLiteral("Opis rezervne kopije %1 nije ispravan.").arg(detail::ShownPath(path)));
    return manifest;
}

QString Backup::DataPath() const
{
    return path + QLatin1Char('/') + QLatin1String(BackupDataName);
}

namespace {

QString BackupSetting(const QString &key)
{
    const QSettings ini(QCoreApplication::applicationDirPath() + QStringLiteral("/parking-console.ini"),
                        QSettings::IniFormat);
    return ini.value(QStringLiteral("Backup/") + key).toString();
}

} // namespace

RetentionPolicy ConfiguredRetention()
{
    const QString text = BackupSetting(QStringLiteral("keep"));
    if (text.isEmpty())
        return {};
    const auto policy = RetentionPolicy::FromText(text);
    if (!policy)
        throw dataset::Error(QStringLiteral("[Backup] keep=%1 nije ispravno; očekuje se npr. \"7,4,12\" "
                                            "(dnevne, nedeljne, mesečne kopije).").arg(SafeText(text)));
    return *policy;
}

QStringList PruneBackups(const QString &dest, const RetentionPolicy &policy, const QDateTime &now)
{
    const QList<Backup> backups = ListBackups(dest);
    QList<BackupPoint> points;
    for (const Backup &backup : backups)
        points.append({backup.manifest.time, backup.manifest.logId});
    const QList<qsizetype> keep = BackupsToKeep(points, now, policy);
    QStringList removed;
    QHash<QString, QString> oldestLogNeeded; // log id → first file a kept backup needs
    QSet<QString> dropped;                   // logs a removed backup went on with
    for (qsizetype i = 0; i < backups.size(); ++i) {
        const Backup &backup = backups.at(i);
        if (keep.contains(i)) {
            if (!oldestLogNeeded.contains(backup.manifest.logId))
                oldestLogNeeded.insert(backup.manifest.logId, backup.manifest.binlogFile);
            continue;
        }
        // The manifest goes first, so a removal cut short never leaves a backup that looks whole.
        QFile::remove(backup.path + QLatin1Char('/') + QLatin1String(ManifestName));
        QDir(backup.path).removeRecursively();
        removed << detail::ShownPath(backup.path);
        dropped.insert(backup.manifest.logId);
    }
    for (const QString &log : std::as_const(dropped)) {
        const QString directory = BinaryLogDirectory(dest, log);
        const QStringList files = BinaryLogFiles(directory);
        // A log no kept backup goes on with is of no use; else only its part before them is.
        const qsizetype unused = oldestLogNeeded.contains(log) ? qMax<qsizetype>(0, files.indexOf(oldestLogNeeded.value(log)))
                                                              : files.size();
        for (const QString &file : files.mid(0, unused)) {
            QFile::remove(directory + QLatin1Char('/') + file);
            removed << detail::ShownPath(directory + QLatin1Char('/') + file);
        }
    }
    return removed;
}

QString DefaultBackupDirectory()
{
    const QString configured = BackupSetting(QStringLiteral("dir"));
    if (!configured.isEmpty())
        return configured;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/parking/backups");
}

QString BinaryLogId(const QString &dataDir)
{
    const QString path = dataDir + QLatin1Char('/') + LogIdFileName;
    static const QRegularExpression idText(QStringLiteral("^[0-9a-f]{16}$"));
    const QString stored = QString::fromLatin1(ReadPrivateFile(path)).trimmed();
    if (idText.match(stored).hasMatch())
        return stored;
    const QString made = QStringLiteral("%1").arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
    if (!stored.isEmpty())
        QFile::remove(path);
    if (WritePrivateFile(path, made.toLatin1() + '\n'))
        return made;
    // A backup and the follower starting together: the one that wrote first wins.
    const QString written = QString::fromLatin1(ReadPrivateFile(path)).trimmed();
    if (idText.match(written).hasMatch())
        return written;
    throw dataset::Error(QStringLiteral("Oznaka dnevnika izmena nije zapisana u %1: %2").arg(detail::ShownPath(path), ErrorText()));
}

QString BinaryLogDirectory(const QString &dest, const QString &logId)
{
    return dest + QStringLiteral("/log-") + logId;
}

QStringList BinaryLogFiles(const QString &directory)
{
    static const QRegularExpression logName(QStringLiteral("^%1\\.([0-9]+)$").arg(QLatin1String(BinaryLogBaseName)));
    QList<std::pair<qint64, QString>> numbered;
    for (const QString &name : QDir(directory).entryList(QDir::Files)) {
        const auto match = logName.match(name);
        if (match.hasMatch())
            numbered.append({match.captured(1).toLongLong(), name});
    }
    std::sort(numbered.begin(), numbered.end());
    QStringList names;
    for (const auto &entry : numbered)
        names << entry.second;
    return names;
}

Backup TakeBackup(PrivateServer &server, const QString &dest)
{
    server.Start();
    BackupManifest manifest;
    manifest.logId = BinaryLogId(server.DataDir());
    IncompleteBackup folder(dest);
    const QString data = folder.DataPath();
    const QString program = detail::BackupProgram();
    try {
        detail::RunTool(program,
                        {QStringLiteral("--no-defaults"), QStringLiteral("--backup"),
                         QStringLiteral("--target-dir=") + data, QStringLiteral("--datadir=") + server.DataDir(),
                         QStringLiteral("--socket=") + server.SocketPath(), QStringLiteral("--user=") + AdministratorName()},
                        QStringLiteral("Kopiranje baze"));
        manifest.time = QDateTime::currentDateTime();
        detail::RunTool(program, {QStringLiteral("--no-defaults"), QStringLiteral("--prepare"), QStringLiteral("--target-dir=") + data},
                        QStringLiteral("Priprema kopije"));
    } catch (const dataset::Error &error) {
        detail::ThrowCopyFailed(dest, error);
    }
    ReadBinlogPosition(data, manifest);
    dataset::Connection connection;
    connection.Connect(server.ConnectionParams());
    manifest.databases = detail::ReadDatabaseStats(connection);
    return folder.Keep(manifest);
}

QList<Backup> ListBackups(const QString &dest)
{
    static const QRegularExpression backupName(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2}(-\\d+)?$"));
    QList<Backup> backups;
    for (const QString &name : QDir(dest).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString path = dest + QLatin1Char('/') + name;
        const QString manifestPath = path + QLatin1Char('/') + QLatin1String(ManifestName);
        if (!backupName.match(name).hasMatch() || !QFileInfo(manifestPath).isFile())
            continue;
        QFile file(manifestPath);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        backups.append({path, BackupManifest::FromJson(file.readAll(), manifestPath)});
    }
    std::sort(backups.begin(), backups.end(),
              [](const Backup &a, const Backup &b) { return a.manifest.time < b.manifest.time; });
    return backups;
}

QStringList DamagedFiles(const Backup &backup)
{
    const QString data = backup.DataPath();
    QStringList damaged;
    const QStringList present = FilesUnder(data);
    for (auto it = backup.manifest.files.cbegin(); it != backup.manifest.files.cend(); ++it) {
        if (!present.contains(it.key()))
            damaged << QStringLiteral("%1 (nedostaje)").arg(detail::ShownPath(it.key()));
        else if (Sha256(data + QLatin1Char('/') + it.key()) != it.value())
            damaged << QStringLiteral("%1 (promenjena)").arg(detail::ShownPath(it.key()));
    }
    for (const QString &file : present)
        if (!backup.manifest.files.contains(file))
            damaged << QStringLiteral("%1 (višak)").arg(detail::ShownPath(file));
    return damaged;
}

QString Describe(const Backup &backup)
{
    QStringList documents;
    for (const BackupDatabase &database : backup.manifest.databases)
        documents << QStringLiteral("%1: %2 dok., poslednji %3")
                         .arg(SafeText(database.name)).arg(database.documents).arg(SafeText(database.newestNumber));
    return QStringLiteral("%1  %2 MB  %3").arg(backup.manifest.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
        .arg(double(backup.manifest.size) / (1024 * 1024), 0, 'f', 1)
        .arg(documents.join(QStringLiteral("; ")));
}

} // namespace dbserver
