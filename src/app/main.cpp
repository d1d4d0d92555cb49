#include "app/qtmessenger.h"
#include "common/appinfo.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel placeholder(kalvidor::versionLabel());
    placeholder.show();
    return app.exec();
}
