#include "qtmessenger.h"

#include <QMessageBox>

namespace kalvidor {

MessageAnswer QtMessenger::show(const Message &message)
{
    QMessageBox box(
        message.icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::Information,
        message.title, message.text, QMessageBox::NoButton, m_parent);
    box.addButton(QMessageBox::Ok);
    if (message.buttons == MessageButtons::OkCancel)
        box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    if (!message.details.isEmpty())
        box.setDetailedText(message.details);
    return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

} // namespace kalvidor
