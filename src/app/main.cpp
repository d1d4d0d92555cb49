#include "app/designfonts.h"
#include "app/mainwindow.h"
#include "app/qtmessenger.h"
#include "files/qtfiledialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    kalvidor::installFontSubstitutions();

    kalvidor::QtMessenger messenger;
    kalvidor::QtFileDialogs fileDialogs;
    kalvidor::MainWindowServices services;
    services.programDir = QCoreApplication::applicationDirPath();
    services.messenger = &messenger;
    services.fileDialogs = &fileDialogs;

    kalvidor::MainWindow window(services);
    messenger.setParent(&window);
    fileDialogs.setParent(&window);
    // Closing the main window ends the program, whatever other window is open.
    QObject::connect(&window, &kalvidor::MainWindow::closed, &app, &QCoreApplication::quit);
    window.show();
    return app.exec();
}
