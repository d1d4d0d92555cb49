#pragma once

#include "app/mainwindowservices.h"
#include "app/menucommand.h"

#include <QList>
#include <QString>

#include <memory>

namespace kalvidor {

class DocumentCommands;
class MainWindow;
class QtFileDialogs;
class QtMessenger;
class TableDocument;
class UnitOperations;

// The program's top-level objects, created and connected in one place: the
// document, the main window that shows it, the commands that act on it (the
// document commands and the unit side: the link, its window, write, read,
// compare and the port dialog). menuCommands() declares every menu command
// with its handler. Closing the main window ends the program. Needs a
// QApplication.
class Application
{
public:
    // The program as users run it: real message boxes and file dialogs.
    explicit Application(const QString &programDir);
    // With the services a test or a benchmark supplies.
    explicit Application(const MainWindowServices &services);
    ~Application();
    Application(const Application &) = delete;
    Application &operator=(const Application &) = delete;

    TableDocument &document() const { return *m_document; }
    MainWindow &window() const { return *m_window; }
    DocumentCommands &documentCommands() const { return *m_documentCommands; }
    UnitOperations &unitOperations() const { return *m_unitOperations; }

    // The table of the menu commands the window is built with.
    QList<MenuCommand> menuCommands();

private:
    void build(const MainWindowServices &services);

    std::unique_ptr<QtMessenger> m_messenger;
    std::unique_ptr<QtFileDialogs> m_fileDialogs;
    std::unique_ptr<TableDocument> m_document;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<DocumentCommands> m_documentCommands;
    std::unique_ptr<UnitOperations> m_unitOperations; // last: destroyed before the window
};

} // namespace kalvidor
