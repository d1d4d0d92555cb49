#include "idlineedit.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace kalvidor {

IdLineEdit::IdLineEdit(QWidget *parent)
    : QLineEdit(parent)
{
}

void IdLineEdit::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (m_numberingKeys && (key == Qt::Key_F1 || key == Qt::Key_F2)) {
        event->accept();
        emit numberingKeyPressed(static_cast<Qt::Key>(key));
        return;
    }
    if (m_enterMovesFocus && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        event->accept();
        focusNextChild(); // the same move as Tab, with the Tab focus reason
        return;
    }
    QLineEdit::keyPressEvent(event);
}

bool IdLineEdit::focusNextPrevChild(bool next)
{
    // Tab and Shift+Tab come here before Qt moves the focus along the tab order.
    if (m_tabHandler && m_tabHandler(next))
        return true;
    return QLineEdit::focusNextPrevChild(next);
}

void IdLineEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    const Qt::FocusReason reason = event->reason();
    // Deactivating the window, opening a menu or a popup takes the focus only
    // for a while; it comes back to this field, which has not been left.
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason
        && reason != Qt::MenuBarFocusReason)
        emit focusLost(reason);
}

} // namespace kalvidor
