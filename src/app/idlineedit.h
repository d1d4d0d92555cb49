#pragma once

#include <QLineEdit>

#include <functional>

namespace kalvidor {

// A text field of the ID lists and the base field. It reports the keys and
// focus changes the ID entry behaviour reacts to; the behaviour itself lives
// in the main window.
class IdLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit IdLineEdit(QWidget *parent = nullptr);

    // List rows number themselves with F1 and F2; the base field does not.
    void setNumberingKeysEnabled(bool enabled) { m_numberingKeys = enabled; }
    // The base field: Enter inserts nothing and moves the focus on as Tab does.
    void setEnterMovesFocus(bool enabled) { m_enterMovesFocus = enabled; }
    // Asked when Tab (forward) or Shift+Tab would move the focus on from this
    // field, before anything moves it. Returns true when it placed the focus
    // itself; otherwise the focus follows the tab order.
    void setTabHandler(std::function<bool(bool forward)> handler)
    {
        m_tabHandler = std::move(handler);
    }

signals:
    // F1 or F2, with or without a modifier held.
    void numberingKeyPressed(Qt::Key key);
    // The focus went to another widget of the window. Not emitted when the
    // window is merely deactivated or a popup (menu, context menu) opens:
    // the focus comes back to this field then.
    void focusLost(Qt::FocusReason reason);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    bool m_numberingKeys = false;
    bool m_enterMovesFocus = false;
    std::function<bool(bool forward)> m_tabHandler;
};

} // namespace kalvidor
