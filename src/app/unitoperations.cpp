#include "unitoperations.h"

#include "app/commwindow.h"
#include "app/mainwindow.h"
#include "app/portdialog.h"
#include "document/tabledocument.h"
#include "link/unitlink.h"
#include "ops/unitsession.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QTimer>

namespace kalvidor {

UnitOperations::UnitOperations(
    TableDocument &document, MainWindow &window, const MainWindowServices &services)
    : m_document(document)
    , m_window(window)
    , m_messenger(*services.messenger)
    , m_programDir(services.programDir)
    , m_link(std::make_unique<UnitLink>(
          LinkConfig { services.programDir, services.linkLimits, services.linkTickInterval }))
    , m_session(std::make_unique<UnitSession>(*m_link))
    , m_commWindow(new CommWindow(&window))
{
    m_link->load();
    // Polished and with its platform window now, so that showing it does not
    // add to the first transfer.
    m_commWindow->ensurePolished();
    m_commWindow->winId();

    connect(m_link.get(), &UnitLink::commandSent, m_commWindow, &CommWindow::showCommand);
    connect(m_link.get(), &UnitLink::replyReceived, m_commWindow, &CommWindow::showReply);
    connect(m_link.get(), &UnitLink::unitTextReceived, this, &UnitOperations::showUnitText);
    connect(&window, &MainWindow::receiveDisplayCleared, m_link.get(), &UnitLink::clearReceived);

    connect(m_session.get(), &UnitSession::progress, m_commWindow, &CommWindow::setProgress);
    connect(m_session.get(), &UnitSession::commandFailed, this, &UnitOperations::onCommandFailed);

    window.installEventFilter(this);
}

UnitOperations::~UnitOperations()
{
    m_window.removeEventFilter(this);
    // The dialog has no owner window but uses the link.
    delete m_portDialog;
    delete m_commWindow;
}

// Marks a command as running for its whole length, its messages included.
class UnitOperations::RunningScope
{
public:
    RunningScope(UnitOperations &operations, UnitOperation operation)
        : m_operations(operations)
    {
        m_operations.m_operation = operation;
        m_operations.setRunning(true);
    }
    ~RunningScope() { m_operations.setRunning(false); }
    RunningScope(const RunningScope &) = delete;
    RunningScope &operator=(const RunningScope &) = delete;

private:
    UnitOperations &m_operations;
};

bool UnitOperations::isRunning() const
{
    return m_running;
}

void UnitOperations::writeToUnit()
{
    if (isRunning())
        return;
    const RunningScope running(*this, UnitOperation::Write);
    m_window.gather();
    showLinkWindow();
    const SequenceOutcome outcome = m_session->write(m_document.table());
    hideLinkWindow();
    tell(writeOutcomeMessage(outcome));
}

void UnitOperations::readFromUnit()
{
    if (isRunning())
        return;
    const RunningScope running(*this, UnitOperation::Read);
    // The window is not gathered: the unit's values replace the table's.
    showLinkWindow();
    const ReadOutcome outcome = m_session->read(m_document.table());
    // Once the IDs have come, the window shows them, whatever the parameters did.
    if (outcome.completed() || outcome.step != TransferStep::Ids)
        m_window.showTable();
    hideLinkWindow();
    tell(readOutcomeMessage(outcome));
}

void UnitOperations::compareWithUnit()
{
    if (isRunning())
        return;
    const RunningScope running(*this, UnitOperation::Compare);
    m_window.gather();
    // frm_Comm stays as it is.
    const CompareOutcome outcome = m_session->compare(m_document.table());
    m_commWindow->flush();
    tell(compareOutcomeMessage(outcome, m_document.table()));
}

void UnitOperations::onCommandFailed(TransferStep step, ExchangeStatus status)
{
    // Without a port there is nothing to watch.
    if (status == ExchangeStatus::PortNotOpen && step == TransferStep::Ids)
        hideLinkWindow();
    tell(commandFailureMessage(m_operation, step, status));
}

void UnitOperations::showUnitText(const QString &text)
{
    m_window.setReceivedText(receiveDisplayWith(m_window.receivedText(), text));
}

void UnitOperations::showLinkWindow()
{
    m_commWindow->show();
}

void UnitOperations::hideLinkWindow()
{
    m_commWindow->flush();
    m_commWindow->hide();
}

void UnitOperations::tell(const std::optional<Message> &message)
{
    if (message)
        m_messenger.show(*message);
}

void UnitOperations::openPortDialog()
{
    if (m_portDialog) {
        m_portDialog->raise();
    } else {
        // Fresh at every opening, so that it shows what is stored now.
        m_portDialog = new PortDialog(m_programDir, *m_link);
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

void UnitOperations::setRunning(bool running)
{
    m_running = running;
    emit runningChanged(running);
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
