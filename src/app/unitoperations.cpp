#include "unitoperations.h"

#include "app/linkwindow.h"
#include "app/mainwindow.h"
#include "app/portdialog.h"
#include "document/tabledocument.h"
#include "files/idtablefile.h"
#include "link/unitlink.h"
#include "ports/portsettings.h"
#include "session/unitsession.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QTimer>

#include <functional>

namespace kalvidor {

UnitOperations::UnitOperations(
    TableDocument &document, MainWindow &window, const MainWindowServices &services)
    : m_document(document)
    , m_window(window)
    , m_messenger(*services.messenger)
    , m_programDir(services.programDir)
    , m_link(std::make_unique<UnitLink>(
          LinkConfig { .device = StoredPortDevice(settingsFilePath(services.programDir)),
              .limits = services.linkLimits,
              .tickInterval = services.linkTickInterval }))
    , m_session(std::make_unique<UnitSession>(*m_link))
    , m_linkWindow(new LinkWindow(&window))
{
    // The stored port opens once the event loop runs, after the main window
    // has been shown: opening a port can take long (a driver that does not
    // answer; under Wine a console line held the window back for good), and
    // it must never keep the window from showing. A command given before
    // then opens the port itself.
    m_link->loadWhenIdle();
    // Polished and with its platform window now, so that showing it does not
    // add to the first operation.
    m_linkWindow->ensurePolished();
    m_linkWindow->winId();

    connect(m_link.get(), &UnitLink::commandSent, m_linkWindow, &LinkWindow::showCommand);
    connect(m_link.get(), &UnitLink::replyReceived, m_linkWindow, &LinkWindow::showReply);
    connect(m_link.get(), &UnitLink::unitTextReceived, this, &UnitOperations::showUnitText);
    connect(&window, &MainWindow::receiveDisplayCleared, m_link.get(), &UnitLink::clearReceived);

    connect(m_session.get(), &UnitSession::progress, m_linkWindow, &LinkWindow::setProgress);
    connect(m_session.get(), &UnitSession::commandFailed, this, &UnitOperations::onCommandFailed);

    window.installEventFilter(this);
}

UnitOperations::~UnitOperations()
{
    m_window.removeEventFilter(this);
    // The dialog has no owner window but uses the link.
    delete m_portDialog;
    delete m_linkWindow;
}

// Marks an operation as in progress for its whole length, its messages
// included: the main window takes no input meanwhile.
class UnitOperations::OperationScope
{
public:
    OperationScope(UnitOperations &operations, UnitOperation operation)
        : m_operations(operations)
    {
        m_operations.m_operation = operation;
        m_operations.setInputEnabled(false);
    }
    ~OperationScope()
    {
        m_operations.m_operation.reset();
        m_operations.setInputEnabled(true);
    }
    OperationScope(const OperationScope &) = delete;
    OperationScope &operator=(const OperationScope &) = delete;

private:
    UnitOperations &m_operations;
};

void UnitOperations::runOperation(
    UnitOperation operation, const std::function<std::optional<Message>()> &sequence)
{
    if (isRunning())
        return;
    const OperationScope inProgress(*this, operation);
    // A read replaces the table with the unit's values: what was typed is not taken.
    if (operation != UnitOperation::Read)
        m_window.gather();
    // A compare leaves the link window as it is.
    if (operation != UnitOperation::Compare)
        m_linkWindow->show();
    const std::optional<Message> message = sequence();
    if (operation != UnitOperation::Compare)
        hideLinkWindow();
    else
        m_linkWindow->flush();
    tell(message);
}

void UnitOperations::writeToUnit()
{
    runOperation(UnitOperation::Write, [this] {
        return outcomeMessage(UnitOperation::Write, OutcomeMoment::SequenceEnded,
            m_session->write(m_document.table()));
    });
}

void UnitOperations::readFromUnit()
{
    runOperation(UnitOperation::Read, [this] {
        const ReadOutcome outcome = m_session->read(m_document.table());
        // Once the IDs have come, the window shows them, whatever the parameters did.
        if (outcome.completed() || outcome.step != SequenceStep::Ids)
            m_window.showTable();
        return outcomeMessage(UnitOperation::Read, OutcomeMoment::SequenceEnded, outcome);
    });
}

void UnitOperations::compareWithUnit()
{
    runOperation(UnitOperation::Compare, [this] {
        return compareOutcomeMessage(m_session->compare(m_document.table()), m_document.table());
    });
}

void UnitOperations::onCommandFailed(const SequenceOutcome &failure)
{
    // Only the operations this object runs are worded here.
    if (!m_operation)
        return;
    // Without a port there is nothing to watch.
    if (failure.status == SequenceStatus::PortNotOpen && failure.step == SequenceStep::Ids)
        hideLinkWindow();
    tell(outcomeMessage(*m_operation, OutcomeMoment::CommandFailed, failure));
}

void UnitOperations::showUnitText(const QString &text)
{
    m_window.setReceivedText(receiveDisplayWith(m_window.receivedText(), text));
}

void UnitOperations::hideLinkWindow()
{
    m_linkWindow->flush();
    m_linkWindow->hide();
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
        // The window closes once the operation has ended.
        m_closePending = true;
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void UnitOperations::setInputEnabled(bool enabled)
{
    if (!enabled)
        m_focusBeforeRun = m_window.focusWidget();
    // The window keeps painting; it only takes no input.
    m_window.menuBar()->setEnabled(enabled);
    m_window.centralWidget()->setEnabled(enabled);
    if (!enabled)
        return;

    if (m_focusBeforeRun && m_focusBeforeRun->isEnabled() && m_window.isActiveWindow())
        m_focusBeforeRun->setFocus(Qt::OtherFocusReason);
    m_focusBeforeRun.clear();
    if (m_closePending) {
        m_closePending = false;
        // After the operation has returned, not from inside it.
        QTimer::singleShot(0, &m_window, &QWidget::close);
    }
}

} // namespace kalvidor
