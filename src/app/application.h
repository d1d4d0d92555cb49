#pragma once

#include "app/qtmessenger.h"
#include "app/qtfiledialogs.h"

#include <QString>

#include <memory>

namespace kalvidor {

class MainWindow;

// The program's top-level objects as main() builds them: the message boxes,
// the file dialogs and the main window over a program folder. Closing the
// main window ends the program. Needs a QApplication.
class Application
{
public:
    explicit Application(const QString &programDir);
    ~Application();
    Application(const Application &) = delete;
    Application &operator=(const Application &) = delete;

    MainWindow &window() { return *m_window; }

private:
    QtMessenger m_messenger;
    QtFileDialogs m_fileDialogs;
    std::unique_ptr<MainWindow> m_window; // last: destroyed before what it uses
};

} // namespace kalvidor
