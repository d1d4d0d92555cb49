#include "unitoperations.h"

#include "app/mainwindow.h"
#include "app/commwindow.h"
#include "link/unitlink.h"
#include "app/portdialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <QTimer>

namespace kalvidor {

UnitOperations::UnitOperations(MainWindow &window)
    : QObject(&window)
    , m_window(window)
{
    const MainWindowServices &services = window.services();
    m_link = std::make_unique<UnitLink>(
        LinkConfig { services.programDir, services.linkLimits, services.linkTickInterval },
        *services.messenger);
    m_commWindow = new CommWindow(*m_link, &window);
    UnitCommandHost &host = *this;
    m_commands = std::make_unique<UnitCommands>(*m_link, window.table(), *services.messenger, host);
    m_link->load();

    connect(m_link.get(), &UnitLink::receiveDisplayReplaced, &window, &MainWindow::setReceivedText);
    connect(m_link.get(), &UnitLink::receiveDisplayAppended, &window,
        [&window](const QString &text) { window.setReceivedText(window.receivedText() + text); });
    connect(&window, &MainWindow::receiveDisplayCleared, m_link.get(), &UnitLink::Init_Ibuf);

    UnitCommands *commands = m_commands.get();
    connect(window.action(MainCommand::WriteToUnit), &QAction::triggered, commands,
        &UnitCommands::writeToUnit);
    connect(window.writeButton(), &QAbstractButton::clicked, commands, &UnitCommands::writeToUnit);
    connect(window.action(MainCommand::ReadFromUnit), &QAction::triggered, commands,
        &UnitCommands::readFromUnit);
    connect(window.action(MainCommand::CompareWithUnit), &QAction::triggered, commands,
        &UnitCommands::compareWithUnit);
    connect(window.action(MainCommand::PortSettings), &QAction::triggered, this,
        &UnitOperations::openPortDialog);

    connect(commands, &UnitCommands::progress, m_commWindow, &CommWindow::setProgress);
    connect(commands, &UnitCommands::runningChanged, this, &UnitOperations::setRunning);
    window.installEventFilter(this);
}

UnitOperations::~UnitOperations()
{
    // The dialog has no owner window but uses the link.
    delete m_portDialog;
}

void UnitOperations::openPortDialog()
{
    if (m_portDialog) {
        m_portDialog->raise();
    } else {
        // Fresh at every opening, so that it shows what is stored now.
        m_portDialog = new PortDialog(m_window.programDir(), *m_link);
        m_portDialog->show();
    }
    m_portDialog->activateWindow();
}

bool UnitOperations::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_window && event->type() == QEvent::Close && isRunning()) {
        // The window closes once the command has ended.
        m_closePending = true;
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void UnitOperations::gatherTable()
{
    m_window.gatherAtCurrentPositions();
}

void UnitOperations::showTable()
{
    m_window.ShowTable();
}

void UnitOperations::showLinkWindow()
{
    m_commWindow->show();
}

void UnitOperations::hideLinkWindow()
{
    m_commWindow->hide();
}

void UnitOperations::setRunning(bool running)
{
    if (running)
        m_focusBeforeRun = m_window.focusWidget();
    // The window keeps painting; it only takes no input.
    m_window.menuBar()->setEnabled(!running);
    m_window.centralWidget()->setEnabled(!running);
    if (running)
        return;

    if (m_focusBeforeRun && m_focusBeforeRun->isEnabled() && m_window.isActiveWindow())
        m_focusBeforeRun->setFocus(Qt::OtherFocusReason);
    m_focusBeforeRun.clear();
    if (m_closePending) {
        m_closePending = false;
        // After the command has returned, not from inside it.
        QTimer::singleShot(0, &m_window, &QWidget::close);
    }
}

} // namespace kalvidor
