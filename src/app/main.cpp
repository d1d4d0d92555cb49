#include "app/application.h"
#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The program folder holds IdCodeTable.csv and Kalvidor.ini.
    kalvidor::Application application(QCoreApplication::applicationDirPath());
    application.window().show();
    return app.exec();
}
