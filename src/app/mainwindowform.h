#pragma once

#include "app/menucommand.h"
#include "table/idcodetable.h"

#include <QList>

#include <array>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QScrollBar;
class QWidget;

namespace kalvidor {

class ClickableLabel;
class IdLineEdit;
class IdListView;

// Every element of the main window at its design position, the menus built
// from the menu commands, and the tab order. Holds no behaviour; the window
// connects the elements.
struct MainWindowForm
{
    // The client area below the menu bar; its design size.
    static constexpr int DesignWidth = 808;
    static constexpr int DesignHeight = 588;

    QWidget *clientArea = nullptr;
    std::array<IdListView *, ListCount> lists {}; // indexed by IdList

    QLineEdit *holdTime = nullptr; // txt_保持時間
    QLineEdit *allowance = nullptr; // txt_許可人数
    QFrame *allowancePanel = nullptr; // Shape1, the frame around the allowance
    QLabel *allowanceNote = nullptr; // Label6, the red note under the allowance
    QFrame *baseIdPanel = nullptr; // Picture1
    IdLineEdit *baseId = nullptr; // txt_ID作業員(0)
    ClickableLabel *version = nullptr;
    QLabel *received = nullptr; // lblVer
    QLabel *fileName = nullptr; // lbl_ファイル名
    QPushButton *clearReceived = nullptr; // Command1
    QPushButton *writeButton = nullptr; // cmd_設定

    // The menu items, one for each menu command in the order given.
    QList<QAction *> commandItems;

    IdListView *list(IdList l) const { return lists[static_cast<int>(l)]; }

    void setupUi(QMainWindow *window, const QList<MenuCommand> &commands);

private:
    void createTitlesAndNotes();
    void createParameterPanels();
    void createBaseIdPanel();
    void createLowerElements();
    void buildIdLists(QMainWindow *window);
    void createMenus(QMainWindow *window, const QList<MenuCommand> &commands);
    void setTabOrder();
};

} // namespace kalvidor
