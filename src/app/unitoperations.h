#pragma once

#include "app/portdialog.h"
#include "ops/unitcommands.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace kalvidor {

class CommWindow;
class MainWindow;
class UnitLink;

// The main window's side of the unit: the link and its window frm_Comm, the
// write, read and compare commands, and the port dialog. Created by the main
// window at the end of its start-up; frm_Comm starts hidden and the link
// loaded, that is with the stored port opened (silently, if it can be).
//
// While a command runs the main window takes no commands: its menus and its
// client area are disabled, and a close waits until the command has ended.
class UnitOperations : public QObject, private UnitCommandHost
{
    Q_OBJECT

public:
    explicit UnitOperations(MainWindow &window);
    ~UnitOperations() override;

    UnitLink &link() { return *m_link; }
    CommWindow *commWindow() const { return m_commWindow; }
    UnitCommands &commands() { return *m_commands; }
    bool isRunning() const { return m_commands->isRunning(); }

    // mnu_comp設定 "通信ポート設定": opens dlg_PortNo, or brings the open one
    // to the front.
    void openPortDialog();
    // The open port dialog, if any.
    PortDialog *portDialog() const { return m_portDialog; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void gatherTable() override;
    void showTable() override;
    void showLinkWindow() override;
    void hideLinkWindow() override;

    void setRunning(bool running);

    MainWindow &m_window;
    std::unique_ptr<UnitLink> m_link;
    CommWindow *m_commWindow = nullptr;
    std::unique_ptr<UnitCommands> m_commands;
    QPointer<PortDialog> m_portDialog;
    QPointer<QWidget> m_focusBeforeRun;
    bool m_closePending = false;
};

} // namespace kalvidor
