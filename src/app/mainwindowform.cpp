#include "mainwindowform.h"

#include "app/clickablelabel.h"
#include "app/designfonts.h"
#include "app/designwidgets.h"
#include "app/idlineedit.h"
#include "app/idlistview.h"
#include "app/objectnames.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>

#include <utility>

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

void MainWindowForm::setupUi(QMainWindow *window, const QList<MenuCommand> &commands)
{
    window->setObjectName(ObjectName::MainWindow);
    window->setWindowTitle(u"Kalvidor装置「NELOR」設定アプリケーション"_s);
    window->setFont(designFont(FontSize::Default, false));

    clientArea = new QWidget(window);
    clientArea->setObjectName(ObjectName::ClientArea);
    window->setCentralWidget(clientArea);

    createTitlesAndNotes();
    createParameterPanels();
    createBaseIdPanel();
    createLowerElements();
    createMenus(window, commands);
    buildIdLists(window);
    setTabOrder();

    baseIdPanel->raise(); // once shown, the panel covers the allowance panel
    window->resize(DesignWidth, DesignHeight + window->menuBar()->sizeHint().height());
}

void MainWindowForm::createTitlesAndNotes()
{
    const auto title = [this](const QString &name, int left, const QString &text, QColor color) {
        addLabel(clientArea, name, { left, 360, 2775, 525 }, text,
            labelLook(title18(), color, {}, true, true));
    };
    title(ObjectName::HeavyMachineTitle, 360, u"重　機"_s, DesignColor::Yellow);
    title(ObjectName::OperatorTitle, 3240, u"重機オペ"_s, DesignColor::Yellow);
    title(ObjectName::VehicleTitle, 6120, u"車　両"_s, DesignColor::Green);
    title(ObjectName::DriverTitle, 9000, u"車両運転手"_s, DesignColor::Green);

    addLabel(clientArea, ObjectName::UnregisteredNote, { 360, 6000, 11895, 375 },
        u"※上記に登録されていないICタグは全て作業員（赤）の警報を鳴らします。"_s,
        labelLook(bold16(), {}, DesignColor::RedText));

    version = new ClickableLabel(u"Ver"_s, clientArea);
    placeWidget(version, ObjectName::VersionLabel, { 10680, 120, 855, 165 });
    version->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void MainWindowForm::createParameterPanels()
{
    allowancePanel = addShape(clientArea, ObjectName::AllowancePanel, { 360, 6480, 5655, 2055 });
    addLabel(clientArea, ObjectName::AllowanceTitle, { 480, 6720, 5415, 375 },
        u"重機オペ許可人数"_s, labelLook(bold16()));
    allowance = addParameterField(clientArea, ObjectName::AllowanceField, { 2520, 7200, 855, 495 },
        u"1"_s, u"重機オペ許可人数"_s);
    addLabel(clientArea, ObjectName::AllowanceUnit, { 3480, 7320, 495, 375 }, u"人"_s,
        labelLook(bold16()));
    allowanceNote = addLabel(clientArea, ObjectName::AllowanceNote, { 480, 7860, 5415, 735 },
        u"重機オペに登録したICタグを検知しても　上記の個数分までは警報を鳴らしません。"_s,
        labelLook(bold14(), {}, DesignColor::RedText));

    addShape(clientArea, ObjectName::HoldTimePanel, { 6120, 6480, 5655, 2055 });
    addLabel(clientArea, ObjectName::HoldTimeTitle, { 6240, 6720, 5415, 375 }, u"警報時間設定"_s,
        labelLook(bold16()));
    holdTime = addParameterField(
        clientArea, ObjectName::HoldTimeField, { 8280, 7200, 855, 495 }, u"2"_s, u"警報時間設定"_s);
    addLabel(clientArea, ObjectName::HoldTimeUnit, { 9240, 7320, 495, 375 }, u"秒"_s,
        labelLook(bold16()));
    addLabel(clientArea, ObjectName::HoldTimeNote, { 6240, 8160, 5415, 375 },
        u"1～99秒の間で設定して下さい。"_s, labelLook(bold14(), {}, DesignColor::RedText));
}

void MainWindowForm::createBaseIdPanel()
{
    baseIdPanel = new QFrame(clientArea);
    placeWidget(baseIdPanel, ObjectName::BaseIdPanel, { 5400, 8880, 5415, 1815 });
    baseIdPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    baseIdPanel->setLineWidth(2);
    baseIdPanel->setAutoFillBackground(true);
    baseIdPanel->setFocusPolicy(Qt::TabFocus);
    baseIdPanel->hide();

    const QColor orange = DesignColor::Orange;
    addLabel(baseIdPanel, ObjectName::BaseIdTitle, { 120, 120, 2295, 405 }, u"基準IDCODE"_s,
        labelLook(bold14(), orange));
    // The base ID has a row number in the design like the lists, but nothing
    // shows or reads it.
    addLabel(baseIdPanel, ObjectName::rowName(ObjectName::BaseIdRowNumbers, 0),
        { 1080, 840, 615, 345 }, u"1"_s, labelLook(bold14(), orange, {}, true, true))
        ->hide();

    baseId = new IdLineEdit(baseIdPanel);
    placeWidget(baseId, ObjectName::rowName(ObjectName::BaseIdFields, 0), { 1920, 720, 1935, 465 });
    baseId->setFont(bold14());
    baseId->setText(u"1002127"_s);
    baseId->setEnterMovesFocus(true);
    baseId->setAccessibleName(u"基準IDCODE"_s);

    addLabel(baseIdPanel, ObjectName::BaseIdNote, { 120, 1440, 5175, 375 },
        u"上位3桁を設定して下さい。例）2800000"_s, labelLook(bold14(), {}, DesignColor::RedText));
}

void MainWindowForm::createLowerElements()
{
    received = new QLabel(clientArea);
    placeWidget(received, ObjectName::ReceiveDisplay, { 360, 9120, 4815, 1095 });
    received->setTextFormat(Qt::PlainText); // unit text, never markup
    received->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    received->setWordWrap(true);

    clearReceived = new QPushButton(u"受信表示ｸﾘｱ"_s, clientArea);
    placeWidget(clearReceived, ObjectName::ClearReceiveDisplay, { 360, 10200, 1095, 495 });
    writeButton = new QPushButton(u"ID登録"_s, clientArea);
    placeWidget(writeButton, ObjectName::WriteButton, { 1440, 10200, 1215, 495 });

    fileName = new QLabel(clientArea);
    placeWidget(fileName, ObjectName::FileNameLabel, { 2760, 10320, 8055, 255 });
    fileName->setTextFormat(Qt::PlainText);
    fileName->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void MainWindowForm::createMenus(QMainWindow *window, const QList<MenuCommand> &commands)
{
    QMenuBar *bar = window->menuBar();
    const auto menu = [bar](const QString &name, const QString &title) {
        QMenu *m = bar->addMenu(title);
        m->setObjectName(name);
        return m;
    };
    const std::pair<MainMenu, QMenu *> menus[] = {
        { MainMenu::File, menu(ObjectName::FileMenu, u"ファイル(F)"_s) },
        { MainMenu::Settings, menu(ObjectName::SettingsMenu, u"設定"_s) },
    };
    for (const MenuCommand &command : commands) {
        for (const auto &[which, m] : menus) {
            if (which != command.menu)
                continue;
            QAction *item = m->addAction(command.text);
            item->setObjectName(command.objectName);
            item->setShortcut(command.shortcut);
            commandItems.append(item);
        }
    }
}

void MainWindowForm::buildIdLists(QMainWindow *window)
{
    const auto build = [&](IdListDesign design) {
        auto *view = new IdListView(design, clientArea, window);
        lists[static_cast<int>(design.list)] = view;
    };
    const QColor yellow = DesignColor::Yellow;
    const QColor green = DesignColor::Green;
    build({ IdList::HeavyMachines, ObjectName::HeavyMachineRowNumbers, ObjectName::HeavyMachineRows,
        u"重機"_s, { 360, 870, 975, 420 }, { 1320, 870, 1455, 420 }, yellow,
        QRect(2760, 880, 375, 5020), 0 });
    build({ IdList::Operators, ObjectName::OperatorRowNumbers, ObjectName::OperatorRows,
        u"重機オペ"_s, { 3240, 870, 975, 420 }, { 4200, 870, 1455, 420 }, yellow,
        QRect(5640, 880, 375, 5020), 2 });
    build({ IdList::Vehicles, ObjectName::VehicleRowNumbers, ObjectName::VehicleRows, u"車両"_s,
        { 6120, 870, 975, 420 }, { 7080, 870, 1455, 420 }, green, QRect(8520, 880, 375, 5020), 1 });
    build({ IdList::Drivers, ObjectName::DriverRowNumbers, ObjectName::DriverRows, u"車両運転手"_s,
        { 9000, 870, 975, 420 }, { 9960, 870, 1815, 420 }, green, std::nullopt, -1 });
}

void MainWindowForm::setTabOrder()
{
    QList<QWidget *> order { writeButton, holdTime, list(IdList::HeavyMachines)->scrollBar(),
        list(IdList::Vehicles)->scrollBar(), clearReceived, baseIdPanel, allowance, baseId,
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
