#pragma once

#include "app/mainwindowservices.h"

#include <QString>

#include <memory>

namespace kalvidor {

class MainWindow;
class QtFileDialogs;
class QtMessenger;
class UnitOperations;

// The program's top-level objects, created and connected in one place: the
// main window over a program folder, and the unit side (the link, its window,
// the write, read and compare commands, the port dialog). Closing the main
// window ends the program. Needs a QApplication.
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

    MainWindow &window() const { return *m_window; }
    UnitOperations &unitOperations() const { return *m_unitOperations; }

private:
    void build(MainWindowServices services);

    std::unique_ptr<QtMessenger> m_messenger;
    std::unique_ptr<QtFileDialogs> m_fileDialogs;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<UnitOperations> m_unitOperations; // last: destroyed before the window
};

} // namespace kalvidor
