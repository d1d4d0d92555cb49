#include "mainwindow.h"

#include "app/clickablelabel.h"
#include "app/filecommands.h"
#include "app/idlineedit.h"
#include "app/idlistview.h"
#include "app/twips.h"
#include "common/appinfo.h"
#include "messages/messenger.h"
#include "files/idtablefile.h"
#include "messages/unitmessages.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace kalvidor {

MainWindow::MainWindow(const MainWindowServices &services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
{
    Q_ASSERT(m_services.messenger);
    m_form.setupUi(this); // includes BuildIdLists
    connectElements();
    Form_Load();
}

void MainWindow::connectElements()
{
    for (IdListView *view : m_form.lists) {
        connect(view, &IdListView::rowTextChanged, this,
            [this, view](int row) { NormalizeIdText(view, row); });
        connect(view, &IdListView::numberingKeyPressed, this,
            [this, view](int row, Qt::Key key) { numberingKeyPressed(view, row, key); });
        connect(view, &IdListView::rowFocusLost, this,
            [this, view](int row, Qt::FocusReason reason) { rowFocusLost(view, row, reason); });
    }
    connect(m_form.baseId, &QLineEdit::textChanged, this, &MainWindow::baseIdTextChanged);
    for (int i = 0; i < int(m_form.vscroll.size()); ++i) {
        connect(m_form.vscroll[i], &QScrollBar::valueChanged, this,
            [this, i](int value) { VScroll_Change(i, value); });
    }
    connect(m_form.save, &QAction::triggered, this, [this] { SaveTableAs(*this); });
    connect(m_form.load, &QAction::triggered, this, [this] { LoadTableFrom(*this); });
    // The exit command closes the window; closeEvent asks about saving, so
    // that the close box asks the same question and the exit asks it once.
    connect(m_form.exit, &QAction::triggered, this, &QWidget::close);
    connect(m_form.reset, &QAction::triggered, this, &MainWindow::mnu_Reset_Click);
    connect(m_form.version, &ClickableLabel::clicked, this, &MainWindow::lblVersion_Click);
    connect(m_form.clearReceived, &QPushButton::clicked, this, &MainWindow::Command1_Click);
}

void MainWindow::Form_Load()
{
    // The lists were built with the form; their scroll bars start at 0.
    m_currentFilePath = tableFilePath(m_services.programDir);
    const bool fromFile = LoadStartupTable(m_currentFilePath, m_table);
    ShowTable();
    showCurrentFilePath();
    // A table just read from its file is unchanged; the defaults are not saved yet.
    m_table.Modified = !fromFile;
    m_form.version->setText(versionLabel());
}

QAction *MainWindow::action(MainCommand command) const
{
    switch (command) {
    case MainCommand::SaveFile:
        return m_form.save;
    case MainCommand::LoadFile:
        return m_form.load;
    case MainCommand::Exit:
        return m_form.exit;
    case MainCommand::WriteToUnit:
        return m_form.writeToUnit;
    case MainCommand::ReadFromUnit:
        return m_form.readFromUnit;
    case MainCommand::CompareWithUnit:
        return m_form.compare;
    case MainCommand::PortSettings:
        return m_form.portSettings;
    }
    return nullptr;
}

QAbstractButton *MainWindow::writeButton() const
{
    return m_form.writeButton;
}

void MainWindow::showList(IdList list, int offset)
{
    IdListView *view = m_form.list(list);
    for (int r = 0; r < RowsPerList; ++r)
        view->row(r)->setText(RowText(m_table, slotOfRow(list, offset, r)));
}

void MainWindow::ShowTable()
{
    m_form.baseId->setText(IdText(m_table.Ids[0]));

    const ScrollOffsets at = scrollPositions();
    showList(IdList::Operators, at.operators);
    m_form.list(IdList::Operators)->setRowNumbers(at.operators + 1);
    // The drivers do not scroll; their row numbers stay as built.
    showList(IdList::Drivers, 0);
    showList(IdList::HeavyMachines, at.heavyMachines);
    m_form.list(IdList::HeavyMachines)->setRowNumbers(at.heavyMachines + 1);
    showList(IdList::Vehicles, at.vehicles);
    m_form.list(IdList::Vehicles)->setRowNumbers(at.vehicles + 1);

    m_form.holdTime->setText(QString::number(m_table.HoldTime));
    m_form.allowance->setText(QString::number(m_table.OperatorAllowance));
}

void MainWindow::GatherTable(qint16 heavyOffset, qint16 vehicleOffset, qint16 operatorOffset)
{
    WindowTexts texts;
    texts.base = m_form.baseId->text();
    for (IdListView *view : m_form.lists)
        texts.list(view->list()) = view->texts();
    texts.holdTime = m_form.holdTime->text();
    texts.allowance = m_form.allowance->text();

    const GatherResult result
        = GatherTexts(m_table, texts, { heavyOffset, vehicleOffset, operatorOffset });
    if (result.holdTimeRejected) {
        m_services.messenger->inform(outOfRangeText(UnitParameter::HoldTime));
        m_form.holdTime->setText(QString::number(m_table.HoldTime));
    }
    if (result.allowanceRejected) {
        m_services.messenger->inform(outOfRangeText(UnitParameter::OperatorAllowance));
        m_form.allowance->setText(QString::number(m_table.OperatorAllowance));
    }
}

void MainWindow::gatherAtCurrentPositions()
{
    const ScrollOffsets at = scrollPositions();
    GatherTable(at.heavyMachines, at.vehicles, at.operators);
}

ScrollOffsets MainWindow::scrollPositions() const
{
    return { qint16(m_form.vscroll[0]->value()), qint16(m_form.vscroll[1]->value()),
        qint16(m_form.vscroll[2]->value()) };
}

qint32 MainWindow::GetPrecedingId(IdList list)
{
    const int slot = slotOfRow(list, m_form.list(list)->position(), 0) - 1;
    gatherAtCurrentPositions();
    return m_table.Ids[slot];
}

void MainWindow::VScroll_Change(int index, int value)
{
    // The rows still show the slots of the old positions: store them there.
    GatherTable(m_scrollMemory[0], m_scrollMemory[1], m_scrollMemory[2]);
    m_scrollMemory[index] = qint16(value);
    ShowTable();
}

void MainWindow::mnu_Reset_Click()
{
    ClearTableKeepingBasePrefix(m_table, m_form.baseId->text());
    ShowTable();
}

bool MainWindow::isBaseIdPanelShown() const
{
    return !m_form.picture1->isHidden() && m_form.picture1->x() == m_form.shape1->x() + px(60);
}

void MainWindow::lblVersion_Click()
{
    QFrame *panel = m_form.picture1;
    if (isBaseIdPanelShown()) {
        panel->hide(); // it stays where it is
        return;
    }
    const MessageAnswer answer = m_services.messenger->show({ u"基準IDコードを設定しますか？"_s,
        MessageIcon::Exclamation, MessageButtons::OkCancel, u"確認"_s, {} });
    if (answer != MessageAnswer::Ok)
        return;
    // Over the allowance panel, just inside its frame.
    panel->move(m_form.shape1->x() + px(60), m_form.shape1->y() + px(120));
    panel->show();
}

void MainWindow::Command1_Click()
{
    m_form.received->clear();
    emit receiveDisplayCleared();
}

void MainWindow::showCurrentFilePath()
{
    m_form.fileName->setText(QDir::toNativeSeparators(m_currentFilePath));
}

QString MainWindow::receivedText() const
{
    return m_form.received->text();
}

void MainWindow::setReceivedText(const QString &text)
{
    m_form.received->setText(text);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!ConfirmClose(*this)) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

} // namespace kalvidor
