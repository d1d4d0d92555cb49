// kalvidor-cli: writes, reads and compares the unit's table from the command
// line. Needs no display: only the widget-free core and the shared wording.
#include "cli/clicommand.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kalvidor-cli"));
    kalvidor::CliCommand command(
        QCoreApplication::arguments().mid(1), QCoreApplication::applicationDirPath());
    return command.run();
}
