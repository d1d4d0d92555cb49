#pragma once

#include "app/mainwindowform.h"
#include "app/mainwindowservices.h"
#include "table/idcodetable.h"

#include <QMainWindow>

#include <functional>

class QAbstractButton;

namespace kalvidor {

class IdListView;
class TableDocument;

// frm_Main: the document's table in four lists, the two unit parameters, the
// base-ID panel and the menus. It shows the document (showTable) and hands
// back what the user typed (gather); the commands act on the document.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Builds the window with its menus from the menu commands, each item
    // connected to its handler, and fills the fields from the document's
    // table (which does not count as a change). The caller shows the window.
    MainWindow(TableDocument &document, const MainWindowServices &services,
        const QList<MenuCommand> &commands, QWidget *parent = nullptr);

    TableDocument &document() const { return m_document; }

    // The menu item of a menu command, by its object name; null when there is none.
    QAction *action(const QString &objectName) const;
    // cmd_設定 "ID登録": it gives the command of the menu item mnu_設定.
    QAbstractButton *writeButton() const;

    // Table → fields: every list from its scroll bar's current position. A
    // field whose text changes marks the document modified, as a change the
    // user makes does.
    void showTable();
    // Fields → table at the given scroll offsets, then the parameter checks
    // with their messages; a rejected parameter is written back into its field.
    void gatherTable(ScrollOffsets offsets);
    // gatherTable at the scroll bars' current positions: what every command
    // does before it reads the table.
    void gather();
    ScrollOffsets scrollPositions() const;
    // What the base-ID field holds, as typed.
    QString typedBaseId() const;

    // lbl_ファイル名: the file the document was last loaded from (or, at
    // start-up, the program folder's), with the platform's separators.
    void showFilePath(const QString &path);

    // lblVer, the display of text the unit sent on its own.
    QString receivedText() const;
    void setReceivedText(const QString &text);

    // Asked before the window closes, by the exit command or any other way:
    // whether it may. Unset, it may.
    void setCloseCheck(std::function<bool()> check) { m_closeCheck = std::move(check); }

signals:
    // Command1 "受信表示ｸﾘｱ" emptied lblVer; the unit link forgets what it
    // had not shown yet in turn.
    void receiveDisplayCleared();
    // The window was closed; the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void connectElements();
    void connectCommands(const QList<MenuCommand> &commands);
    // Table → fields. The fields' change handling runs as for typing; the
    // document is marked modified once, when a field changed and
    // changesCount is set.
    void fillFields(bool changesCount);
    // A field's text changed: the document is modified, or while the fields
    // are filled, that is noted for fillFields().
    void noteFieldChanged();

    void scrollBarMoved(IdList list, int value);
    void versionLabelClicked();
    void clearReceivedDisplay();
    void showList(IdList list, int offset);

    // ID entry behaviour (mainwindowentry.cpp)
    void normalizeRowText(IdListView *view, int row);
    void baseIdTextChanged();
    void checkIdPrefix(IdListView *view, int row);
    void numberingKeyPressed(IdListView *view, int row, Qt::Key key);
    void numberRow(IdListView *view, int row);
    bool tabFromLastRow(IdListView *view);

    TableDocument &m_document;
    MainWindowServices m_services;
    MainWindowForm m_form;
    // The positions the rows on screen were filled at: a scroll stores them
    // there before it refills them at the new position.
    ScrollOffsets m_shownAt;
    std::function<bool()> m_closeCheck;
    // Whether the base-ID panel stands over the allowance panel: a click on
    // the version label shows it (after asking) or hides it.
    bool m_baseIdPanelShown = false;
    bool m_fillingFields = false;
    bool m_fieldChangedWhileFilling = false;
    // While a Tab from a list's last row places the focus: the row it
    // leaves was checked before its list turned the page.
    bool m_placingFocusAfterTab = false;
};

} // namespace kalvidor
