#pragma once

#include <QString>

// The object names of the program's windows and their elements: the names
// the forms were designed with, kept so that tests, tools and assistive
// technology find each element by a stable name. Defined here once; the
// windows set them, and the tests, the soak and the screenshot tool look
// elements up by them. Rows of a list carry their index: rowName(name, 3)
// gives "txt_ID重機(3)".
namespace kalvidor::ObjectName {

// "name(row)": one row of a repeated element.
inline QString rowName(const QString &name, int row)
{
    return name + u'(' + QString::number(row) + u')';
}

// The main window.
inline const QString MainWindow = QStringLiteral("frm_Main");
inline const QString ClientArea = QStringLiteral("clientArea");

// The four lists: their row fields, row numbers and scroll bars.
inline const QString OperatorRows = QStringLiteral("txt_ID重機工夫");
inline const QString DriverRows = QStringLiteral("txt_IDダンプ工夫");
inline const QString HeavyMachineRows = QStringLiteral("txt_ID重機");
inline const QString VehicleRows = QStringLiteral("txt_ID車両");
inline const QString OperatorRowNumbers = QStringLiteral("lbl_No重機工夫");
inline const QString DriverRowNumbers = QStringLiteral("lbl_Noダンプ工夫");
inline const QString HeavyMachineRowNumbers = QStringLiteral("lbl_No重機");
inline const QString VehicleRowNumbers = QStringLiteral("lbl_No車両");
// VScroll(0) scrolls the heavy machines, (1) the vehicles, (2) the operators.
inline const QString ScrollBars = QStringLiteral("VScroll");
// The same, in the order of the lists everywhere else: operators, drivers,
// heavy machines, vehicles.
inline const QString ListRows[] = { OperatorRows, DriverRows, HeavyMachineRows, VehicleRows };
inline const QString ListRowNumbers[]
    = { OperatorRowNumbers, DriverRowNumbers, HeavyMachineRowNumbers, VehicleRowNumbers };
inline const QString HeavyMachineTitle = QStringLiteral("lbl_TL重機");
inline const QString OperatorTitle = QStringLiteral("Label2");
inline const QString VehicleTitle = QStringLiteral("lbl_TL車両");
inline const QString DriverTitle = QStringLiteral("Label3");
inline const QString UnregisteredNote = QStringLiteral("Label4");

// The parameters.
inline const QString AllowancePanel = QStringLiteral("Shape1");
inline const QString AllowanceTitle = QStringLiteral("Label5");
inline const QString AllowanceField = QStringLiteral("txt_許可人数");
inline const QString AllowanceUnit = QStringLiteral("Label7");
inline const QString AllowanceNote = QStringLiteral("Label6");
inline const QString HoldTimePanel = QStringLiteral("Shape2");
inline const QString HoldTimeTitle = QStringLiteral("Label10");
inline const QString HoldTimeField = QStringLiteral("txt_保持時間");
inline const QString HoldTimeUnit = QStringLiteral("Label8");
inline const QString HoldTimeNote = QStringLiteral("Label9");

// The base-ID panel, behind a click on the version label.
inline const QString VersionLabel = QStringLiteral("lblVersion");
inline const QString BaseIdPanel = QStringLiteral("Picture1");
inline const QString BaseIdTitle = QStringLiteral("Label1");
inline const QString BaseIdRowNumbers = QStringLiteral("lbl_No作業員");
inline const QString BaseIdFields = QStringLiteral("txt_ID作業員"); // row 0 only
inline const QString BaseIdNote = QStringLiteral("Label11");

// Below the lists.
inline const QString ReceiveDisplay = QStringLiteral("lblVer");
inline const QString ClearReceiveDisplay = QStringLiteral("Command1");
inline const QString WriteButton = QStringLiteral("cmd_設定");
inline const QString FileNameLabel = QStringLiteral("lbl_ファイル名");

// The menus.
inline const QString FileMenu = QStringLiteral("mnu_File");
inline const QString SaveAction = QStringLiteral("mnu_保存");
inline const QString LoadAction = QStringLiteral("mnu_読込み");
inline const QString ExitAction = QStringLiteral("mnu_終了");
inline const QString SettingsMenu = QStringLiteral("pum_InfSet");
inline const QString WriteAction = QStringLiteral("mnu_設定");
inline const QString ReadAction = QStringLiteral("mnu_警報読込");
inline const QString CompareAction = QStringLiteral("mnu_比較");
inline const QString PortSettingsAction = QStringLiteral("mnu_comp設定");
inline const QString ResetAction = QStringLiteral("mnu_Reset");

// The link window.
inline const QString LinkWindow = QStringLiteral("frm_Comm");
inline const QString LinkCaptions = QStringLiteral("lbl_Comm"); // (0) sent, (1) received
inline const QString LinkProgress = QStringLiteral("prg_Progress");

// The port dialog.
inline const QString PortDialog = QStringLiteral("dlg_PortNo");
inline const QString PortList = QStringLiteral("cmb_PortNo");
inline const QString PortOkButton = QStringLiteral("OKButton");
inline const QString PortCancelButton = QStringLiteral("CancelButton");

} // namespace kalvidor::ObjectName
