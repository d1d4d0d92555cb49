#include "app/application.h"
#include "app/mainwindow.h"
#include "app/translations.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The program folder holds IdCodeTable.csv and Kalvidor.ini, and may hold
    // its own copy of Qt's Japanese texts.
    const QString programDir = QCoreApplication::applicationDirPath();
    // Before the first widget, so that every dialog is created in Japanese.
    kalvidor::installQtTranslation(programDir);
    kalvidor::Application application(programDir);
    application.window().show();
    return app.exec();
}
