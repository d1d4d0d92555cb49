#include "portdialog.h"

#include "app/twips.h"
#include "files/idtablefile.h"
#include "files/inifile.h"
#include "link/serialports.h"
#include "link/unitlink.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace kalvidor {

PortDialog::PortDialog(const QString &programDir, UnitLink &link, QWidget *parent)
    : QWidget(parent,
        // A fixed border with a close box only, and no taskbar entry.
        Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_settingsFile(settingsFilePath(programDir))
    , m_link(link)
{
    setObjectName(u"dlg_PortNo"_s);
    setWindowTitle(u"通信ポート設定"_s);
    setAttribute(Qt::WA_DeleteOnClose);
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
    m_ok = button(u"OKButton"_s, u"OK"_s, twipsRect(3600, 120, 1215, 375));
    m_cancel = button(u"CancelButton"_s, u"ｷｬﾝｾﾙ"_s, twipsRect(3600, 600, 1215, 375));
    connect(m_ok, &QPushButton::clicked, this, &PortDialog::OKButton_Click);
    connect(m_cancel, &QPushButton::clicked, this, &PortDialog::CancelButton_Click);

    // Created after the buttons: the tab order is OK, Cancel, the list.
    m_portList = new QComboBox(this);
    m_portList->setObjectName(u"cmb_PortNo"_s);
    m_portList->setEditable(true);
    // Typed text stays what was typed: it neither completes to nor becomes an item.
    m_portList->setCompleter(nullptr);
    m_portList->setInsertPolicy(QComboBox::NoInsert);
    m_portList->addItems({ u"COM1"_s, u"COM2"_s, u"COM3"_s, u"COM4"_s });
    m_portList->setGeometry(twipsRect(600, 240, 1455, 300));

    m_ok->setFocus();

    Form_Load();
}

void PortDialog::Form_Load()
{
    // Nothing stored preselects COM1.
    const int port = storedPortNumber(m_settingsFile);
    m_portList->setCurrentIndex(qMax(port, 1) - 1);
}

QString PortDialog::chosenValue() const
{
    const int index = m_portList->currentIndex();
    if (index < 0 || m_portList->currentText() != m_portList->itemText(index))
        return u"0"_s;
    return QString::number(index + 1);
}

void PortDialog::OKButton_Click()
{
    if (m_link.isBusy())
        return;
    // A file that cannot be written is not reported; the dialog closes as usual.
    WriteIni(u"CONF"_s, u"PORT"_s, m_settingsFile, chosenValue());
    close();
}

void PortDialog::CancelButton_Click()
{
    if (m_link.isBusy())
        return;
    close();
}

void PortDialog::closeEvent(QCloseEvent *event)
{
    // Unloading now would cut off the exchange that waits for the unit.
    if (m_link.isBusy()) {
        event->ignore();
        return;
    }
    m_link.unload();
    event->accept();
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
        return;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

} // namespace kalvidor
