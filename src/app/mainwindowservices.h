#pragma once

#include "link/protocol.h"

#include <QString>

namespace kalvidor {

class FileDialogs;
class Messenger;

// What the main window needs from outside: where the program lives and how
// it talks to the user. Tests pass recording implementations.
struct MainWindowServices
{
    QString programDir; // holds IdCodeTable.csv and Kalvidor.ini
    Messenger *messenger = nullptr; // every message box; must be set
    FileDialogs *fileDialogs = nullptr; // open and save dialogs of the file commands
    LinkLimits linkLimits {}; // the unit's reply time limits
    int linkTickInterval = 1000; // ms between two looks for text the unit sent on its own
};

} // namespace kalvidor
