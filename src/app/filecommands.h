#pragma once

#include "table/idcodetable.h"

#include <QString>

namespace kalvidor {

class MainWindow;

// The file menu "ファイル(F)" of the main window and the table file it reads
// at start-up. The window's handlers call these; they reach the window only
// through its public operations.

// Start-up: reads the table file beside the program into the table, which
// still holds its initial zeros, or applies the defaults when no file is
// there. Returns whether a file was there: a file that exists but cannot be
// read leaves the zeros and still counts as there, without a message.
bool LoadStartupTable(const QString &path, IdCodeTable &table);

// mnu_保存 "CSV保存": gathers the window and saves the table under a chosen
// name, which becomes CurrentFilePath. A failed save is reported.
void SaveTableAs(MainWindow &window);

// mnu_読込み "CSV読込み": loads a chosen file that exists and shows it. A file
// that exists but cannot be read is reported and changes nothing.
void LoadTableFrom(MainWindow &window);

// What the window does when it is about to close, by the exit command or any
// other way: when the table was modified, asks whether to save, and on OK
// saves to the table file beside the program. Returns whether the window may
// close: false only when that save failed, so that the edits are not lost.
bool ConfirmClose(MainWindow &window);

} // namespace kalvidor
