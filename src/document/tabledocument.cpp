#include "tabledocument.h"

#include <QFileInfo>

namespace kalvidor {

TableDocument::TableDocument(QString programDir, QObject *parent)
    : QObject(parent)
    , m_programDir(std::move(programDir))
    , m_filePath(tableFilePath(m_programDir))
{
}

bool TableDocument::loadAtStartUp(TableFileCheck *check)
{
    m_filePath = tableFilePath(m_programDir);
    if (!QFileInfo::exists(m_filePath)) {
        resetTableToDefaults(m_table);
        // The defaults are not saved yet.
        m_modified = true;
        return false;
    }
    // A file that cannot be read is not reported: it leaves the table as it
    // starts, all zeros.
    loadIdCodeTable(m_filePath, m_table, TableFileStrictness::Lenient, check);
    m_modified = false;
    return true;
}

LoadOutcome TableDocument::load(const QString &path, TableFileCheck *check)
{
    const LoadOutcome outcome = loadIdCodeTable(path, m_table, TableFileStrictness::Lenient, check);
    if (outcome == LoadOutcome::Loaded) {
        m_filePath = path;
        emit fileLoaded(path);
    }
    return outcome;
}

bool TableDocument::saveAs(const QString &path)
{
    m_filePath = path;
    return saveIdCodeTable(path, m_table);
}

bool TableDocument::saveToProgramFolder()
{
    return saveAs(tableFilePath(m_programDir));
}

void TableDocument::reset(QStringView typedBaseId)
{
    clearTableKeepingBasePrefix(m_table, typedBaseId);
}

} // namespace kalvidor
