#pragma once

#include <QKeySequence>
#include <QString>

#include <functional>

namespace kalvidor {

// The menus of the main window, in the order of the menu bar.
enum class MainMenu { File, Settings };

// One command of the main window's menus: the item's object name (from
// app/objectnames.h), its menu, its text and shortcut, and what carries
// it out. Application::menuCommands() holds the table of them; the window
// builds its menus from it in the table's order and connects each item to
// its handler.
struct MenuCommand
{
    QString objectName;
    MainMenu menu = MainMenu::File;
    QString text;
    QKeySequence shortcut {};
    std::function<void()> handler;
};

} // namespace kalvidor
