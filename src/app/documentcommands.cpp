#include "documentcommands.h"

#include "app/filedialogs.h"
#include "app/mainwindow.h"
#include "document/tabledocument.h"
#include "messages/filemessages.h"
#include "messages/messenger.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

// One entry: description "(*.csv)", pattern "*.csv".
const QString CsvFilter = u"(*.csv)|*.csv"_s;

} // namespace

DocumentCommands::DocumentCommands(
    TableDocument &document, MainWindow &window, Messenger &messenger, FileDialogs *fileDialogs)
    : m_document(document)
    , m_window(window)
    , m_messenger(messenger)
    , m_fileDialogs(fileDialogs)
{
}

FileDialogs *DocumentCommands::dialogs()
{
    Q_ASSERT(m_fileDialogs);
    // The dialogs open in the folder of the current table file.
    if (m_fileDialogs)
        m_fileDialogs->setFolder(QFileInfo(m_document.filePath()).absolutePath());
    return m_fileDialogs;
}

void DocumentCommands::reportSaveFailure()
{
    m_messenger.warn(u"設定の保存に失敗しました。"_s);
}

void DocumentCommands::saveAs()
{
    FileDialogs *fileDialogs = dialogs();
    if (!fileDialogs)
        return;
    const QString path = fileDialogs->saveFileName(u"設定の保存"_s, CsvFilter);
    if (path.isEmpty())
        return; // cancelled
    // The name is kept as typed: no extension is added. The label keeps
    // showing the file last loaded; Modified stays as it is.
    m_window.gather();
    if (!m_document.saveAs(path))
        reportSaveFailure();
}

void DocumentCommands::load()
{
    FileDialogs *fileDialogs = dialogs();
    if (!fileDialogs)
        return;
    const QString path = fileDialogs->openFileName(u"設定の読込み"_s, CsvFilter);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return; // cancelled, or a name that is not there
    // The window is not gathered first: the file replaces what the fields
    // show, and the table keeps the slots the file does not reach.
    TableFileCheck check;
    if (m_document.load(path, &check) != LoadOutcome::Loaded) {
        // The table is untouched; so are the document's file and the label.
        m_messenger.warn(u"設定の読込みに失敗しました。"_s);
        return;
    }
    m_window.showTable();
    reportFileFault(check);
}

void DocumentCommands::reportFileFault(const TableFileCheck &check)
{
    if (!check.isWellFormed())
        m_messenger.show(loadedFileFaultMessage(check));
}

void DocumentCommands::reset()
{
    m_document.reset(m_window.typedBaseId());
    m_window.showTable();
}

bool DocumentCommands::confirmClose()
{
    if (!m_document.isModified())
        return true;
    const MessageAnswer answer = m_messenger.show({ u"設定内容を保存しますか"_s,
        MessageIcon::Information, MessageButtons::OkCancel, applicationTitle(), {} });
    if (answer != MessageAnswer::Ok)
        return true; // Cancel does not cancel the exit; nothing is saved
    // The save at exit always goes to the file beside the program, whatever
    // file was loaded or saved before.
    m_window.gather();
    if (m_document.saveToProgramFolder())
        return true;
    // Stay open so that the user can save the table elsewhere.
    reportSaveFailure();
    return false;
}

} // namespace kalvidor
