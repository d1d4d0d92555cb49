#pragma once

#include "files/idtablefile.h"
#include "table/idcodetable.h"

#include <QObject>
#include <QString>

namespace kalvidor {

// The ID code table the user edits, the table file it belongs to and whether
// it changed since it was loaded or saved. Every command acts on it: the file
// commands load and save it, the reset clears it, the unit operations write it
// to the unit or read the unit into it. The main window shows it and hands
// back what the user typed.
class TableDocument : public QObject
{
    Q_OBJECT

public:
    // programDir holds the program's own table file, IdCodeTable.csv.
    explicit TableDocument(QString programDir, QObject *parent = nullptr);

    QString programDir() const { return m_programDir; }
    IdCodeTable &table() { return m_table; }
    const IdCodeTable &table() const { return m_table; }

    // The file the save command writes and the file dialogs start in. The
    // program folder's table file until a file is loaded or saved.
    QString filePath() const { return m_filePath; }

    // Whether the table has changed since it was loaded or saved: the exit
    // asks about saving when it has.
    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    // Start-up: reads the program folder's table file into the table, which
    // still holds its initial zeros, or applies the defaults when there is
    // no file. Returns whether a file was there: a file that exists but
    // cannot be read leaves the zeros and still counts as there. The table
    // counts as modified exactly when there was none. *check (when given)
    // says what sets the file apart from a table file.
    bool loadAtStartUp(TableFileCheck *check = nullptr);
    // Reads a file over the table: slots the file does not reach keep their
    // values. On success the file becomes the document's file; a file that
    // cannot be read changes nothing. *check as for loadAtStartUp().
    LoadOutcome load(const QString &path, TableFileCheck *check = nullptr);
    // Saves the table to a file, which becomes the document's file whether
    // or not the save succeeds. Returns whether it did.
    bool saveAs(const QString &path);
    // The save at exit: always to the program folder's table file.
    bool saveToProgramFolder();
    // "初期設定に戻す": every ID emptied, the base ID keeping its upper digits
    // as the user typed them, the parameters at their defaults.
    void reset(QStringView typedBaseId);

signals:
    // load() made the table the file's: the window shows the file's name.
    void fileLoaded(const QString &path);

private:
    QString m_programDir;
    IdCodeTable m_table;
    QString m_filePath;
    bool m_modified = false;
};

} // namespace kalvidor
