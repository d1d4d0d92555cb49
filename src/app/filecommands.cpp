#include "filecommands.h"

#include "app/mainwindow.h"
#include "common/filedialogs.h"
#include "files/idtablefile.h"
#include "messages/messenger.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

// One entry: description "(*.csv)", pattern "*.csv".
const QString CsvFilter = u"(*.csv)|*.csv"_s;

// The dialogs open in the folder of the current table file.
FileDialogs *fileDialogsOf(MainWindow &window)
{
    FileDialogs *dialogs = window.services().fileDialogs;
    Q_ASSERT(dialogs);
    if (dialogs)
        dialogs->setFolder(QFileInfo(window.currentFilePath()).absolutePath());
    return dialogs;
}

void reportSaveFailure(MainWindow &window)
{
    window.services().messenger->warn(u"設定の保存に失敗しました。"_s);
}

// The save both "CSV保存" and the exit question end in: the window's fields
// into the table, the table into CurrentFilePath.
bool gatherAndSave(MainWindow &window)
{
    // Out-of-range parameters are reported and keep their old values; the
    // save goes on with them.
    window.gatherAtCurrentPositions();
    return SaveIdCodeTable(window.currentFilePath(), window.table());
}

} // namespace

bool LoadStartupTable(const QString &path, IdCodeTable &table)
{
    if (!QFileInfo::exists(path)) {
        ResetTableToDefaults(table);
        return false;
    }
    // Nothing is reported at start-up: a file that cannot be read leaves the
    // table as it starts, all zeros.
    LoadIdCodeTable(path, table);
    return true;
}

void SaveTableAs(MainWindow &window)
{
    FileDialogs *dialogs = fileDialogsOf(window);
    if (!dialogs)
        return;
    const QString path = dialogs->saveFileName(u"設定の保存"_s, CsvFilter);
    if (path.isEmpty())
        return; // cancelled
    // The name is kept as typed: no extension is added.
    window.setCurrentFilePath(path);
    // The label keeps showing the file last loaded; Modified stays as it is.
    if (!gatherAndSave(window))
        reportSaveFailure(window);
}

void LoadTableFrom(MainWindow &window)
{
    FileDialogs *dialogs = fileDialogsOf(window);
    if (!dialogs)
        return;
    const QString path = dialogs->openFileName(u"設定の読込み"_s, CsvFilter);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return; // cancelled, or a name that is not there
    // The window is not gathered first: the file replaces what the fields
    // show, and the table keeps the slots the file does not reach.
    if (LoadIdCodeTable(path, window.table()) != LoadOutcome::Loaded) {
        // The table is untouched; so are CurrentFilePath and the label.
        window.services().messenger->warn(u"設定の読込みに失敗しました。"_s);
        return;
    }
    window.setCurrentFilePath(path);
    window.ShowTable();
    window.showCurrentFilePath();
}

bool ConfirmClose(MainWindow &window)
{
    if (!window.table().Modified)
        return true;
    const MessageAnswer answer = window.services().messenger->show({ u"設定内容を保存しますか"_s,
        MessageIcon::Information, MessageButtons::OkCancel, applicationTitle(), {} });
    if (answer != MessageAnswer::Ok)
        return true; // Cancel does not cancel the exit; nothing is saved
    // The save at exit always goes to the file beside the program, whatever
    // file was loaded or saved before.
    window.setCurrentFilePath(tableFilePath(window.programDir()));
    if (gatherAndSave(window))
        return true;
    // Stay open so that the user can save the table elsewhere.
    reportSaveFailure(window);
    return false;
}

} // namespace kalvidor
