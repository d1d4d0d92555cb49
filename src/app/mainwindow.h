#pragma once

#include "app/mainwindowform.h"
#include "app/mainwindowservices.h"
#include "table/idcodetable.h"

#include <QMainWindow>

#include <array>

class QAbstractButton;

namespace kalvidor {

class IdListView;

// The menu and button commands that other parts of the program carry out.
enum class MainCommand {
    SaveFile, // mnu_保存 "CSV保存"
    LoadFile, // mnu_読込み "CSV読込み"
    Exit, // mnu_終了 "アプリケーション終了"
    WriteToUnit, // mnu_設定 "NELORへ流し込み"; the button cmd_設定 does the same
    ReadFromUnit, // mnu_警報読込 "NELORから読込み"
    CompareWithUnit, // mnu_比較 "比較確認"
    PortSettings, // mnu_comp設定 "通信ポート設定"
};

// frm_Main: the ID code table in four lists, the two unit parameters, the
// base-ID panel and the menus. It owns the one IdCodeTable and copies between
// its fields and the table with GatherTable and ShowTable.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Builds the window and runs the start-up sequence; the caller shows it.
    explicit MainWindow(const MainWindowServices &services, QWidget *parent = nullptr);

    const MainWindowServices &services() const { return m_services; }

    // The menu item of a command, to connect its handler to `triggered`.
    QAction *action(MainCommand command) const;
    // cmd_設定 "ID登録": connect `clicked` to the WriteToUnit handler.
    QAbstractButton *writeButton() const;

    IdCodeTable &table() { return m_table; }
    const IdCodeTable &table() const { return m_table; }

    // Table → fields: every list from its scroll bar's current position.
    void ShowTable();
    // Fields → table at the given scroll offsets, then the parameter checks
    // with their messages; a rejected parameter is written back into its field.
    void GatherTable(qint16 heavyOffset, qint16 vehicleOffset, qint16 operatorOffset);
    // GatherTable at the scroll bars' current positions: what every command
    // does before it reads the table.
    void gatherAtCurrentPositions();
    ScrollOffsets scrollPositions() const;
    // The value of the slot just before a list's first visible row, after
    // gathering the window.
    qint32 GetPrecedingId(IdList list);

    QString programDir() const { return m_services.programDir; }
    // The table file the file commands use.
    QString currentFilePath() const { return m_currentFilePath; }
    void setCurrentFilePath(const QString &path) { m_currentFilePath = path; }
    // lbl_ファイル名 := CurrentFilePath, with the platform's separators.
    void showCurrentFilePath();

    // lblVer, the display of text the unit sent on its own.
    QString receivedText() const;
    void setReceivedText(const QString &text);

signals:
    // Command1 "受信表示ｸﾘｱ" emptied lblVer; the unit link clears its receive
    // buffer in turn (Init_Ibuf).
    void receiveDisplayCleared();
    // The window was closed; the program ends.
    void closed();

protected:
    // By the exit command or the close box: asks about saving a modified
    // table first, and stays open when that save fails.
    void closeEvent(QCloseEvent *event) override;

private:
    void connectElements();
    void Form_Load();

    void VScroll_Change(int index, int value);
    void mnu_Reset_Click();
    void lblVersion_Click();
    void Command1_Click();
    bool isBaseIdPanelShown() const;
    void showList(IdList list, int offset);

    // ID entry behaviour (mainwindowentry.cpp)
    void NormalizeIdText(IdListView *view, int row);
    void baseIdTextChanged();
    void CheckIdPrefix(IdListView *view, int row);
    void numberingKeyPressed(IdListView *view, int row, Qt::Key key);
    void numberRow(IdListView *view, int row);
    void rowFocusLost(IdListView *view, int row, Qt::FocusReason reason);
    void moveFocusAfterTab(IdListView *view, int row);

    MainWindowServices m_services;
    MainWindowForm m_form;
    IdCodeTable m_table;
    QString m_currentFilePath;
    std::array<qint16, 3> m_scrollMemory {}; // ScrollMemory, by VScroll index
};

} // namespace kalvidor
