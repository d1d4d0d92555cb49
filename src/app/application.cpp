#include "application.h"

#include "app/designfonts.h"
#include "app/documentcommands.h"
#include "app/mainwindow.h"
#include "app/qtfiledialogs.h"
#include "app/qtmessenger.h"
#include "app/unitoperations.h"
#include "document/tabledocument.h"

#include <QAbstractButton>
#include <QAction>

#include <QCoreApplication>
#include <QTimer>

#include <functional>
#include <utility>

namespace kalvidor {

Application::Application(const QString &programDir)
    : m_messenger(std::make_unique<QtMessenger>())
    , m_fileDialogs(std::make_unique<QtFileDialogs>())
{
    MainWindowServices services;
    services.programDir = programDir;
    services.messenger = m_messenger.get();
    services.fileDialogs = m_fileDialogs.get();
    build(services);
    // Message boxes and file dialogs open over the main window.
    m_messenger->setParent(m_window.get());
    m_fileDialogs->setParent(m_window.get());
    // Closing the main window ends the program, whatever other window is open.
    QObject::connect(m_window.get(), &MainWindow::closed, qApp, &QCoreApplication::quit);
}

Application::Application(const MainWindowServices &services)
{
    build(services);
}

void Application::build(const MainWindowServices &services)
{
    // Before the first widget, so that every font resolves through it.
    installFontSubstitutions();
    m_document = std::make_unique<TableDocument>(services.programDir);
    TableFileCheck startUpFile;
    const bool fromFile = m_document->loadAtStartUp(&startUpFile);
    m_window = std::make_unique<MainWindow>(*m_document, services);
    // Showing the table marked it modified; a table just read from its file
    // is not, and the defaults are not saved yet.
    m_document->setModified(!fromFile);
    m_documentCommands = std::make_unique<DocumentCommands>(
        *m_document, *m_window, *services.messenger, services.fileDialogs);
    // The link window, hidden: loading the link opens the stored port.
    m_unitOperations = std::make_unique<UnitOperations>(*m_document, *m_window, services);
    connectCommands();
    // A table file that is not well formed is reported over the main window
    // once it is up: the event loop starts after the window is shown.
    if (!startUpFile.isWellFormed()) {
        QTimer::singleShot(0, m_window.get(), [commands = m_documentCommands.get(), startUpFile] {
            commands->reportFileFault(startUpFile);
        });
    }
}

void Application::connectCommands()
{
    // Every command the user gives from the menus and buttons, and what
    // carries it out. A new command is an action of the form plus a row here.
    DocumentCommands *document = m_documentCommands.get();
    UnitOperations *unit = m_unitOperations.get();
    const std::pair<MainCommand, std::function<void()>> commands[] = {
        { MainCommand::SaveFile, [document] { document->saveAs(); } },
        { MainCommand::LoadFile, [document] { document->load(); } },
        { MainCommand::Reset, [document] { document->reset(); } },
        { MainCommand::WriteToUnit, [unit] { unit->writeToUnit(); } },
        { MainCommand::ReadFromUnit, [unit] { unit->readFromUnit(); } },
        { MainCommand::CompareWithUnit, [unit] { unit->compareWithUnit(); } },
        { MainCommand::PortSettings, [unit] { unit->openPortDialog(); } },
    };
    for (const auto &[command, run] : commands)
        QObject::connect(m_window->action(command), &QAction::triggered, unit, run);
    // "ID登録" writes as the menu does.
    QObject::connect(
        m_window->writeButton(), &QAbstractButton::clicked, unit, [unit] { unit->writeToUnit(); });
    // The exit command and the close box ask the same question, once.
    m_window->setCloseCheck([document] { return document->confirmClose(); });
}

Application::~Application() = default;

} // namespace kalvidor
