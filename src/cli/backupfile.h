#pragma once

#include "table/idcodetable.h"

#include <QDateTime>
#include <QString>

namespace kalvidor {

// The name of a backup of the unit on device taken at time:
// "<device>-<yyyyMMdd>-<HHmmss>.csv", the device reduced to the last part of
// its path in characters every file system takes ("COM5", "ttyUSB0").
QString backupFileName(const QString &device, const QDateTime &time);

// Why a folder takes no backup.
enum class BackupFolderFault { None, Missing, NotAFolder, NotWritable };

// Checked before the unit is asked, so that no read is spent on a folder
// that takes no file. The save itself can still fail (a full disk).
BackupFolderFault checkBackupFolder(const QString &folder);

// Saves the table into folder as backupFileName(device, time) in the table
// file's layout, atomically. A file of that name already there is left as
// it is: the backup takes the first free name with "-2", "-3", … before
// ".csv". Returns the path saved to (in the folder as given, with the
// system's separators), or an empty text when the save failed; nothing is
// left behind then.
QString saveBackup(
    const QString &folder, const QString &device, const QDateTime &time, const IdCodeTable &table);

} // namespace kalvidor
