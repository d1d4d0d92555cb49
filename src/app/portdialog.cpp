#include "portdialog.h"

#include "app/objectnames.h"
#include "app/twips.h"
#include "files/idtablefile.h"
#include "link/unitlink.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>

using namespace Qt::StringLiterals;

namespace kalvidor {

PortDialog::PortDialog(
    const QString &programDir, UnitLink &link, const SerialPortSource &ports, QWidget *parent)
    : QDialog(parent,
        // A fixed border with a close box only, and no taskbar entry.
        Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_settingsFile(settingsFilePath(programDir))
    , m_link(link)
    , m_choices(m_settingsFile, ports)
{
    setObjectName(ObjectName::PortDialog);
    setWindowTitle(u"通信ポート設定"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    // The client area at its design place and size.
    setGeometry(twipsRect(2760, 3750, 5070, 1185));
    setFixedSize(size());

    const auto button = [this](const QString &name, const QString &caption, QRect geometry) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setGeometry(geometry);
        // Neither button answers Enter or Escape by itself.
        b->setAutoDefault(false);
        b->setDefault(false);
        return b;
    };
    m_ok = button(ObjectName::PortOkButton, u"OK"_s, twipsRect(3600, 120, 1215, 375));
    m_cancel = button(ObjectName::PortCancelButton, u"ｷｬﾝｾﾙ"_s, twipsRect(3600, 600, 1215, 375));
    connect(m_ok, &QPushButton::clicked, this, &PortDialog::acceptChoice);
    connect(m_cancel, &QPushButton::clicked, this, &PortDialog::cancelChoice);

    // Created after the buttons: the tab order is OK, Cancel, the list.
    m_portList = new QComboBox(this);
    m_portList->setObjectName(ObjectName::PortList);
    m_portList->setEditable(true);
    // Typed text stays what was typed: it neither completes to nor becomes an item.
    m_portList->setCompleter(nullptr);
    m_portList->setInsertPolicy(QComboBox::NoInsert);
    for (const PortChoice &choice : m_choices.items()) {
        m_portList->addItem(choice.text);
        if (!choice.toolTip.isEmpty())
            m_portList->setItemData(m_portList->count() - 1, choice.toolTip, Qt::ToolTipRole);
    }
    m_portList->setGeometry(twipsRect(600, 240, 1455, 300));
    // The field keeps its design width; the list opens wide enough for a
    // device name.
    m_portList->view()->setMinimumWidth(m_portList->view()->sizeHintForColumn(0)
        + m_portList->style()->pixelMetric(QStyle::PM_ScrollBarExtent));

    m_ok->setFocus();

    preselectStoredPort();
}

void PortDialog::preselectStoredPort()
{
    // Nothing stored preselects COM1.
    m_portList->setCurrentIndex(m_choices.preselectedIndex());
}

int PortDialog::chosenIndex() const
{
    const int index = m_portList->currentIndex();
    if (index < 0 || m_portList->currentText() != m_portList->itemText(index))
        return -1;
    return index;
}

QString PortDialog::chosenValue() const
{
    return m_choices.portValue(chosenIndex());
}

void PortDialog::acceptChoice()
{
    if (m_link.isBusy())
        return;
    // A file that cannot be written is not reported; the dialog closes as usual.
    m_choices.store(chosenIndex());
    accept();
}

void PortDialog::cancelChoice()
{
    reject();
}

void PortDialog::done(int result)
{
    // Unloading now would cut off the exchange that waits for the unit.
    if (m_link.isBusy())
        return;
    m_link.unload();
    QDialog::done(result);
}

void PortDialog::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto *b = qobject_cast<QPushButton *>(focusWidget())) {
            b->click();
            return;
        }
        break;
    case Qt::Key_Escape:
        cancelChoice();
        return;
    default:
        break;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kalvidor
