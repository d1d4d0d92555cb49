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

// The menu and button commands that other parts of the program carry out.
enum class MainCommand {
    SaveFile, // mnu_保存 "CSV保存"
    LoadFile, // mnu_読込み "CSV読込み"
    Exit, // mnu_終了 "アプリケーション終了"
    WriteToUnit, // mnu_設定 "NELORへ流し込み"; the button cmd_設定 does the same
    ReadFromUnit, // mnu_警報読込 "NELORから読込み"
    CompareWithUnit, // mnu_比較 "比較確認"
    PortSettings, // mnu_comp設定 "通信ポート設定"
    Reset, // mnu_Reset "初期設定に戻す"
};

// frm_Main: the document's table in four lists, the two unit parameters, the
// base-ID panel and the menus. It shows the document (showTable) and hands
// back what the user typed (gather); the commands act on the document.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Builds the window and shows the document's table in it; the caller
    // shows the window.
    MainWindow(
        TableDocument &document, const MainWindowServices &services, QWidget *parent = nullptr);

    TableDocument &document() const { return m_document; }

    // The menu item of a command, to connect its handler to `triggered`.
    QAction *action(MainCommand command) const;
    // cmd_設定 "ID登録": connect `clicked` to the WriteToUnit handler.
    QAbstractButton *writeButton() const;

    // Table → fields: every list from its scroll bar's current position.
    void showTable();
    // Fields → table at the given scroll offsets, then the parameter checks
    // with their messages; a rejected parameter is written back into its field.
    void gatherTable(ScrollOffsets offsets);
    // gatherTable at the scroll bars' current positions: what every command
    // does before it reads the table.
    void gather();
    ScrollOffsets scrollPositions() const;
    // The value of the slot just before a list's first visible row, after
    // gathering the window.
    qint32 precedingId(IdList list);
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

    void scrollBarMoved(IdList list, int value);
    void versionLabelClicked();
    void clearReceivedDisplay();
    bool isBaseIdPanelShown() const;
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
    // While a Tab from a list's last row places the focus: the row it
    // leaves was checked before its list turned the page.
    bool m_placingFocusAfterTab = false;
};

} // namespace kalvidor
