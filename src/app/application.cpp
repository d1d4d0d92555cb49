#include "application.h"

#include "app/designfonts.h"
#include "app/documentcommands.h"
#include "app/mainwindow.h"
#include "app/objectnames.h"
#include "app/qtfiledialogs.h"
#include "app/qtmessenger.h"
#include "app/unitoperations.h"
#include "document/tabledocument.h"

#include <QCoreApplication>
#include <QTimer>

using namespace Qt::StringLiterals;

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
    m_document->loadAtStartUp(&startUpFile);
    m_window = std::make_unique<MainWindow>(*m_document, services, menuCommands());
    m_documentCommands = std::make_unique<DocumentCommands>(
        *m_document, *m_window, *services.messenger, services.fileDialogs);
    // The link window, hidden: loading the link opens the stored port.
    m_unitOperations = std::make_unique<UnitOperations>(*m_document, *m_window, services);
    // The exit command and the close box ask the same question, once.
    m_window->setCloseCheck(
        [document = m_documentCommands.get()] { return document->confirmClose(); });
    // A table file that is not well formed is reported over the main window
    // once it is up: the event loop starts after the window is shown.
    if (!startUpFile.isWellFormed()) {
        QTimer::singleShot(0, m_window.get(), [commands = m_documentCommands.get(), startUpFile] {
            commands->reportFileFault(startUpFile);
        });
    }
}

QList<MenuCommand> Application::menuCommands()
{
    // Every command of the menus, in menu order, and what carries it out: a
    // new command is a row here (its object name in app/objectnames.h)
    // and its handler. The handlers run once the objects exist.
    return {
        { ObjectName::SaveAction, MainMenu::File, u"CSV保存"_s, {},
            [this] { m_documentCommands->saveAs(); } },
        { ObjectName::LoadAction, MainMenu::File, u"CSV読込み"_s, {},
            [this] { m_documentCommands->load(); } },
        // The window asks about saving as it closes, as the close box does.
        { ObjectName::ExitAction, MainMenu::File, u"アプリケーション終了"_s, {},
            [this] { m_window->close(); } },
        { ObjectName::WriteAction, MainMenu::Settings, u"NELORへ流し込み"_s, {},
            [this] { m_unitOperations->writeToUnit(); } },
        { ObjectName::ReadAction, MainMenu::Settings, u"NELORから読込み"_s, {},
            [this] { m_unitOperations->readFromUnit(); } },
        { ObjectName::CompareAction, MainMenu::Settings, u"比較確認"_s, {},
            [this] { m_unitOperations->compareWithUnit(); } },
        { ObjectName::PortSettingsAction, MainMenu::Settings, u"通信ポート設定"_s, {},
            [this] { m_unitOperations->openPortDialog(); } },
        { ObjectName::ResetAction, MainMenu::Settings, u"初期設定に戻す"_s, {},
            [this] { m_documentCommands->reset(); } },
    };
}

Application::~Application() = default;

} // namespace kalvidor
