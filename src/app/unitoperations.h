#pragma once

#include "app/mainwindowservices.h"
#include "app/portdialog.h"
#include "messages/unitmessages.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

namespace kalvidor {

class CommWindow;
class MainWindow;
class Messenger;
class TableDocument;
class UnitLink;
class UnitSession;

// The unit side of the program: the link and its window frm_Comm, the write,
// read and compare commands, and the port dialog. Created after the main
// window; frm_Comm starts hidden and the link loaded, that is with the stored
// port opened (silently, if it can be).
//
// Each command takes what the user typed from the window where the table is
// read, runs its sequence on the document's table in the session, lets the
// window show the result and tells the outcome. While a command runs the main window takes
// no commands: its menus and its client area are disabled, and a close waits
// until the command has ended.
class UnitOperations : public QObject
{
    Q_OBJECT

public:
    UnitOperations(
        TableDocument &document, MainWindow &window, const MainWindowServices &services);
    ~UnitOperations() override;

    UnitLink &link() const { return *m_link; }
    UnitSession &session() const { return *m_session; }
    CommWindow *commWindow() const { return m_commWindow; }
    bool isRunning() const;

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

signals:
    // A command started, or ended after its last message.
    void runningChanged(bool running);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class RunningScope;

    void setRunning(bool running);
    void onCommandFailed(TransferStep step, ExchangeStatus status);
    void showUnitText(const QString &text);
    void showLinkWindow();
    void hideLinkWindow();
    void tell(const std::optional<Message> &message);

    TableDocument &m_document;
    MainWindow &m_window;
    Messenger &m_messenger;
    QString m_programDir;
    std::unique_ptr<UnitLink> m_link;
    std::unique_ptr<UnitSession> m_session;
    CommWindow *m_commWindow = nullptr;
    UnitOperation m_operation = UnitOperation::Write;
    QPointer<PortDialog> m_portDialog;
    QPointer<QWidget> m_focusBeforeRun;
    bool m_running = false;
    bool m_closePending = false;
};

} // namespace kalvidor
