#include "backupfile.h"

#include "files/idtablefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

// Enough for every backup one device can get within one second.
constexpr int MaxNameAttempts = 1000;

QString devicePart(const QString &device)
{
    const qsizetype cut = std::max(device.lastIndexOf(u'/'), device.lastIndexOf(u'\\'));
    QString part = device.mid(cut + 1);
    for (QChar &c : part) {
        const bool safe = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')
            || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_' || c == u'.';
        if (!safe)
            c = u'_';
    }
    // No hidden file, and no name that is only dots.
    while (part.startsWith(u'.'))
        part.remove(0, 1);
    return part.isEmpty() ? u"unit"_s : part;
}

} // namespace

QString backupFileName(const QString &device, const QDateTime &time)
{
    return u"%1-%2.csv"_s.arg(devicePart(device), time.toString(u"yyyyMMdd-HHmmss"_s));
}

BackupFolderFault checkBackupFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return BackupFolderFault::Missing;
    if (!info.isDir())
        return BackupFolderFault::NotAFolder;
    // The save's own first step, on a name no backup takes.
    if (!canSaveIdCodeTable(QDir(folder).filePath(u".kalvidor-backup-check.csv"_s)))
        return BackupFolderFault::NotWritable;
    return BackupFolderFault::None;
}

QString saveBackup(
    const QString &folder, const QString &device, const QDateTime &time, const IdCodeTable &table)
{
    const QDir dir(folder);
    const QString name = backupFileName(device, time);
    for (int attempt = 1; attempt <= MaxNameAttempts; ++attempt) {
        const QString path
            = dir.filePath(attempt == 1 ? name : name.chopped(4) + u"-%1.csv"_s.arg(attempt));
        // The name is taken by creating the file, which fails when one is
        // there: no other backup, even one made at the same moment, gets it.
        // The atomic save then replaces only this empty file of its own.
        QFile reserved(path);
        if (!reserved.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
                continue;
            return {};
        }
        reserved.close();
        if (!saveIdCodeTable(path, table)) {
            QFile::remove(path);
            return {};
        }
        return QDir::toNativeSeparators(path);
    }
    return {};
}

} // namespace kalvidor
