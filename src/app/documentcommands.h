#pragma once

#include <QObject>

namespace kalvidor {

struct TableFileCheck;
class FileDialogs;
class MainWindow;
class Messenger;
class TableDocument;

// The commands that act on the document as a whole: "CSV保存", "CSV読込み",
// "初期設定に戻す", and the save question when the window closes. Each takes
// what the user typed from the window first where the table is read, acts on
// the document, and lets the window show the result.
class DocumentCommands : public QObject
{
    Q_OBJECT

public:
    DocumentCommands(TableDocument &document, MainWindow &window, Messenger &messenger,
        FileDialogs *fileDialogs);

    // mnu_保存 "CSV保存": gathers the window and saves the table under a
    // chosen name, which becomes the document's file. A failed save is
    // reported.
    void saveAs();
    // mnu_読込み "CSV読込み": loads a chosen file that exists and shows it. A
    // file that exists but cannot be read is reported and changes nothing;
    // one that is not a well-formed table file is loaded as far as it reads,
    // and then reported.
    void load();
    // mnu_Reset "初期設定に戻す": clears every ID, keeping the typed base ID's
    // upper digits, and shows the result. Asks nothing.
    void reset();
    // Before the window closes, by the exit command or any other way: when
    // the table was modified, asks whether to save, and on OK saves to the
    // table file beside the program. Returns whether the window may close:
    // false only when that save failed, so that the edits are not lost.
    bool confirmClose();
    // Says what sets a loaded file apart from a table file (nothing for a
    // well-formed one): after CSV読込み, and after the start-up load once the
    // window is up.
    void reportFileFault(const TableFileCheck &check);

private:
    FileDialogs *dialogs();
    void reportSaveFailure();

    TableDocument &m_document;
    MainWindow &m_window;
    Messenger &m_messenger;
    FileDialogs *m_fileDialogs;
};

} // namespace kalvidor
