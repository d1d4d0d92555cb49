#include "mainwindow.h"

#include "app/clickablelabel.h"
#include "app/idlineedit.h"
#include "app/idlistview.h"
#include "app/objectnames.h"
#include "app/twips.h"
#include "document/tabledocument.h"
#include "messages/appinfo.h"
#include "messages/messenger.h"
#include "messages/unitmessages.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace kalvidor {

MainWindow::MainWindow(TableDocument &document, const MainWindowServices &services,
    const QList<MenuCommand> &commands, QWidget *parent)
    : QMainWindow(parent)
    , m_document(document)
    , m_services(services)
{
    Q_ASSERT(m_services.messenger);
    m_form.setupUi(this, commands); // includes building the lists and the menus
    connectElements();
    connectCommands(commands);
    // The lists were built with the form; their scroll bars start at 0. The
    // fields show the table as the document holds it: no change to it.
    fillFields(false);
    showFilePath(m_document.filePath());
    m_form.version->setText(versionLabel());
}

void MainWindow::connectElements()
{
    for (IdListView *view : m_form.lists) {
        connect(view, &IdListView::rowTextChanged, this,
            [this, view](int row) { normalizeRowText(view, row); });
        connect(view, &IdListView::numberingKeyPressed, this,
            [this, view](int row, Qt::Key key) { numberingKeyPressed(view, row, key); });
        connect(view, &IdListView::rowFocusLost, this, [this, view](int row, Qt::FocusReason) {
            if (!m_placingFocusAfterTab)
                checkIdPrefix(view, row);
        });
        view->row(RowsPerList - 1)->setTabHandler([this, view](bool) {
            return tabFromLastRow(view);
        });
        if (QScrollBar *bar = view->scrollBar()) {
            connect(bar, &QScrollBar::valueChanged, this,
                [this, view](int value) { scrollBarMoved(view->list(), value); });
        }
    }
    connect(m_form.baseId, &QLineEdit::textChanged, this, &MainWindow::baseIdTextChanged);
    connect(m_form.version, &ClickableLabel::clicked, this, &MainWindow::versionLabelClicked);
    connect(m_form.clearReceived, &QPushButton::clicked, this, &MainWindow::clearReceivedDisplay);
    connect(&m_document, &TableDocument::fileLoaded, this, &MainWindow::showFilePath);
}

void MainWindow::connectCommands(const QList<MenuCommand> &commands)
{
    for (qsizetype i = 0; i < commands.size(); ++i)
        connect(m_form.commandItems[i], &QAction::triggered, this, commands[i].handler);
    // "ID登録" writes as the menu does.
    if (QAction *write = action(ObjectName::WriteAction))
        connect(m_form.writeButton, &QPushButton::clicked, write, &QAction::trigger);
}

QAction *MainWindow::action(const QString &objectName) const
{
    for (QAction *item : m_form.commandItems) {
        if (item->objectName() == objectName)
            return item;
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
    const IdCodeTable &table = m_document.table();
    for (int r = 0; r < RowsPerList; ++r)
        view->row(r)->setText(rowText(table, slotOfRow(list, offset, r)));
}

void MainWindow::showTable()
{
    fillFields(true);
}

void MainWindow::fillFields(bool changesCount)
{
    const QScopedValueRollback filling(m_fillingFields, true);
    m_fieldChangedWhileFilling = false;
    const IdCodeTable &table = m_document.table();
    m_form.baseId->setText(idText(table.ids[0]));

    const ScrollOffsets at = scrollPositions();
    for (IdListView *view : m_form.lists) {
        const IdList list = view->list();
        showList(list, at.of(list));
        // The drivers do not scroll; their row numbers stay as built.
        if (view->scrollBar())
            view->setRowNumbers(at.of(list) + 1);
    }

    m_form.holdTime->setText(QString::number(table.holdTime));
    m_form.allowance->setText(QString::number(table.operatorAllowance));
    if (changesCount && m_fieldChangedWhileFilling)
        m_document.setModified(true);
}

void MainWindow::noteFieldChanged()
{
    if (m_fillingFields)
        m_fieldChangedWhileFilling = true;
    else
        m_document.setModified(true);
}

void MainWindow::gatherTable(ScrollOffsets offsets)
{
    WindowTexts texts;
    texts.base = m_form.baseId->text();
    for (IdListView *view : m_form.lists)
        texts.list(view->list()) = view->texts();
    texts.holdTime = m_form.holdTime->text();
    texts.allowance = m_form.allowance->text();

    IdCodeTable &table = m_document.table();
    const GatherResult result = gatherTexts(table, texts, offsets);
    if (result.holdTimeRejected) {
        m_services.messenger->inform(outOfRangeText(UnitParameter::HoldTime));
        m_form.holdTime->setText(QString::number(table.holdTime));
    }
    if (result.allowanceRejected) {
        m_services.messenger->inform(outOfRangeText(UnitParameter::OperatorAllowance));
        m_form.allowance->setText(QString::number(table.operatorAllowance));
    }
}

void MainWindow::gather()
{
    gatherTable(scrollPositions());
}

ScrollOffsets MainWindow::scrollPositions() const
{
    ScrollOffsets at;
    for (IdListView *view : m_form.lists)
        at.of(view->list()) = qint16(view->position());
    return at;
}

QString MainWindow::typedBaseId() const
{
    return m_form.baseId->text();
}

void MainWindow::scrollBarMoved(IdList list, int value)
{
    // The rows still show the slots of the old positions: store them there.
    gatherTable(m_shownAt);
    m_shownAt.of(list) = qint16(value);
    showTable();
}

void MainWindow::versionLabelClicked()
{
    QFrame *panel = m_form.baseIdPanel;
    if (m_baseIdPanelShown) {
        panel->hide(); // it stays where it is
        m_baseIdPanelShown = false;
        m_form.allowanceNote->show();
        return;
    }
    const MessageAnswer answer = m_services.messenger->show({ u"基準IDコードを設定しますか？"_s,
        MessageIcon::Exclamation, MessageButtons::OkCancel, u"確認"_s, {} });
    if (answer != MessageAnswer::Ok)
        return;
    // Over the allowance panel, just inside its frame.
    panel->move(m_form.allowancePanel->x() + px(60), m_form.allowancePanel->y() + px(120));
    panel->show();
    m_baseIdPanelShown = true;
    // The allowance note reaches below the panel's lower edge, and its second
    // line would show there: the panel covers the whole note instead.
    m_form.allowanceNote->hide();
}

void MainWindow::clearReceivedDisplay()
{
    m_form.received->clear();
    emit receiveDisplayCleared();
}

void MainWindow::showFilePath(const QString &path)
{
    m_form.fileName->setText(QDir::toNativeSeparators(path));
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
    if (m_closeCheck && !m_closeCheck()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

} // namespace kalvidor
