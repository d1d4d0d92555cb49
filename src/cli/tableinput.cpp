#include "tableinput.h"

#include <QFileInfo>

namespace kalvidor {

TableInput readTableInput(const QString &path)
{
    TableInput input;
    const QFileInfo info(path);
    if (!info.exists()) {
        input.status = TableInputStatus::Missing;
        return input;
    }
    if (info.isDir()) {
        input.status = TableInputStatus::Folder;
        return input;
    }
    switch (loadIdCodeTable(path, input.table, TableFileStrictness::Strict, &input.check)) {
    case LoadOutcome::Loaded:
        input.status = TableInputStatus::Read;
        break;
    case LoadOutcome::CannotOpen:
        input.status = TableInputStatus::Unreadable;
        break;
    case LoadOutcome::NotATable:
        input.status = TableInputStatus::NotATable;
        break;
    }
    return input;
}

} // namespace kalvidor
