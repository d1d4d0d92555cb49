#include "mainwindowform.h"

#include "app/clickablelabel.h"
#include "app/designfonts.h"
#include "app/designwidgets.h"
#include "app/idlineedit.h"
#include "app/idlistview.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace kalvidor {

namespace {

QLabel *addLabel(
    QWidget *parent, const QString &name, QRect twips, const QString &text, const LabelLook &look)
{
    auto *label = new QLabel(text, parent);
    placeWidget(label, name, twips);
    applyLabelLook(label, look);
    return label;
}

// A frame shape: a thin black rectangle drawn beneath the elements it surrounds.
QFrame *addShape(QWidget *parent, const QString &name, QRect twips)
{
    auto *shape = new QFrame(parent);
    placeWidget(shape, name, twips);
    shape->setFrameStyle(QFrame::Box | QFrame::Plain);
    shape->setLineWidth(1);
    QPalette palette = shape->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    shape->setPalette(palette);
    shape->lower();
    return shape;
}

QLineEdit *addParameterField(QWidget *parent, const QString &name, QRect twips, const QString &text,
    const QString &accessibleName)
{
    auto *field = new QLineEdit(text, parent);
    placeWidget(field, name, twips);
    field->setFont(designFont(FontSize::Regular18, false));
    field->setAccessibleName(accessibleName);
    return field;
}

const QFont bold14()
{
    return designFont(FontSize::Bold14, true);
}
const QFont bold16()
{
    return designFont(FontSize::Bold16, true);
}
const QFont title18()
{
    return designFont(FontSize::Regular18, false);
}

} // namespace

void MainWindowForm::setupUi(QMainWindow *window)
{
    window->setObjectName(u"frm_Main"_s);
    window->setWindowTitle(u"Kalvidor装置「NELOR」設定アプリケーション"_s);
    window->setFont(designFont(FontSize::Default, false));

    clientArea = new QWidget(window);
    clientArea->setObjectName(u"clientArea"_s);
    window->setCentralWidget(clientArea);

    createTitlesAndNotes();
    createParameterPanels();
    createBaseIdPanel();
    createLowerElements();
    createMenus(window);
    buildIdLists(window);
    setTabOrder();

    picture1->raise(); // once shown, the panel covers the allowance panel
    window->resize(DesignWidth, DesignHeight + window->menuBar()->sizeHint().height());
}

void MainWindowForm::createTitlesAndNotes()
{
    const auto title = [this](const QString &name, int left, const QString &text, QColor color) {
        addLabel(clientArea, name, { left, 360, 2775, 525 }, text,
            labelLook(title18(), color, {}, true, true));
    };
    title(u"lbl_TL重機"_s, 360, u"重　機"_s, DesignColor::Yellow);
    title(u"Label2"_s, 3240, u"重機オペ"_s, DesignColor::Yellow);
    title(u"lbl_TL車両"_s, 6120, u"車　両"_s, DesignColor::Green);
    title(u"Label3"_s, 9000, u"車両運転手"_s, DesignColor::Green);

    addLabel(clientArea, u"Label4"_s, { 360, 6000, 11895, 375 },
        u"※上記に登録されていないICタグは全て作業員（赤）の警報を鳴らします。"_s,
        labelLook(bold16(), {}, DesignColor::RedText));

    version = new ClickableLabel(u"Ver"_s, clientArea);
    placeWidget(version, u"lblVersion"_s, { 10680, 120, 855, 165 });
    version->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void MainWindowForm::createParameterPanels()
{
    shape1 = addShape(clientArea, u"Shape1"_s, { 360, 6480, 5655, 2055 });
    addLabel(clientArea, u"Label5"_s, { 480, 6720, 5415, 375 }, u"重機オペ許可人数"_s,
        labelLook(bold16()));
    allowance = addParameterField(
        clientArea, u"txt_許可人数"_s, { 2520, 7200, 855, 495 }, u"1"_s, u"重機オペ許可人数"_s);
    addLabel(clientArea, u"Label7"_s, { 3480, 7320, 495, 375 }, u"人"_s, labelLook(bold16()));
    addLabel(clientArea, u"Label6"_s, { 480, 7860, 5415, 735 },
        u"重機オペに登録したICタグを検知しても　上記の個数分までは警報を鳴らしません。"_s,
        labelLook(bold14(), {}, DesignColor::RedText));

    addShape(clientArea, u"Shape2"_s, { 6120, 6480, 5655, 2055 });
    addLabel(clientArea, u"Label10"_s, { 6240, 6720, 5415, 375 }, u"警報時間設定"_s,
        labelLook(bold16()));
    holdTime = addParameterField(
        clientArea, u"txt_保持時間"_s, { 8280, 7200, 855, 495 }, u"2"_s, u"警報時間設定"_s);
    addLabel(clientArea, u"Label8"_s, { 9240, 7320, 495, 375 }, u"秒"_s, labelLook(bold16()));
    addLabel(clientArea, u"Label9"_s, { 6240, 8160, 5415, 375 }, u"1～99秒の間で設定して下さい。"_s,
        labelLook(bold14(), {}, DesignColor::RedText));
}

void MainWindowForm::createBaseIdPanel()
{
    picture1 = new QFrame(clientArea);
    placeWidget(picture1, u"Picture1"_s, { 5400, 8880, 5415, 1815 });
    picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture1->setLineWidth(2);
    picture1->setAutoFillBackground(true);
    picture1->setFocusPolicy(Qt::TabFocus);
    picture1->hide();

    const QColor orange = DesignColor::Orange;
    addLabel(picture1, u"Label1"_s, { 120, 120, 2295, 405 }, u"基準IDCODE"_s,
        labelLook(bold14(), orange));
    // The base ID has a row number in the design like the lists, but nothing
    // shows or reads it.
    addLabel(picture1, arrayName(u"lbl_No作業員"_s, 0), { 1080, 840, 615, 345 }, u"1"_s,
        labelLook(bold14(), orange, {}, true, true))
        ->hide();

    baseId = new IdLineEdit(picture1);
    placeWidget(baseId, arrayName(u"txt_ID作業員"_s, 0), { 1920, 720, 1935, 465 });
    baseId->setFont(bold14());
    baseId->setText(u"1002127"_s);
    baseId->setEnterMovesFocus(true);
    baseId->setAccessibleName(u"基準IDCODE"_s);

    addLabel(picture1, u"Label11"_s, { 120, 1440, 5175, 375 },
        u"上位3桁を設定して下さい。例）2800000"_s, labelLook(bold14(), {}, DesignColor::RedText));
}

void MainWindowForm::createLowerElements()
{
    received = new QLabel(clientArea);
    placeWidget(received, u"lblVer"_s, { 360, 9120, 4815, 1095 });
    received->setTextFormat(Qt::PlainText); // unit text, never markup
    received->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    received->setWordWrap(true);

    clearReceived = new QPushButton(u"受信表示ｸﾘｱ"_s, clientArea);
    placeWidget(clearReceived, u"Command1"_s, { 360, 10200, 1095, 495 });
    writeButton = new QPushButton(u"ID登録"_s, clientArea);
    placeWidget(writeButton, u"cmd_設定"_s, { 1440, 10200, 1215, 495 });

    fileName = new QLabel(clientArea);
    placeWidget(fileName, u"lbl_ファイル名"_s, { 2760, 10320, 8055, 255 });
    fileName->setTextFormat(Qt::PlainText);
    fileName->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void MainWindowForm::createMenus(QMainWindow *window)
{
    QMenuBar *bar = window->menuBar();
    const auto item = [](QMenu *menu, const QString &name, const QString &caption) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(name);
        return action;
    };

    QMenu *file = bar->addMenu(u"ファイル(F)"_s);
    file->setObjectName(u"mnu_File"_s);
    save = item(file, u"mnu_保存"_s, u"CSV保存"_s);
    load = item(file, u"mnu_読込み"_s, u"CSV読込み"_s);
    exit = item(file, u"mnu_終了"_s, u"アプリケーション終了"_s);

    QMenu *settings = bar->addMenu(u"設定"_s);
    settings->setObjectName(u"pum_InfSet"_s);
    writeToUnit = item(settings, u"mnu_設定"_s, u"NELORへ流し込み"_s);
    readFromUnit = item(settings, u"mnu_警報読込"_s, u"NELORから読込み"_s);
    compare = item(settings, u"mnu_比較"_s, u"比較確認"_s);
    portSettings = item(settings, u"mnu_comp設定"_s, u"通信ポート設定"_s);
    reset = item(settings, u"mnu_Reset"_s, u"初期設定に戻す"_s);
}

void MainWindowForm::buildIdLists(QMainWindow *window)
{
    const auto build = [&](IdListDesign design) {
        auto *view = new IdListView(design, clientArea, window);
        lists[static_cast<int>(design.list)] = view;
    };
    const QColor yellow = DesignColor::Yellow;
    const QColor green = DesignColor::Green;
    build({ IdList::HeavyMachines, u"lbl_No重機"_s, u"txt_ID重機"_s, u"重機"_s,
        { 360, 870, 975, 420 }, { 1320, 870, 1455, 420 }, yellow, QRect(2760, 880, 375, 5020), 0 });
    build({ IdList::Operators, u"lbl_No重機工夫"_s, u"txt_ID重機工夫"_s, u"重機オペ"_s,
        { 3240, 870, 975, 420 }, { 4200, 870, 1455, 420 }, yellow, QRect(5640, 880, 375, 5020),
        2 });
    build({ IdList::Vehicles, u"lbl_No車両"_s, u"txt_ID車両"_s, u"車両"_s, { 6120, 870, 975, 420 },
        { 7080, 870, 1455, 420 }, green, QRect(8520, 880, 375, 5020), 1 });
    build({ IdList::Drivers, u"lbl_Noダンプ工夫"_s, u"txt_IDダンプ工夫"_s, u"車両運転手"_s,
        { 9000, 870, 975, 420 }, { 9960, 870, 1815, 420 }, green, std::nullopt, -1 });
}

void MainWindowForm::setTabOrder()
{
    QList<QWidget *> order { writeButton, holdTime, list(IdList::HeavyMachines)->scrollBar(),
        list(IdList::Vehicles)->scrollBar(), clearReceived, picture1, allowance, baseId,
        list(IdList::HeavyMachines)->row(0), list(IdList::Operators)->scrollBar() };
    for (int r = 1; r < RowsPerList; ++r)
        order.append(list(IdList::HeavyMachines)->row(r));
    for (IdList l : { IdList::Operators, IdList::Vehicles, IdList::Drivers }) {
        for (int r = 0; r < RowsPerList; ++r)
            order.append(list(l)->row(r));
    }
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

} // namespace kalvidor
