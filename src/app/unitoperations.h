#pragma once

#include "app/mainwindowservices.h"
#include "app/portdialog.h"
#include "messages/unitmessages.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

namespace kalvidor {

class LinkWindow;
class MainWindow;
class Messenger;
class TableDocument;
class UnitLink;
class UnitSession;

// The unit side of the program: the link and its window frm_Comm, the write,
// read and compare operations, and the port dialog. Created after the main
// window; frm_Comm starts hidden and the link loaded, that is with the stored
// port opened (silently, if it can be).
//
// Each operation takes what the user typed from the window where the table
// is read, runs its sequence on the document's table in the session, lets
// the window show the result and shows the outcome's message boxes. While an
// operation is in progress, from that gathering to its last message, the
// main window takes no commands: its menus and its client area are
// disabled, and a close waits until the operation has ended.
class UnitOperations : public QObject
{
    Q_OBJECT

public:
    UnitOperations(TableDocument &document, MainWindow &window, const MainWindowServices &services);
    ~UnitOperations() override;

    UnitLink &link() const { return *m_link; }
    UnitSession &session() const { return *m_session; }
    LinkWindow *linkWindow() const { return m_linkWindow; }
    // Whether an operation is in progress.
    bool isRunning() const { return m_operation.has_value(); }

    // "NELORへ流し込み" and the button "ID登録".
    void writeToUnit();
    // "NELORから読込み".
    void readFromUnit();
    // "比較確認".
    void compareWithUnit();

    // "通信ポート設定": opens dlg_PortNo, or brings the open one to the front.
    void openPortDialog();
    // The open port dialog, if any.
    PortDialog *portDialog() const { return m_portDialog; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class OperationScope;

    // Every operation: none while another is in progress; gathers the window
    // (a read does not: the unit's values replace the table), shows the link
    // window (a compare leaves it as it is), runs `sequence`, which returns
    // the last message, hides the link window and shows that message.
    void runOperation(
        UnitOperation operation, const std::function<std::optional<Message>()> &sequence);
    void onCommandFailed(const SequenceOutcome &failure);
    void showUnitText(const QString &text);
    void hideLinkWindow();
    void tell(const std::optional<Message> &message);
    void setInputEnabled(bool enabled);

    TableDocument &m_document;
    MainWindow &m_window;
    Messenger &m_messenger;
    QString m_programDir;
    std::unique_ptr<UnitLink> m_link;
    std::unique_ptr<UnitSession> m_session;
    LinkWindow *m_linkWindow = nullptr;
    // The operation in progress; its messages are worded for it.
    std::optional<UnitOperation> m_operation;
    QPointer<PortDialog> m_portDialog;
    QPointer<QWidget> m_focusBeforeRun;
    bool m_closePending = false;
};

} // namespace kalvidor
