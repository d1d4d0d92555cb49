#include "application.h"

#include "app/designfonts.h"
#include "app/mainwindow.h"

#include <QCoreApplication>

namespace kalvidor {

Application::Application(const QString &programDir)
{
    // Before the first widget, so that every font resolves through it.
    installFontSubstitutions();

    MainWindowServices services;
    services.programDir = programDir;
    services.messenger = &m_messenger;
    services.fileDialogs = &m_fileDialogs;
    m_window = std::make_unique<MainWindow>(services);
    m_messenger.setParent(m_window.get());
    m_fileDialogs.setParent(m_window.get());
    // Closing the main window ends the program, whatever other window is open.
    QObject::connect(m_window.get(), &MainWindow::closed, qApp, &QCoreApplication::quit);
}

Application::~Application() = default;

} // namespace kalvidor
