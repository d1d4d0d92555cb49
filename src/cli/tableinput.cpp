#include "tableinput.h"

#include "files/idtablefile.h"

#include <QFileInfo>

#include <limits>

namespace kalvidor {

namespace {

// Values the loader never stores: an ID it reads lies within -1 to
// MaxIdValue, a parameter within its range (or takes its default). A slot
// still holding one after the load was not reached by the file.
constexpr qint32 UnreadId = std::numeric_limits<qint32>::min();
constexpr qint16 UnreadParameter = 0;

} // namespace

TableInput readTableAsShown(const QString &path)
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

    // Loaded over placeholders rather than over the defaults, so that a file
    // that gives no value at all shows. Each value the loader stores depends
    // on its line alone, so filling the placeholders with the defaults
    // afterwards gives the table a load over the defaults gives.
    IdCodeTable loaded;
    loaded.ids.fill(UnreadId);
    loaded.holdTime = UnreadParameter;
    loaded.operatorAllowance = UnreadParameter;
    const IdCodeTable untouched = loaded;
    if (loadIdCodeTable(path, loaded) != LoadOutcome::Loaded) {
        input.status = TableInputStatus::Unreadable;
        return input;
    }
    if (loaded == untouched) {
        input.status = TableInputStatus::NoValue;
        return input;
    }
    for (qint32 &id : loaded.ids) {
        if (id == UnreadId)
            id = DefaultBaseId;
    }
    if (loaded.holdTime == UnreadParameter)
        loaded.holdTime = DefaultHoldTime;
    if (loaded.operatorAllowance == UnreadParameter)
        loaded.operatorAllowance = DefaultOperatorAllowance;

    // The window shows the table with every list at its top; a write or a
    // compare gathers it back from the fields.
    input.table = loaded;
    input.gathered = gatherTexts(input.table, shownTexts(input.table, {}), {});
    input.status = TableInputStatus::Read;
    return input;
}

} // namespace kalvidor
