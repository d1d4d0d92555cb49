#include "application.h"

#include "app/designfonts.h"
#include "app/mainwindow.h"
#include "app/qtfiledialogs.h"
#include "app/qtmessenger.h"
#include "app/unitoperations.h"

#include <QCoreApplication>

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

void Application::build(MainWindowServices services)
{
    // Before the first widget, so that every font resolves through it.
    installFontSubstitutions();
    // The main window runs its start-up (the table file or the defaults);
    // then the link window, hidden: loading the link opens the stored port.
    m_window = std::make_unique<MainWindow>(services);
    m_unitOperations = std::make_unique<UnitOperations>(*m_window, services);
}

Application::~Application() = default;

} // namespace kalvidor
